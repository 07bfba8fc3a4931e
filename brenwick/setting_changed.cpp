#include "brenwick/brenwick_exports.h"
#include "brenwick/platform/platform.h"

// Sent whatever the Windows family: the "NT only" of the documentation tells
// where the message has an effect, not where it is sent.
extern "C" int BRENWICK_CALL SettingChanged(InstallerCallBlock*) {
    return GetPlatform().BroadcastEnvironmentChange() ? 1 : 0;
}
