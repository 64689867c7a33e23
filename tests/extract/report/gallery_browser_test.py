#!/usr/bin/env python3
"""The gallery page in a real browser: headless Chromium loads a page made by
gallery_page over a few real image files and must show every image, at the
size its card gives it, on cards of one size in a grid, with the list of
sources linking to their groups; then it takes a screenshot of the page.

usage: gallery_browser_test.py GALLERY_PAGE_PROGRAM [SCREENSHOT_COPY]

Exits 77 (skipped) when no Chromium is installed. With SCREENSHOT_COPY, or
GLIMMERDIG_GALLERY_SHOT in the environment, the screenshot is kept there.
"""

import html
import os
import re
import shutil
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw

SKIP = 77


def find_browser():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


def checker_icon(size, colours, alpha=True):
    """A small picture with solid bands, a diagonal and (with alpha) a
    transparent corner and a half-transparent band."""
    w, h = size
    img = Image.new("RGBA", size, (0, 0, 0, 0) if alpha else (255, 255, 255, 255))
    d = ImageDraw.Draw(img)
    for i, c in enumerate(colours):
        top = h * i // len(colours)
        d.rectangle([0, top, w - 1, top + h // len(colours) - 1], fill=c + (255,))
    d.line([0, 0, w - 1, h - 1], fill=(0, 0, 0, 255))
    if alpha:
        d.rectangle([w // 2, 0, w - 1, h // 3], fill=(0, 0, 0, 0))
        d.rectangle([0, h * 2 // 3, w // 3, h - 1], fill=(255, 0, 0, 96))
    return img


def write_images(folder):
    """The image files and what the run reported about each, in run order:
    (source, offset, kind, width, height as reported, bits, file)."""
    warm = [(230, 120, 30), (250, 200, 40), (60, 160, 80)]
    cool = [(40, 90, 200), (120, 200, 230), (90, 60, 160), (240, 240, 240)]
    rows = []

    def add(source, offset, kind, picture, bits, name, reported_height=None, **save):
        picture.save(os.path.join(folder, name), **save)
        w, h = picture.size
        rows.append((source, offset, kind, w, h if reported_height is None else reported_height, bits, name))

    icons = "/data/icons.ico"
    tools = "/data/app & <tools>.exe"
    nihongo = "/data/日本語のアイコン.dll"
    add(icons, 22, "dib", checker_icon((16, 16), warm, alpha=False).convert("P", palette=Image.ADAPTIVE, colors=16),
        4, "icons-ico-0.bmp")
    add(icons, 1086, "dib", checker_icon((32, 32), cool, alpha=False).convert("RGB"), 24, "icons-ico-1.bmp",
        reported_height=-32)
    add(tools, 4096, "png", checker_icon((48, 48), warm), 32, "a b#c?d%e-exe-0.png")
    add(nihongo, 512, "png", checker_icon((24, 12), cool), 32, "アイコン-dll-0.png")
    add(tools, 70000, "gif", checker_icon((20, 10), warm, alpha=False).convert("P"), 8, "tools-exe-1.gif")
    add(nihongo, 9000, "dib", checker_icon((300, 40), cool, alpha=False).convert("RGB"), 24, "wide-dll-1.bmp")
    return rows


# Appended to a copy of the page: once everything has loaded, it writes what
# the page's DOM knows about each image into the DOM, for --dump-dom to print.
PROBE = """
<script>
addEventListener('load', () => {
  const lines = [...document.images].map(i => {
    const s = getComputedStyle(i);
    return [i.getAttribute('src'), i.complete, i.naturalWidth, i.naturalHeight,
            i.getBoundingClientRect().width, i.getBoundingClientRect().height,
            s.imageRendering, s.backgroundImage.startsWith('repeating-conic-gradient')].join('\\t');
  });
  const cards = [...document.querySelectorAll('a.card')].map(a => {
    const r = a.getBoundingClientRect();
    return [a.getAttribute('href'), a.closest('section').id, Math.round(r.width), Math.round(r.top)].join('\\t');
  });
  const links = [...document.querySelectorAll('nav a')].map(a => {
    const target = document.getElementById(a.getAttribute('href').slice(1));
    return [a.getAttribute('href'), target ? target.querySelectorAll('a.card').length : -1].join('\\t');
  });
  for (const [id, text] of [['probe', lines], ['cards', cards], ['links', links]]) {
    const pre = document.createElement('pre');
    pre.id = id;
    pre.textContent = text.join('\\n');
    document.body.append(pre);
  }
});
</script>
"""


def browser_args(browser, profile):
    return [browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--hide-scrollbars", "--user-data-dir=" + profile]


def file_url(path):
    from urllib.request import pathname2url
    return "file://" + pathname2url(path)


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    page_program = sys.argv[1]
    keep_shot = sys.argv[2] if len(sys.argv) > 2 else os.environ.get("GLIMMERDIG_GALLERY_SHOT")
    browser = find_browser()
    if not browser:
        print("chromium is not installed: skipped")
        return SKIP

    failures = []
    with tempfile.TemporaryDirectory(prefix="glimmerdig-gallery-") as tmp:
        save = os.path.join(tmp, "save folder #1")
        os.mkdir(save)
        rows = write_images(save)
        listing = "".join("\t".join(str(f) for f in r) + "\n" for r in rows)
        subprocess.run([page_program, save], input=listing.encode(), check=True)
        page = os.path.join(save, "index.html")
        text = open(page, encoding="utf-8").read()
        with open(os.path.join(save, "probe.html"), "w", encoding="utf-8") as f:
            f.write(text.replace("</body>", PROBE + "</body>"))

        dump = subprocess.run(
            browser_args(browser, os.path.join(tmp, "profile-dom")) +
            ["--dump-dom", file_url(os.path.join(save, "probe.html"))],
            capture_output=True, timeout=240)
        dom = dump.stdout.decode("utf-8", "replace")
        m = re.search(r'<pre id="probe">(.*?)</pre>', dom, re.S)
        if not m:
            print(dump.stderr.decode("utf-8", "replace")[-3000:], file=sys.stderr)
            print("the probe did not run; page as dumped:\n" + dom[:3000], file=sys.stderr)
            return 1
        def table(name):
            found = re.search(rf'<pre id="{name}">(.*?)</pre>', dom, re.S)
            return [line.split("\t") for line in html.unescape(found.group(1)).splitlines()] if found else []
        seen = table("probe")

        # Grouped by source in the order of each source's first image; each
        # image once, enlarged by a whole factor up to 4 within 128 pixels,
        # or made smaller to fit 128.
        sources = list(dict.fromkeys(r[0] for r in rows))
        expected = []
        for source, offset, kind, w, h, bits, name in sorted(rows, key=lambda r: sources.index(r[0])):
            h = abs(h)  # a top-down image reports a negative height
            side = max(w, h)
            if side <= 128:
                factor = min(4, 128 // side)
                expected.append((name, w, h, w * factor, h * factor, "pixelated"))
            else:
                expected.append((name, w, h, max(1, w * 128 // side), max(1, h * 128 // side), "auto"))
        if len(seen) != len(expected):
            failures.append(f"{len(seen)} images on the page, expected {len(expected)}")
        from urllib.parse import unquote
        for got, (name, w, h, sw, sh, smoothing) in zip(seen, expected):
            src, complete, nw, nh, rw, rh, rendering, checker = got
            where = name
            if unquote(src) != name:
                failures.append(f"{where}: src {src!r} does not name the file")
            if complete != "true" or (int(nw), int(nh)) != (w, h):
                failures.append(f"{where}: loaded={complete}, natural size {nw}×{nh}, expected {w}×{h}")
            if (round(float(rw)), round(float(rh))) != (sw, sh):
                failures.append(f"{where}: shown at {rw}×{rh}, expected {sw}×{sh}")
            if rendering != smoothing:
                failures.append(f"{where}: image-rendering {rendering}, expected {smoothing}")
            if checker != "true":
                failures.append(f"{where}: no checkerboard behind it")

        # Cards of one size, not much wider than 128 pixels, side by side in
        # a group; each links to its image's file.
        cards = table("cards")
        if [unquote(c[0]) for c in cards] != [e[0] for e in expected]:
            failures.append(f"the cards link to {[c[0] for c in cards]}")
        widths = {int(c[2]) for c in cards}
        if len(widths) != 1 or not all(128 < w <= 170 for w in widths):
            failures.append(f"card widths {sorted(widths)}")
        for section in {c[1] for c in cards}:
            if len({c[3] for c in cards if c[1] == section}) != 1:
                failures.append(f"the cards of {section} are not on one row")
        # The list of sources at the top: one link per source to its group.
        links = table("links")
        counts = [sum(1 for r in rows if r[0] == s) for s in sources]
        if [int(n) for _, n in links] != counts:
            failures.append(f"the sources' links reach groups of {[n for _, n in links]}, expected {counts}")

        shot = os.path.join(tmp, "gallery.png")
        subprocess.run(
            browser_args(browser, os.path.join(tmp, "profile-shot")) +
            ["--window-size=1000,760", "--screenshot=" + shot, file_url(page)],
            capture_output=True, timeout=240)
        if not os.path.exists(shot):
            failures.append("no screenshot was taken")
        else:
            with Image.open(shot) as img:
                if img.size != (1000, 760):
                    failures.append(f"screenshot is {img.size}")
                # The 16 × 16 icon enlarged 4 times shows its warm colours.
                colours = {c for _, c in img.convert("RGB").getcolors(1 << 20) or []}
                for c in [(230, 120, 30), (250, 200, 40), (60, 160, 80)]:
                    if c not in colours:
                        failures.append(f"screenshot lacks the colour {c}")
            if keep_shot:
                shutil.copyfile(shot, keep_shot)
                print("screenshot:", keep_shot)

    for f in failures:
        print("FAIL:", f, file=sys.stderr)
    if not failures:
        print(f"{len(seen)} images loaded and shown on their cards")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
