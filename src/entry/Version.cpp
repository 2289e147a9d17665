// Linked into each shared core, whose only source of its own this is: the
// component's objects come from the core archive.
#include "wendra/Wendra_Original.h"

const char* WoGetVersion() {
    return WO_VERSION;
}
