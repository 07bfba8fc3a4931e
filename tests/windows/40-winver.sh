# GetWinVer and CheckWin2000 under the Windows versions that Wine can report,
# each checked against what GetVersionExA reports in the same setting. The
# 64-bit test vehicle answers every version; the 32-bit product DLL too when
# the 32-bit leg is there.

# The text that GetWinVer must give for what GetVersionExA reported.
winver_text() {
    local platform=$1 major=$2 minor=$3 build=$4 csd=$5 text
    case $platform in
    0) text="3.1" ;;
    1)
        case $minor in
        0) text="95"; [ $((build & 0xFFFF)) -gt 1080 ] && text="95 OSR2" ;;
        10) text="98" ;;
        90) text="ME" ;;
        *) text="9x" ;;
        esac ;;
    2)
        case $major in
        3) text="NT3" ;;
        4) text="NT4" ;;
        5) case $minor in 0) text="2000" ;; 1) text="XP" ;; *) text="NT5" ;; esac ;;
        *) text="NT" ;;
        esac
        [ -n "$csd" ] && text="$text SP${csd: -1}" ;;
    *) text="??" ;;
    esac
    echo "$text"
}

for version in nt40 win2k winxp win2003 win98 win95 winme win7 win10; do
    set_wine_version $version
    probe=$(win "$b64/tests/windows/winver_probe.exe")
    field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$probe"; }
    csd=$(sed -n 's/.* csd="\(.*\)"$/\1/p' <<<"$probe")
    text=$(winver_text "$(field platform)" "$(field major)" "$(field minor)" "$(field build)" "$csd")
    if [ "$(field platform)" = 2 ] && [ "$(field major)" = 5 ]; then win2000=1; else win2000=0; fi
    echo "        $version: $probe -> WINVER=$text WIN2000=$win2000"
    for leg in 64 32; do
        if [ $leg = 32 ]; then build=$b32; else build=$b64; fi
        if [ $leg = 32 ] && [ "$leg32" != yes ]; then
            skip "32-bit GetWinVer under $version: the 32-bit leg is not available"
            continue
        fi
        host="$build/brenwick/brenwick-host.exe"
        dll=$(winpath "$build/brenwick/brenwick.dll")
        check "$leg-bit GetWinVer under $version" "result=1
WINVER=$text" "$(win "$host" "$dll" GetWinVer)"
        check "$leg-bit CheckWin2000 under $version" "result=$win2000
WIN2000=$win2000" "$(win "$host" "$dll" CheckWin2000)"
    done
done
set_wine_version
