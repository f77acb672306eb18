#!/usr/bin/env bash
# Checks the shipped phpswitch.exe from the outside: a 32-bit Windows GUI
# program that imports only Windows' own DLLs (no MinGW runtime beside it) and
# carries its manifest and version resource. Fails when the file is missing.
set -euo pipefail
exe=${1:?usage: check_product.sh <phpswitch.exe>}
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -f "$exe" ]; then
  echo "FAIL: $exe does not exist (the win32 preset builds it)"
  exit 1
fi
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
headers=$("$objdump" -p "$exe")
faults=0
fault() { echo "FAIL: $*"; faults=$((faults + 1)); }

grep -q 'file format pei-i386' <<<"$headers" || fault "not a 32-bit executable (pei-i386)"
subsystem=$(awk '$1 == "Subsystem" { print $2 }' <<<"$headers")
[ "$subsystem" = 00000002 ] || fault "subsystem $subsystem, not 2 (Windows GUI)"

# DLLs that every Windows installation has. Anything else (libstdc++-6.dll,
# libgcc_s_dw2-1.dll, libwinpthread-1.dll, ...) would have to ship beside the exe.
allowed=(kernel32.dll user32.dll gdi32.dll comctl32.dll comdlg32.dll shell32.dll shlwapi.dll ole32.dll
  oleaut32.dll advapi32.dll msvcrt.dll psapi.dll dbghelp.dll uxtheme.dll version.dll ws2_32.dll)
imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$headers" | sort -u)
for dll in $imports; do
  [[ " ${allowed[*]} " == *" $dll "* ]] || fault "imports $dll, not a Windows DLL"
done
for dll in kernel32.dll user32.dll comctl32.dll shell32.dll; do
  grep -qx "$dll" <<<"$imports" || fault "does not import $dll"
done

python3 "$here/product_resources.py" "$exe" X86 || faults=$((faults + 1))

if [ "$faults" -ne 0 ]; then
  exit 1
fi
echo "ok: $exe: pei-i386, GUI, imports $(echo $imports), manifest and version resource as expected"
