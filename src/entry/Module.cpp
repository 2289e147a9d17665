// The in-process server: the four exports a host finds with dlsym. The objects
// live in the core library, which this module loads; the module itself uses only
// the core's public functions and the class registry of the host library.
#include "wendra/Wendra_Original.h"
#include "wendra/comhost.h"

#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>

namespace {

struct ServedClass {
    const char* progId;
    CLSID clsid;
};

constexpr ServedClass kClasses[] = {
    {WO_PROGID_CLSMAIN, WO_CLSID_CLSMAIN},
    {WO_PROGID_CPRINTER, WO_CLSID_CPRINTER},
};

// The file the host loaded this module from, as the registry records it.
QString modulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&modulePath), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).canonicalFilePath();
}

using RegistryChange = bool (*)(const QString& progId, const CLSID& clsid, const QString& library);

HRESULT changeRegistry(RegistryChange change) noexcept {
    try {
        const QString library = modulePath();
        if (library.isEmpty())
            return WO_SELFREG_E_CLASS;
        for (const ServedClass& c : kClasses)
            if (!change(QString::fromUtf8(c.progId), c.clsid, library))
                return WO_SELFREG_E_CLASS;
        return WO_S_OK;
    } catch (...) {
        return WO_SELFREG_E_CLASS;
    }
}

} // namespace

HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
    return WoGetClassObject(clsid, iid, object);
}

HRESULT DllCanUnloadNow() {
    return WoCanUnloadNow();
}

HRESULT DllRegisterServer() {
    return changeRegistry(&wo::com::registry::registerClass);
}

HRESULT DllUnregisterServer() {
    return changeRegistry(&wo::com::registry::unregisterClass);
}
