# The product: the 32-bit brenwick.dll loaded into a 32-bit process (wine32,
# through qemu-i386 on this kernel), every export looked up by name and called
# once through a block laid out as the installer lays it out; each export must
# take its argument off the stack. The 64-bit test vehicle gets the same.

today=$(LC_ALL=C date -u '+%d %B %Y')
set_wine_version win7
for leg in 32 64; do
    if [ $leg = 32 ]; then build=$b32; else build=$b64; fi
    if [ $leg = 32 ] && [ "$leg32" != yes ]; then
        skip "32-bit smoke test: the 32-bit leg is not available on this machine ($leg32)"
        continue
    fi
    # GetWinVer and CheckWin2000 answer for Windows 7 SP1.
    expected="CheckFileVer result=1 stack=ok
CheckWin2000 result=0 stack=ok %WIN2000%=0
CleanZOVToolbars result=1 stack=ok
GetDate result=1 stack=ok %GD_DATE%=$today
GetWinVer result=1 stack=ok %WINVER%=NT SP1
SettingChanged result=1 stack=ok
MergeINI result=0 stack=ok %MI_MODE%="
    dll=$build/brenwick/brenwick.dll
    actual=$(win "$build/tests/windows/export_smoke.exe" "$(winpath "$dll")" "$(winpath "$dll")?EQ:1,6,0,10")
    check "$leg-bit DLL: every export found by name and called once" "$expected" "$actual"
done
set_wine_version
