#pragma once

#include "wendra/com.h"

#include <QString>

namespace wo::com {

// How a host creates the component's objects: ProgID -> registry -> library ->
// class factory -> object. A library, once loaded, stays loaded for the whole
// process until freeUnusedLibraries finds it unused.
class ComHost {
public:
    // The library a class is registered with could not be loaded.
    static constexpr HRESULT ModuleNotFound = static_cast<HRESULT>(0x8007007E);

    // Creates the class registered under progId and hands out its iid interface.
    // On failure *object is null, and lastError says why.
    static HRESULT createObject(const QString& progId, const IID& iid, void** object);
    // Why the last failed createObject of this thread failed.
    static QString lastError();
    // Unloads every library whose DllCanUnloadNow answers WO_S_OK; returns how many.
    static int freeUnusedLibraries();
};

} // namespace wo::com
