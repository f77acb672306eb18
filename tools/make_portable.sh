#!/usr/bin/env bash
# Lays out the embedded default that `make run` starts: a portable folder in the
# build tree with a copy of the program, one real PHP installation beside it
# (a folder whose `php` is Debian's php-cli) and a settings file whose target path
# lies inside the folder, so that the first switch needs no root. A settings file
# that is already there is the user's and is kept. Prints the program's path.
set -euo pipefail

build=${1:?usage: make_portable.sh <build folder>}
build=$(cd "$build" && pwd)
portable="$build/portable"

php=$(command -v php) || { echo "php-cli is missing: run 'sudo make deps'" >&2; exit 1; }
version=$("$php" -r 'echo PHP_MAJOR_VERSION, ".", PHP_MINOR_VERSION;')
installation="$portable/php-$version"

mkdir -p "$installation" "$portable/data"
# A copy, not a link: the program finds its settings and the listed folders
# beside its own file.
install -m 755 "$build/app/qt/phpswitch" "$portable/phpswitch"
ln -sfn "$php" "$installation/php"

settings="$portable/data/setsoft.ini"
if [ ! -e "$settings" ]; then
  printf '[编辑框]\n编辑框_目标路径=%s\n编辑框_模拟路径=%s\n' "$portable/php_target" "$installation" >"$settings"
fi
echo "$portable/phpswitch"
