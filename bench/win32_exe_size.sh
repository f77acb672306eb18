#!/usr/bin/env bash
# Size of the shipped phpswitch.exe and the DLLs it imports (from its PE
# import table), with the size of each section that holds code or data.
# Prints figures; asserts nothing.
set -euo pipefail
exe=${1:-build/win32/app/win32/phpswitch.exe}
[ -f "$exe" ] || { echo "missing $exe: build the win32 preset first" >&2; exit 1; }
objdump=i686-w64-mingw32-objdump
bytes=$(stat -c %s "$exe")
echo "phpswitch.exe ($exe)"
printf '  file size: %d bytes (%d KiB)\n' "$bytes" $(((bytes + 1023) / 1024))
# Section lines of objdump -h: "  0 .text  000a1b2c  00401000 ..."
"$objdump" -h "$exe" | while read -r index name size _; do
  if [[ $index =~ ^[0-9]+$ && $name == .* ]]; then printf '  section %-8s %9d bytes\n' "$name" $((16#$size)); fi
done
dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | sort -f)
echo "  imports $(echo "$dlls" | wc -l) DLLs:" $dlls
