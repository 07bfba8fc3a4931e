# The portable INI engine against Wine's private-profile service on random
# files: MergeINI and CleanZOVToolbars through both platforms on copies of the
# same files (ini_differential.exe), first the fixed corpus of cases that once
# differed (ini/generated-cases.txt), then cases generated from a fixed seed.
# Any difference fails, cut down to a corpus entry. The engine must answer on
# Linux as it does inside Windows: the digests of what it returned and left
# are compared case by case. A longer run by hand: scripts/ini-differential.

seed=${KORVELT_INI_SEED:-20261208}
count=${KORVELT_INI_COUNT:-300}
generated=$work/ini-generated
rm -rf "$generated"
mkdir -p "$generated/win32" "$generated/native"
differential=$b64/tests/windows/ini_differential.exe
arguments=(--seed "$seed" --count "$count" --digests)
win "$differential" --corpus "$(winpath "$here/ini/generated-cases.txt")" "${arguments[@]}" \
    "$(winpath "$generated/win32")" >"$generated/win32.txt" 2>&1
status=$?
summary=$(grep '^ini_differential:' "$generated/win32.txt")
if [ $status -eq 0 ]; then
    pass "the engine answers as Wine's service on the corpus and $count generated cases (${summary#ini_differential: })"
else
    fail "the engine answers as Wine's service on the corpus and $count generated cases (exit $status)" \
        "$(grep -v '^digest ' "$generated/win32.txt" | head -60)"
fi

if [ -x "$native/tests/windows/ini_differential" ]; then
    "$native/tests/windows/ini_differential" --corpus "$here/ini/generated-cases.txt" "${arguments[@]}" \
        "$generated/native" >"$generated/native.txt" 2>&1
    for platform in win32 native; do grep '^digest ' "$generated/$platform.txt" >"$generated/$platform.digests"; done
    check_files "the engine leaves on Linux what it leaves inside Windows, case by case" \
        "$generated/win32.digests" "$generated/native.digests"
else
    fail "the native ini_differential was built"
fi
