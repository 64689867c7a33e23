"""How the quality comparisons match pictures: by size and RGBA, where a
fully transparent pixel's colour does not count."""


def rgba_key(im):
    """(width, height, RGBA bytes with every fully transparent pixel zeroed)
    of an RGBA image."""
    data = bytearray(im.tobytes())
    for i in range(3, len(data), 4):
        if data[i] == 0:
            data[i - 3:i + 1] = b"\0\0\0\0"
    return im.width, im.height, bytes(data)


def covers(ours, theirs):
    """ours equals theirs wherever theirs is not fully transparent."""
    for i in range(0, len(theirs), 4):
        if theirs[i + 3] != 0 and ours[i:i + 4] != theirs[i:i + 4]:
            return False
    return True
