#pragma once

#include "brenwick/export_convention.h"
#include "brenwick/installer_call_block.h"

// The exports that an installation script calls by name. Each takes the
// installer's call block and returns 1 (TRUE) or 0 (FALSE); texts go back to
// the script as installer variables. A null block gives FALSE from every
// export that reads the block.
extern "C" {
BRENWICK_EXPORT int BRENWICK_CALL CheckFileVer(InstallerCallBlock* pBlock);
BRENWICK_EXPORT int BRENWICK_CALL CheckWin2000(InstallerCallBlock* pBlock);
BRENWICK_EXPORT int BRENWICK_CALL CleanZOVToolbars(InstallerCallBlock* pBlock);
BRENWICK_EXPORT int BRENWICK_CALL GetDate(InstallerCallBlock* pBlock);
BRENWICK_EXPORT int BRENWICK_CALL GetWinVer(InstallerCallBlock* pBlock);
BRENWICK_EXPORT int BRENWICK_CALL MergeINI(InstallerCallBlock* pBlock);
BRENWICK_EXPORT int BRENWICK_CALL SettingChanged(InstallerCallBlock* pBlock);
}

// The signature of every export, for hosts that look them up by name.
typedef int(BRENWICK_CALL* BrenwickExport)(InstallerCallBlock* pBlock);
