#!/usr/bin/env bash
# Checks what a MEX module shows the Windows loader, as objdump -p reads it: a 64-bit DLL whose
# only export is mexFunction; from MATLAB's libmx.dll and libmex.dll it imports only what
# their .def files list, and otherwise only from Windows itself (a MATLAB installation has no
# MinGW runtime DLLs for it to find).
#   check_module_tables.sh OBJDUMP MODULE LIBMX_DEF LIBMEX_DEF
set -euo pipefail
objdump=$1
module=$2
shift 2

tables=$("$objdump" -p "$module")
passed=0
failed=0
check() {
  if [ "$1" = true ]; then
    passed=$((passed + 1))
    echo "ok   $2"
  else
    failed=$((failed + 1))
    echo "FAIL $2"
  fi
}
holds() { if "$@"; then echo true; else echo false; fi; }

# One line per entry: "export NAME" or "import DLL NAME".
entries=$(awk '
  /^\[Ordinal\/Name Pointer\] Table/ { inExports = 1; next }
  inExports && /^\t\[ *[0-9]+\] / { print "export", $NF; next }
  /^\tDLL Name: / { dll = $3; next }
  dll != "" && /^\t[0-9a-f]+\t/ { print "import", dll, $NF; next }
  /^$/ { inExports = 0; dll = "" }
' <<<"$tables")

check "$(holds grep -q 'file format pei-x86-64' <<<"$tables")" "64-bit PE file"
check "$(holds grep -qx $'\tDLL' <<<"$tables")" "a DLL"

exports=$(awk '$1 == "export" { print $2 }' <<<"$entries")
shown=$(head -n 3 <<<"$exports" | paste -sd' ')
count=$(grep -c . <<<"$exports" || true)
check "$(holds test "$exports" = mexFunction)" \
  "exports mexFunction only (exports, $count: ${shown:-none}$([ "$count" -le 3 ] || echo ' ...'))"

defNames() {
  sed -e 's/;.*//' "$1" | awk '/^EXPORTS/ { names = 1; next } names && NF { print $1 }' | sort
}
declare -A listed=()
for def in "$@"; do
  dll=$(sed -n 's/^LIBRARY[[:space:]]*//p' "$def" | tr -d '[:space:]')
  listed[$dll]=$(defNames "$def")
  imported=$(awk -v dll="$dll" '$1 == "import" && $2 == dll { print $3 }' <<<"$entries" | sort)
  # The .def files serve every module (quorvane and quorvane_batch call different parts of the
  # API): a module may import fewer names, but none that the real DLL might lack.
  unlisted=$(comm -23 <(printf '%s\n' "$imported") <(printf '%s\n' "${listed[$dll]}") | paste -sd' ')
  check "$(holds test -n "$imported" -a -z "$unlisted")" \
    "imports from $dll only what $(basename "$def") lists (imports: $(paste -sd' ' <<<"$imported")${unlisted:+; unlisted: $unlisted})"
done

# Windows' own DLLs; anything else (libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll)
# would have to be found beside MATLAB.
system='^(kernel32|msvcrt|ucrtbase|ntdll|advapi32|api-ms-win-[a-z0-9-]+)\.dll$'
for dll in $(awk '$1 == "import" { print $2 }' <<<"$entries" | sort -u); do
  [ -n "${listed[$dll]+set}" ] && continue
  check "$(holds grep -qiE "$system" <<<"$dll")" "imports $dll: a Windows system DLL"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
