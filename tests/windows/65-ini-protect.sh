# The Windows build keeps Windows' own protection of profile files: a file
# with the read-only attribute refuses a write, through the system's service
# (what the product DLL uses: MergeINI still returns 1, as it does for every
# write that fails) and through the portable engine inside Windows. Wine lets
# root write any file, so under root these run as the user nobody, in a
# prefix of that user's own.

protect=$work/protect
rm -rf "$protect"
mkdir -p "$protect/files"
if [ "$(id -u)" -eq 0 ]; then
    home=$work/nobody
    mkdir -p "$home"
    chown 65534:65534 "$home" "$protect/files"
    as_user() {
        setpriv --reuid=65534 --regid=65534 --clear-groups \
            env HOME="$home" KORVELT_WINEPREFIX="$home/prefix" "$@"
    }
    user_prefix=$home/prefix
else
    as_user() { "$@"; }
    user_prefix=$prefix
fi
user_win() { as_user "$root/scripts/wine-run" "$@" | tr -d '\r'; }

# The read-only attribute is a file without write permission, as Wine keeps it.
printf '[common]\r\nkey=from source\r\nnew=inserted\r\n' >"$protect/files/src.ini"
printf '[common]\r\nkey=kept\r\n' >"$protect/files/readonly.ini"
printf '[common]\r\nkey=old\r\n' >"$protect/files/writable.ini"
[ "$(id -u)" -eq 0 ] && chown 65534:65534 "$protect/files"/*.ini
chmod 0444 "$protect/files/readonly.ini"
before=$(od -c "$protect/files/readonly.ini")

host="$b64/brenwick/brenwick-host.exe"
dll=$(winpath "$b64/brenwick/brenwick.dll")
merge_into() {
    user_win "$host" "$dll" MergeINI "" MI_MODE=RI "MI_SRC=$(winpath "$protect/files/src.ini")" \
        "MI_DEST=$(winpath "$protect/files/$1")" | head -1
}
if ! as_user test -x "$root/scripts/wine-run" -a -r "$b64/brenwick/brenwick.dll" 2>/dev/null; then
    # A tree in a private directory (a home of mode 0700) is out of the
    # unprivileged user's reach.
    skip "a read-only INI file refused as an unprivileged user: that user cannot reach $root"
elif ! user_win "$host" "$dll" GetDate >/dev/null 2>&1; then
    fail "Wine runs for an unprivileged user (prefix $user_prefix)"
else
    check "MergeINI into a read-only file returns 1" "result=1" "$(merge_into readonly.ini)"
    check "MergeINI leaves the read-only file as it was" "$before" "$(od -c "$protect/files/readonly.ini")"
    check "MergeINI writes a file that the user may write" "result=1" "$(merge_into writable.ini)"
    check "the writable file holds the merged keys" "$(printf '[common]\r\nkey=from source\r\nnew=inserted\r\n')" \
        "$(cat "$protect/files/writable.ini")"

    calls=$protect/calls.txt
    printf 'write\treadonly.ini\tcommon\tkey\tchanged\nget\treadonly.ini\tcommon\tkey\t64\n' >"$calls"
    for platform in win32 portable; do
        check "$platform: a write to a read-only file fails and changes nothing" \
            "write	readonly.ini	common	key	changed => failed
get	readonly.ini	common	key	64 => 4 [kept\\0]" \
            "$(user_win "$b64/tests/windows/profile_ops.exe" $platform "$(winpath "$protect/files")" \
                "$(winpath "$calls")")"
    done
    check "the read-only file is still as it was" "$before" "$(od -c "$protect/files/readonly.ini")"
fi
# The unprivileged user's Wine server would outlive the run.
[ "$(id -u)" -eq 0 ] && as_user env WINEPREFIX="$user_prefix" wineserver -k >/dev/null 2>&1
true
