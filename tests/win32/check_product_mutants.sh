#!/usr/bin/env bash
# Shows that check_product.sh catches real faults: copies of phpswitch.exe with
# one byte-level defect each must fail it with the matching message, while the
# unchanged copy passes.
set -euo pipefail
exe=${1:?usage: check_product_mutants.sh <phpswitch.exe>}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ ! -f "$exe" ]; then
  echo "FAIL: $exe does not exist (the win32 preset builds it)"
  exit 1
fi
"$here/check_product.sh" "$exe" >/dev/null || { echo "FAIL: the unchanged product fails the check"; exit 1; }

# mutant <name> <expected message> <python statement on `data` (a bytearray)>
faults=0
mutant() {
  local name=$1 expected=$2 change=$3 output
  python3 - "$exe" "$work/$name.exe" "$change" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
def swap(old, new):
    assert len(old) == len(new) and data.count(old) == 1, old
    data[data.index(old):data.index(old) + len(old)] = new
exec(sys.argv[3])
open(sys.argv[2], "wb").write(data)
PY
  if output=$("$here/check_product.sh" "$work/$name.exe" 2>&1); then
    echo "FAIL: $name passed the check"; faults=$((faults + 1))
  elif ! grep -q -- "$expected" <<<"$output"; then
    echo "FAIL: $name failed without \"$expected\":"; echo "$output"; faults=$((faults + 1))
  else
    echo "ok: $name -> $(grep -m1 -- "$expected" <<<"$output")"
  fi
}

subsystem='pe = struct.unpack_from("<I", data, 0x3C)[0]; struct.pack_into("<H", data, pe + 24 + 68, 3)'
mutant console-subsystem "subsystem 00000003" "$subsystem"
mutant runtime-dll "imports libgcc.dll" 'swap(b"msvcrt.dll", b"libgcc.dll")'
mutant as-invoker "requestedExecutionLevel level" 'swap(b"requireAdministrator", b"requireAdministratoX")'
mutant wrong-architecture "processorArchitecture is 'X64'" 'swap(b"\"X86\"", b"\"X64\"")'
mutant company "CompanyName is 'Dravix'" 'swap("Dravik".encode("utf-16-le"), "Dravix".encode("utf-16-le"))'
mutant product-name "ProductName is 'Velmora-PHPWindows环境切快'" 'swap("环境切换".encode("utf-16-le"), "环境切快".encode("utf-16-le"))'
mutant translation "Translation" 'swap(bytes([4, 8, 0xB0, 4]), bytes([4, 8, 0xE4, 4]))'
mutant broken-manifest "not well-formed" 'swap(b"</assembly>", b"</assemblx>")'
exit $((faults != 0))
