# The release zip as a user unpacks it: made by CPack from the 32-bit product
# build, it holds exactly the programs, the DLL and the two texts, and the
# unpacked convert.exe, korvelt-image.exe and brenwick.dll work from there.

archive=$work/archive
rm -rf "$archive"
if ! cpack --preset windows -B "$archive" >"$archive.log" 2>&1; then
    fail "CPack makes the Windows zip (log: $archive.log)" "$(tail -5 "$archive.log")"
    return
fi
zip=$(ls "$archive"/korvelt-tools-*-win32.zip 2>/dev/null)
folder=$archive/$(basename "$zip" .zip)
(cd "$archive" && cmake -E tar xf "$zip")
check "the zip holds one folder with the programs, brenwick.dll and the texts" \
    "README.md brenwick-install.txt brenwick.dll convert.exe korvelt-image.exe" "$(ls "$folder" | tr '\n' ' ' | sed 's/ $//')"
check_files "the zip's brenwick.dll is the product build's" "$b32/brenwick/brenwick.dll" "$folder/brenwick.dll"

if [ "$leg32" != yes ]; then
    skip "the unpacked 32-bit programs: the 32-bit leg is not available ($leg32)"
    return
fi

# Every export found by name and called once, its argument taken off the stack.
smoke=$(win "$b32/tests/windows/export_smoke.exe" "$(winpath "$folder/brenwick.dll")" "$(winpath "$folder/brenwick.dll")?EQ:1,6,0,10")
check "the unpacked brenwick.dll: every export called by name, its own version found" \
    "CheckFileVer result=1 stack=ok, 7 calls, 7 stacks ok" \
    "$(head -1 <<<"$smoke"), $(grep -c . <<<"$smoke") calls, $(grep -c ' stack=ok' <<<"$smoke") stacks ok"

run=$work/archive/run
mkdir -p "$run/linux" "$run/windows"
cp "$root/examples/firmware.mot" "$run/linux/"
cp "$root/examples/firmware.mot" "$run/windows/"
check "the unpacked convert.exe converts firmware.mot as the Linux convert does" \
    "$(cd "$run/linux" && "$native/convert/convert" firmware.mot </dev/null; echo "exit $?")" \
    "$(cd "$run/windows" && win "$folder/convert.exe" firmware.mot </dev/null; echo "exit $?")"
check_files "the unpacked convert.exe writes the bytes of the Linux convert" "$run/linux/firmware.cde" "$run/windows/firmware.cde"

# The timing of the report differs from run to run.
untimed() { sed 's/ in [0-9.]* seconds$//'; }
if cmake --build --preset release -j2 --target korvelt-image >"$archive-native.log" 2>&1; then
    check "the unpacked korvelt-image.exe saves firmware.mot as FPR as the Linux one does" \
        "$(cd "$run/linux" && "$native/examples/korvelt-image/korvelt-image" firmware.mot -o fw.fpr </dev/null | untimed; echo "exit $?")" \
        "$(cd "$run/windows" && win "$folder/korvelt-image.exe" firmware.mot -o fw.fpr </dev/null | untimed; echo "exit $?")"
    check_files "the unpacked korvelt-image.exe writes the bytes of the Linux one" "$run/linux/fw.fpr" "$run/windows/fw.fpr"
    check "the unpacked korvelt-image.exe saves firmware.mot as Intel HEX as the Linux one does" \
        "$(cd "$run/linux" && "$native/examples/korvelt-image/korvelt-image" firmware.mot -o fw.ihx </dev/null | untimed; echo "exit $?")" \
        "$(cd "$run/windows" && win "$folder/korvelt-image.exe" firmware.mot -o fw.ihx </dev/null | untimed; echo "exit $?")"
    check_files "the unpacked korvelt-image.exe writes the Intel HEX bytes of the Linux one" "$run/linux/fw.ihx" "$run/windows/fw.ihx"
else
    fail "the Linux korvelt-image builds (log: $archive-native.log)"
fi
