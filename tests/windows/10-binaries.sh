# The built files themselves: the export table of the product DLL and of the
# 64-bit test vehicle, and no MinGW runtime DLL that a user would have to ship.

expected_exports="CheckFileVer CheckWin2000 CleanZOVToolbars GetDate GetWinVer MergeINI SettingChanged"

for leg in 32 64; do
    if [ $leg = 32 ]; then objdump=i686-w64-mingw32-objdump build=$b32 format=pei-i386
    else objdump=x86_64-w64-mingw32-objdump build=$b64 format=pei-x86-64; fi
    dll=$build/brenwick/brenwick.dll
    if [ ! -f "$dll" ]; then
        fail "$leg-bit brenwick.dll was built"
        continue
    fi
    headers=$($objdump -p "$dll")
    check "$leg-bit brenwick.dll is a $format file" "$format" \
        "$(sed -n 's/.*file format \(pei-[a-z0-9-]*\).*/\1/p' <<<"$headers" | head -1)"
    check "$leg-bit export table names the module BRENWICK.dll" "BRENWICK.dll" \
        "$(sed -n 's/^Name[[:space:]]*[0-9a-f]* \(.*\)$/\1/p' <<<"$headers")"
    # Undecorated: no leading underscore and no @4 of the stdcall symbols.
    exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] \(.*\)$/\1/p' <<<"$headers")
    check "$leg-bit brenwick.dll exports exactly the seven undecorated names" "$expected_exports" \
        "$(echo $exports)"

    for file in "$dll" "$build/brenwick/brenwick-host.exe" "$build/convert/convert.exe"; do
        [ -f "$file" ] || continue
        imports=$($objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')
        runtime=$(grep -oiE '(libgcc|libstdc\+\+|libwinpthread|libssp|mingw)[^ ]*' <<<"$imports")
        check "$leg-bit $(basename "$file") needs no MinGW runtime DLL (imports: $imports)" "" "$runtime"
    done
done
