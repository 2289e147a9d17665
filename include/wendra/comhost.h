// The host side of the object model (libwendra_comhost): the per-user class
// registry that maps ProgIDs to the libraries serving them, and creating an object
// by its ProgID. Needs Qt Core; hosts without Qt use WoCreateObject instead.
#pragma once

#include "wendra/com.h"
#include "wendra/comhost_export.h"

#include <QString>
#include <optional>

namespace wo::com {

// The braced text form the registry stores: "{6A1C2E41-5B3D-4E8F-9A10-2C4B7D813001}".
WO_COMHOST_API QString guidToString(const GUID& guid);
// Parses the braced form in either case. The nil GUID names no class, so it is
// rejected along with anything malformed.
WO_COMHOST_API std::optional<GUID> guidFromString(const QString& text);

// The per-user class registry: which library serves a ProgID's class. An INI file
// at $WO_COM_REGISTRY, else $XDG_CONFIG_HOME (default ~/.config) +
// "/wendra-com/registry.ini". Every call reads the file afresh, so registrations
// by other processes are seen at once.
namespace registry {

WO_COMHOST_API QString filePath();

struct ClassEntry {
    CLSID clsid;
    QString library;
};

// Records ProgID -> CLSID and CLSID -> library and ProgID. False when the file
// cannot be written.
WO_COMHOST_API bool registerClass(const QString& progId, const CLSID& clsid, const QString& library);
// Removes the class only while it still points at library: a class another copy
// of the library has registered since stays. False when the file cannot be written.
WO_COMHOST_API bool unregisterClass(const QString& progId, const CLSID& clsid, const QString& library);
WO_COMHOST_API std::optional<ClassEntry> lookup(const QString& progId);

} // namespace registry

// How a host creates the component's objects: ProgID -> registry -> library ->
// class factory -> object. A library, once loaded, stays loaded for the whole
// process until freeUnusedLibraries finds it unused.
class WO_COMHOST_API ComHost {
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
