#pragma once

#include "wendra/com.h"

#include <QString>
#include <optional>

// The per-user class registry: which library serves a ProgID's class. An INI file
// at $WO_COM_REGISTRY, else $XDG_CONFIG_HOME (default ~/.config) +
// "/wendra-com/registry.ini". Every call reads the file afresh, so registrations
// by other processes are seen at once.
namespace wo::com::registry {

QString filePath();

struct ClassEntry {
    CLSID clsid;
    QString library;
};

// Records ProgID -> CLSID and CLSID -> library and ProgID. False when the file
// cannot be written.
bool registerClass(const QString& progId, const CLSID& clsid, const QString& library);
// Removes the class only while it still points at library: a class another copy
// of the library has registered since stays. False when the file cannot be written.
bool unregisterClass(const QString& progId, const CLSID& clsid, const QString& library);
std::optional<ClassEntry> lookup(const QString& progId);

} // namespace wo::com::registry
