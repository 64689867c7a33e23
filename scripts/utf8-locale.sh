# Sourced by the scripts that run Wine. Wine turns Windows file names into
# Linux ones through the locale's character set; without a UTF-8 locale (a
# bare machine, or a caller started with env -i) it cannot make names such as
# Japanese ones, and creating such a file fails. C.UTF-8 is always there on
# Debian.
if [ "$(LC_ALL=${LC_ALL:-} locale charmap 2>/dev/null)" != "UTF-8" ]; then
  export LC_ALL=C.UTF-8
fi
