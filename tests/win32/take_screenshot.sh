#!/usr/bin/env bash
# Takes the screenshot of the window for the documentation: the 64-bit
# phpswitch.exe of a win64-test build under Wine on Xvfb, inside Wine's virtual
# desktop (which draws the window frame itself), cropped to the window.
# A prefix of its own gets the fonts Wine's frame needs (Marlett) and a drive D:
# where the target path links to a folder with a stand-in php.exe.
# Usage: take_screenshot.sh <win64-test build folder> <output.png>
set -euo pipefail
wine=/usr/lib/wine/wine64

# Inside Xvfb: start the program in a virtual desktop, wait, crop the window.
if [ "${1:-}" = --inside ]; then
  out=$2
  "$wine" explorer /desktop=phpswitch,560x380 'D:\phpswitch\phpswitch.exe' &
  desktop=""
  for _ in $(seq 100); do
    desktop=$(xwininfo -root -tree | awk '/"phpswitch - Wine /{ print $1; exit }')
    [ -n "$desktop" ] && break
    sleep 0.2
  done
  [ -n "$desktop" ] || { echo "the Wine desktop did not appear" >&2; exit 1; }
  # Time for the start-up and the monitor's first cycle (a few command runs).
  sleep 8
  x=$(xwininfo -id "$desktop" | awk '/Absolute upper-left X/ { print $4 }')
  y=$(xwininfo -id "$desktop" | awk '/Absolute upper-left Y/ { print $4 }')
  import -window root -crop "447x302+$((x + 50))+$((y + 50))" +repage "$out"
  /usr/lib/wine/wineserver -k || true
  exit 0
fi

build=$(cd "${1:?usage: take_screenshot.sh <win64-test build folder> <output.png>}" && pwd)
out=$(realpath -m "${2:?missing output file}")
exe=$build/app/win32/phpswitch.exe
php=$build/tests/win32/win32_fake_php.exe
for file in "$exe" "$php"; do
  [ -f "$file" ] || { echo "missing $file: build the win64-test preset first" >&2; exit 1; }
done

export WINEPREFIX=$build/wineprefix-screenshot WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$WINEPREFIX/.phpswitch-ready" ]; then
  "$wine" wineboot -i >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  touch "$WINEPREFIX/.phpswitch-ready"
fi

drive=$(mktemp -d)
trap 'rm -rf "$drive"; rm -f "$WINEPREFIX/dosdevices/d:"' EXIT
mkdir -p "$drive/phpswitch/data" "$drive/php/php-7.0.3" "$drive/php/php-5.6.40" "$drive/php/php-8.2.0"
cp "$exe" "$drive/phpswitch/"
cp "$php" "$drive/php/php-7.0.3/php.exe"
ln -s "$drive/php/php-7.0.3" "$drive/php_target"
ln -sfn "$drive" "$WINEPREFIX/dosdevices/d:"
printf '[编辑框]\r\n编辑框_目标路径=D:\\php_target\r\n编辑框_模拟路径=D:\\php\\php-7.0.3\r\n' |
  iconv -f UTF-8 -t GBK >"$drive/phpswitch/data/setsoft.ini"

xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$out"
echo "wrote $out"
