# The exports that work on the machine, through brenwick-host.exe and the
# 64-bit DLL against Wine's own services: the date, file versions, INI merges
# through Wine's private-profile service and the toolbar sections of zov.ini
# in Wine's Windows directory.

host="$b64/brenwick/brenwick-host.exe"
dll=$(winpath "$b64/brenwick/brenwick.dll")
call() { win "$host" "$dll" "$@"; }

# GetDate: the UTC date, in both forms.
check "GetDate gives today's UTC date" "result=1
GD_DATE=$(LC_ALL=C date -u '+%d %B %Y')" "$(call GetDate)"
check "GetDate W gives the URL form" "result=1
GD_DATE=$(LC_ALL=C date -u '+%d+%B+%Y')" "$(call GetDate Week)"
check "GetDate w (lower case) gives the form with spaces" "result=1
GD_DATE=$(LC_ALL=C date -u '+%d %B %Y')" "$(call GetDate w)"

# CheckFileVer: the DLL's own version resource and test DLLs of known versions.
versions=$(winpath "$b64/tests/windows")
while read -r file condition expected; do
    check "CheckFileVer $file?$condition gives $expected" "result=$expected" \
        "$(call CheckFileVer "$versions\\$file?$condition")"
done <<'CASES'
version_1_9_0_0.dll LT:2,0,0,0 1
version_2_0_0_0.dll LT:2,0,0,0 0
version_2_0_0_0.dll LE:2,0,0,0 1
version_2_0_0_0.dll EQ:2 1
version_2_0_0_0.dll EQ:1,65536,0,0 1
version_2_0_0_1.dll GT:2,0,0,0 1
version_2_0_0_1.dll GE:2,0,0,0 1
version_2_0_0_1.dll NE:2,0,0,0 1
version_2_0_0_1.dll EQ:2,0,0,0 0
version_2_0_0_1.dll LT:2,0,0,0 0
version_2_0_0_1.dll LE:2,0,0,0 0
version_2_0_0_1.dll EQ:2,0,0,1 1
no_version.dll GE:0,0,0,0 0
missing.dll GE:0,0,0,0 0
CASES
check "CheckFileVer reads the DLL's own version 1.6.0.10" "result=1" "$(call CheckFileVer "$dll?EQ:1,6,0,10")"
check "CheckFileVer compares the file version, not the product version 5.0.0.1" "result=0" \
    "$(call CheckFileVer "$dll?EQ:5,0,0,1")"
# Without a display Wine's message box returns at once, so this cannot hang.
check "CheckFileVer with an unknown condition gives 0" "result=0" "$(call CheckFileVer "$dll?lt:9,0,0,0")"

# MergeINI through Wine's private-profile service.
merge=$work/merge
write_sources() {
    rm -rf "$merge"
    mkdir -p "$merge"
    printf '[common]\r\npresent=from source\r\nemptydest=from source\r\nfresh=new\r\nblank=\r\n[only_source]\r\nk=v\r\n' \
        >"$merge/src.ini"
    printf '[common]\r\npresent=in dest\r\nemptydest=\r\nkept=dest only\r\nblank=dest blank\r\n' >"$merge/dest.ini"
}
merged() {
    profile_answers "$merge" <<CALLS
sections	dest.ini	2048
get	dest.ini	common	present	2048
get	dest.ini	common	emptydest	2048
get	dest.ini	common	fresh	2048
get	dest.ini	common	kept	2048
get	dest.ini	common	blank	2048
get	dest.ini	only_source	k	2048
CALLS
}
merge() {
    call MergeINI "" "MI_MODE=$1" "MI_SRC=$(winpath "$merge/src.ini")" "MI_DEST=$(winpath "$merge/$2")" |
        head -1
}
while IFS=';' read -r mode result sections present emptydest fresh only; do
    write_sources
    check "MergeINI mode $mode returns $result" "result=$result" "$(merge "$mode" dest.ini)"
    check "MergeINI mode $mode leaves the expected keys" \
        "$(printf '%s\n' "$sections" "$present" "$emptydest" "$fresh" "dest only" "dest blank" "$only")" \
        "$(merged)"
done <<'CASES'
RI;1;common|only_source;from source;from source;new;v
IR;1;common|only_source;from source;from source;new;v
xRyIz;1;common|only_source;from source;from source;new;v
R;1;common;from source;;;
I;1;common|only_source;in dest;from source;new;v
CASES
write_sources
before=$(od -c "$merge/dest.ini")
check "MergeINI mode ri (lower case) returns 0" "result=0" "$(merge ri dest.ini)"
check "MergeINI mode ri changes nothing" "$before" "$(od -c "$merge/dest.ini")"
check "MergeINI with a missing source returns 0" "result=0" \
    "$(call MergeINI "" MI_MODE=RI "MI_SRC=$(winpath "$merge/none.ini")" "MI_DEST=$(winpath "$merge/dest.ini")" | head -1)"
check "MergeINI without MI_DEST returns 0" "result=0" \
    "$(call MergeINI "" MI_MODE=RI "MI_SRC=$(winpath "$merge/src.ini")" | head -1)"
check "MergeINI in insert mode creates a missing destination" "result=1" "$(merge I new.ini)"
check "the created destination holds every non-empty source key" "common|only_source
from source" "$(profile_answers "$merge" <<'CALLS'
sections	new.ini	2048
get	new.ini	common	present	2048
CALLS
)"

# CleanZOVToolbars on zov.ini in Wine's Windows directory.
windows=$prefix/drive_c/windows
zov_sections() { profile_answers "$windows" <<<"sections	zov.ini	2048"; }
printf '[ToolBarState-Bar0]\r\na=1\r\n[ToolBarState-Bar1]\r\na=1\r\n[ToolBarState-Bar2]\r\na=1\r\n[ToolBarState-Bar3]\r\na=1\r\n[ToolBarState-Bar5]\r\na=1\r\n[ToolBarState-ToolBarManager]\r\nm=1\r\n[ToolBarState-Summary]\r\ns=1\r\n[Settings]\r\nkeep=1\r\n' \
    >"$windows/zov.ini"
check "CleanZOVToolbars returns 1" "result=1" "$(call CleanZOVToolbars)"
check "CleanZOVToolbars deletes Bar0 to Bar3, the manager and the summary" "ToolBarState-Bar5|Settings" "$(zov_sections)"
printf '[ToolBarState-Bar1]\r\na=1\r\n[ToolBarState-Summary]\r\ns=1\r\n' >"$windows/zov.ini"
call CleanZOVToolbars >/dev/null
check "CleanZOVToolbars without Bar0 deletes no numbered section" "ToolBarState-Bar1" "$(zov_sections)"
printf '[ToolBarState-Bar0]\r\na=1\r\n[ToolBarState-Bar1]\r\na=1\r\n[ToolBarState-Bar2]\r\n[ToolBarState-Bar3]\r\na=1\r\n' >"$windows/zov.ini"
call CleanZOVToolbars >/dev/null
check "CleanZOVToolbars stops at an empty Bar2 and keeps it" "ToolBarState-Bar2|ToolBarState-Bar3" "$(zov_sections)"
rm -f "$windows/zov.ini"
check "CleanZOVToolbars without zov.ini returns 1" "result=1" "$(call CleanZOVToolbars)"

check "SettingChanged broadcasts and returns 1" "result=1" "$(call SettingChanged)"
