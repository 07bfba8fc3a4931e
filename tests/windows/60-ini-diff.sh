# The portable INI engine against Wine's private-profile service: the same
# calls on copies of the same files (ini/calls.txt on the corpus beside it)
# must give the same answers. The answers in which the two deliberately part
# are listed, with the reason, in ini/wine-deviations.txt; any other
# difference fails. The engine must also answer the same on Linux as it does
# inside Windows.

corpus=$here/ini
rm -rf "$work/ini"
for platform in win32 portable native; do
    mkdir -p "$work/ini/$platform"
    cp "$corpus"/*.ini "$work/ini/$platform/"
done
ops=$b64/tests/windows/profile_ops.exe
win "$ops" win32 "$(winpath "$work/ini/win32")" "$(winpath "$corpus/calls.txt")" >"$work/ini/win32.txt"
win "$ops" portable "$(winpath "$work/ini/portable")" "$(winpath "$corpus/calls.txt")" >"$work/ini/portable.txt"
calls=$(grep -cv '^#' "$corpus/calls.txt")
check "Wine's service answered all $calls calls" "$calls" "$(wc -l <"$work/ini/win32.txt")"

# Each answer that differs, as a "<" line (Wine) and a ">" line (portable).
paste -d '\n' "$work/ini/win32.txt" "$work/ini/portable.txt" |
    awk 'NR % 2 { wine = $0; next } wine != $0 { print "< " wine; print "> " $0 }' >"$work/ini/differences.txt"
# Compared as sorted lines: the list groups the answers by reason.
grep -v '^#' "$corpus/wine-deviations.txt" | grep -v '^$' | sort >"$work/ini/expected-differences.txt"
sort "$work/ini/differences.txt" >"$work/ini/sorted-differences.txt"
check_files "the portable engine answers as Wine's service, but for the listed deviations" \
    "$work/ini/expected-differences.txt" "$work/ini/sorted-differences.txt"
echo "        $(($(wc -l <"$work/ini/differences.txt") / 2)) of $calls answers differ, each for a listed reason"

if [ -x "$native/tests/windows/profile_ops" ]; then
    "$native/tests/windows/profile_ops" portable "$work/ini/native" "$corpus/calls.txt" >"$work/ini/native.txt"
    check_files "the portable engine answers on Linux as it does in Windows" \
        "$work/ini/portable.txt" "$work/ini/native.txt"
else
    fail "the native profile_ops was built"
fi

# The Unicode files keep their encoding. Those laid out as Wine lays a file
# (no blank lines, no blanks around "=") come out of the portable engine's
# writes with the very bytes of Wine's; the other one must read, through
# Wine's own service, as the file that Wine wrote.
for file in utf16le.ini utf16be.ini utf16_mark_only.ini utf16_odd.ini utf8.ini; do
    check_files "$file: the portable engine writes the bytes that Wine writes" \
        "$work/ini/win32/$file" "$work/ini/portable/$file"
done
unicode_reads='sections	utf16le_lf.ini	2048
section	utf16le_lf.ini	spaced	2048
section	utf16le_lf.ini	\xFCber	2048'
check "utf16le_lf.ini: Wine's service reads the portable engine's file as its own" \
    "$(profile_answers "$work/ini/win32" <<<"$unicode_reads")" \
    "$(profile_answers "$work/ini/portable" <<<"$unicode_reads")"
check "utf16le_lf.ini: the portable engine keeps the byte-order mark" "fffe" \
    "$(head -c 2 "$work/ini/portable/utf16le_lf.ini" | od -An -tx1 | tr -d ' ')"

# Wine writes every changed file anew from its parsed form; Windows and the
# portable engine change only the lines concerned. Shown, not judged.
relaid=""
for file in "$work/ini/win32"/*.ini; do
    cmp -s "$file" "$work/ini/portable/$(basename "$file")" || relaid="$relaid $(basename "$file")"
done
echo "        files that Wine laid out anew after writes:${relaid:- none}"
