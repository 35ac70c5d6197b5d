#!/usr/bin/env bash
# Checks the driver module's symbol tables: VpiMain is its only export, and the
# seven host functions are imported from the host runtime (on Linux under the
# PELKCORE symbol version, on Windows from PELKCORE.DLL).
# Usage: check_exports.sh linux TARVIKDL.so | check_exports.sh windows TARVIKDL.dll OBJDUMP
set -euo pipefail
kind=$1
module=$2
host_functions="err Pelk5GetGateIdByAddressStr Pelk5Cook Pelk5PutGateVal Pelk5SetGateFlag Pelk5GetGateVal Pelk5UnCook"
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "$kind" = linux ]; then
    exported=$(nm -D --defined-only "$module" | awk '$2 ~ /^[TtDdBbRrWwVvi]$/ {print $3}' | sort -u)
    [ "$exported" = "VpiMain" ] || fail "exports are: $exported"
    imports=$(objdump -T "$module")
    for f in $host_functions; do
        echo "$imports" | grep -Eq "\*UND\*.*[[:space:]]PELKCORE[[:space:]]+$f\$" \
            || echo "$imports" | grep -Eq "\*UND\*.*\(PELKCORE\)[[:space:]]+$f\$" \
            || fail "$f is not an undefined reference of version PELKCORE"
    done
    readelf -d "$module" | grep -q 'NEEDED.*\[libPELKCORE.so\]' || fail "libPELKCORE.so is not needed"
else
    objdump=$3
    dump=$("$objdump" -p "$module")
    names=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^[[:space:]]+\[' | awk '{print $NF}')
    [ "$names" = "VpiMain" ] || fail "exports are: $names"
    section=$(echo "$dump" | sed -n '/DLL Name: PELKCORE.DLL/,/^$/p')
    [ -n "$section" ] || fail "PELKCORE.DLL is not imported"
    for f in $host_functions; do
        echo "$section" | grep -Eq "[[:space:]]$f\$" || fail "$f is not imported from PELKCORE.DLL"
    done
fi
echo "OK: $module"
