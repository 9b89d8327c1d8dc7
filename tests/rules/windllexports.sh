#!/usr/bin/env bash
# KestraCamera.dll as Windows sees it, for each Windows build given: it exports the COM server's
# entries under their plain names and nothing else (DllInstall carries the work mode for the
# registration batch files), and it needs only DLLs that every Windows has.
# Usage: windllexports.sh <build folder>...
set -uo pipefail
expected="DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer"
system="ADVAPI32.dll BCRYPT.dll GDIPLUS.dll KERNEL32.dll MSVCRT.dll OLE32.dll USER32.dll WS2_32.dll"
status=0
for build in "$@"; do
  dll=$build/filter/KestraCamera.dll
  if [ ! -f "$dll" ]; then
    echo "FAIL: $dll is missing (cmake --build --preset $(basename "$build"))"
    status=1
    continue
  fi
  table=$(objdump -p "$dll") || { echo "FAIL: objdump cannot read $dll"; status=1; continue; }
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" |
            tail -n +2 | awk 'NF == 3 {print $3}' | sort | xargs)
  if [ "$exports" != "$expected" ]; then
    echo "FAIL: $dll exports \"$exports\", expected \"$expected\""
    status=1
  fi
  for import in $(awk '/DLL Name:/ {print toupper($3)}' <<<"$table"); do
    if ! grep -qiw -- "$import" <<<"$system"; then
      echo "FAIL: $dll needs $import, which Windows does not ship"
      status=1
    fi
  done
  [ "$status" = 0 ] && echo "ok $dll: $exports"
done
exit $status
