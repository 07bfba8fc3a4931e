# Shared by the Windows test scripts, which scripts/test-windows sources one
# after another: the counters, the checks, and running programs under Wine.
# Each script is a group of checks; a check prints one line.

passed=0
failed=0
skipped=0

pass() { passed=$((passed + 1)); echo "  ok    $1"; }
skip() { skipped=$((skipped + 1)); echo "  skip  $1"; }
fail() {
    failed=$((failed + 1))
    echo "  FAIL  $1"
    shift
    local line
    for line in "$@"; do echo "        $line"; done
}

# check NAME EXPECTED ACTUAL
check() {
    if [ "$2" = "$3" ]; then
        pass "$1"
    else
        fail "$1" "expected: $(printf '%q' "$2")" "actual:   $(printf '%q' "$3")"
    fi
}

# check_files NAME EXPECTED-FILE ACTUAL-FILE: the whole difference on failure.
check_files() {
    if cmp -s "$2" "$3"; then
        pass "$1"
    else
        fail "$1" "$(diff "$2" "$3" | head -20)"
    fi
}

# Runs a Windows program in the test prefix. Its text output comes back with
# LF line ends, as the Linux builds write it.
win() { "$root/scripts/wine-run" "$@" | tr -d '\r'; }

# The Windows name of an absolute path: Wine's drive Z: is the root.
winpath() {
    local path=$1
    echo "Z:${path//\//\\}"
}

# Sets the Windows version that Wine reports to programs started afterwards
# (nt40, win2k, winxp, ...); without an argument, Wine's own default again.
set_wine_version() {
    if [ $# -eq 0 ]; then
        win reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1
    else
        win reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null 2>&1
    fi
}

# Reads private-profile calls (profile_ops lines, tab-separated) from standard
# input, makes them through the Win32 service under Wine in DIRECTORY, and
# prints each answer as text: a value, or a list's names joined by "|".
profile_answers() {
    local calls
    calls=$(mktemp "$work/calls.XXXXXX")
    cat >"$calls"
    win "$b64/tests/windows/profile_ops.exe" win32 "$(winpath "$1")" "$(winpath "$calls")" |
        sed -e 's/^.* => [0-9]* \[//' -e 's/\]$//' -e 's/~$//' -e 's/\(\\0\)*$//' -e 's/\\0/|/g'
    rm -f "$calls"
}
