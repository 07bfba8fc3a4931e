# The version resource of the built DLLs, read back from outside: by Wine's
# version service (GetFileVersionInfoA, VerQueryValueA) and by brenwick's own
# portable PE reader on Linux, each compared with the expected texts in
# expected/brenwick_version.txt ("*" stands for a value that is ours to choose).
# A two-language fixture shows that both pick the same language.

expected=$here/expected/brenwick_version.txt
# Every line of the expected texts, "*" values matched by whatever is there.
matches() {
    local got=$1 line want
    [ "$(wc -l <<<"$got")" = "$(wc -l <"$expected")" ] || return 1
    while IFS= read -r line <&3 && IFS= read -r want <&4; do
        if [ "${want#*=}" = "*" ]; then
            [ "${line%%=*}" = "${want%%=*}" ] && [ -n "${line#*=}" ] || return 1
        else
            [ "$line" = "$want" ] || return 1
        fi
    done 3<<<"$got" 4<"$expected"
}
keys=$(sed -n '/^string table=/,$p' "$expected" | tail -n +2 | sed 's/=.*//')

for leg in 32 64; do
    if [ $leg = 32 ]; then build=$b32; else build=$b64; fi
    dll=$build/brenwick/brenwick.dll
    # The version service of a 64-bit process reads a 32-bit DLL's resource
    # as well, so the 32-bit leg needs no 32-bit process here.
    got=$(win "$b64/tests/windows/version_dump.exe" api "$(winpath "$dll")" $keys)
    if matches "$got"; then pass "$leg-bit DLL: the version service reads every expected text"
    else fail "$leg-bit DLL: the version service reads every expected text" "$(diff "$expected" <(echo "$got") | head -20)"; fi
    if [ -x "$native/tests/windows/version_dump" ]; then
        got=$("$native/tests/windows/version_dump" portable "$dll")
        if matches "$got"; then pass "$leg-bit DLL: the portable PE reader reads every expected text, in order"
        else fail "$leg-bit DLL: the portable PE reader reads every expected text, in order" "$(diff "$expected" <(echo "$got") | head -20)"; fi
    else
        fail "the native version_dump was built"
    fi
done

# A version resource in two languages, German listed first: Wine's version
# service and the portable reader must read the same one (the English one on
# this English system), with its fixed information and texts.
fixture=$root/tests/brenwick/fixtures/two_languages.x86.dll
wine_dump=$(win "$b64/tests/windows/version_dump.exe" api "$(winpath "$fixture")" FileVersion)
portable_dump=$("$native/tests/windows/version_dump" portable "$fixture")
check "two languages: the version service reads the English resource" \
    "resource language=0x0409" "$(head -1 <<<"$wine_dump")"
check "two languages: the portable PE reader reads the resource that the version service reads" \
    "$wine_dump" "$portable_dump"
