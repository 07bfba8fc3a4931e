# convert.exe on the sample inputs in examples/, the README's among them:
# the same messages, exit status and .cde bytes as the Linux build, from the
# 64-bit build and, where 32-bit programs run, the 32-bit one.

if [ ! -f "$b64/convert/convert.exe" ] || [ ! -x "$native/convert/convert" ]; then
    skip "convert.exe against the Linux convert: convert is not built yet"
else
    for example in "$root"/examples/*; do
        [ -f "$example" ] || continue
        name=$(basename "$example")
        rm -rf "$work/convert/linux"
        mkdir -p "$work/convert/linux"
        cp "$example" "$work/convert/linux/"
        linux_output=$(cd "$work/convert/linux" && "$native/convert/convert" "$name" </dev/null; echo "exit $?")
        for leg in 64 32; do
            if [ $leg = 32 ]; then build=$b32; else build=$b64; fi
            if [ $leg = 32 ] && [ "$leg32" != yes ]; then
                skip "32-bit convert.exe $name: the 32-bit leg is not available"
                continue
            fi
            rm -rf "$work/convert/windows"
            mkdir -p "$work/convert/windows"
            cp "$example" "$work/convert/windows/"
            windows_output=$(cd "$work/convert/windows" && win "$build/convert/convert.exe" "$name" </dev/null; echo "exit $?")
            check "$leg-bit convert.exe $name prints what the Linux convert prints" "$linux_output" "$windows_output"
            check "$leg-bit convert.exe $name leaves the files that the Linux convert leaves" \
                "$(ls "$work/convert/linux")" "$(ls "$work/convert/windows")"
            for file in "$work/convert/linux"/*.cde; do
                [ -f "$file" ] || continue
                check_files "$leg-bit convert.exe $name writes the bytes of $(basename "$file") that the Linux convert writes" \
                    "$file" "$work/convert/windows/$(basename "$file")"
            done
        done
    done
fi

# The 32-bit product decodes sixteen characters at a time on a processor with
# SSE2 and one pair at a time on one without: on qemu's Pentium III, which
# lacks it, convert.exe writes what the Linux convert writes.
if [ "$leg32" != yes ] || [ ! -f "$b32/convert/convert.exe" ] || [ ! -x "$native/convert/convert" ]; then
    skip "32-bit convert.exe without SSE2: the 32-bit leg is not available"
else
    rm -rf "$work/convert/no-sse2"
    mkdir -p "$work/convert/no-sse2/linux" "$work/convert/no-sse2/windows"
    cp "$root/examples/firmware.mot" "$work/convert/no-sse2/linux/"
    cp "$root/examples/firmware.mot" "$work/convert/no-sse2/windows/"
    (cd "$work/convert/no-sse2/linux" && "$native/convert/convert" firmware.mot </dev/null >/dev/null)
    (cd "$work/convert/no-sse2/windows" && QEMU_CPU=pentium3 win "$b32/convert/convert.exe" firmware.mot </dev/null >/dev/null)
    check_files "32-bit convert.exe without SSE2 writes the bytes that the Linux convert writes" \
        "$work/convert/no-sse2/linux/firmware.cde" "$work/convert/no-sse2/windows/firmware.cde"
fi

# Ended while it writes its output, convert.exe leaves the old output whole
# and no new file beside it: the new file removes itself with its handle,
# whatever ends the process. Wine's console takes no Ctrl-C from a program,
# so there the process is ended outright, which gives the handler no chance.
for leg in 64 32; do
    if [ $leg = 32 ]; then build=$b32; else build=$b64; fi
    if [ $leg = 32 ] && [ "$leg32" != yes ]; then
        skip "32-bit convert.exe ended while writing: the 32-bit leg is not available"
        continue
    fi
    rm -rf "$work/convert/ended"
    mkdir -p "$work/convert/ended"
    ended=$(win "$b64/tests/windows/end_probe.exe" "$(winpath "$build/convert/convert.exe")" "$(winpath "$work/convert/ended")")
    check "$leg-bit convert.exe ended while writing leaves the old output whole and nothing beside it" \
        "old output whole
left beside it nothing" "$(grep -E '^(old output|left beside it)' <<<"$ended")"
    echo "        $(grep '^ended by' <<<"$ended")"
done
