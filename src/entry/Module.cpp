// The in-process server: the four exports a host finds with dlsym. The flat C
// interface lives in the core library, which this module loads.
#include "entry/Classes.h"
#include "platform/com/ComObject.h"
#include "platform/com/Registry.h"
#include "platform/com/ServerState.h"
#include "wendra/Wendra_Original.h"

#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>

namespace {

// The file the host loaded this module from, as the registry records it.
QString modulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&modulePath), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QFile::decodeName(info.dli_fname)).canonicalFilePath();
}

using RegistryChange = bool (*)(const QString& progId, const CLSID& clsid, const QString& library);

HRESULT changeRegistry(RegistryChange change) {
    return wo::com::guardedCall([change] {
        const QString library = modulePath();
        if (library.isEmpty())
            return WO_SELFREG_E_CLASS;
        for (const wo::entry::ComponentClass* c = wo::entry::begin(); c != wo::entry::end(); ++c)
            if (!change(QString::fromUtf8(c->progId), c->clsid, library))
                return WO_SELFREG_E_CLASS;
        return WO_S_OK;
    });
}

} // namespace

HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
    if (!object)
        return WO_E_POINTER;
    *object = nullptr;
    if (!clsid || !iid)
        return WO_E_POINTER;
    const wo::entry::ComponentClass* found = wo::entry::findClass(*clsid);
    if (!found)
        return WO_CLASS_E_CLASSNOTAVAILABLE;
    return wo::com::guardedCall(
        [&] { return wo::com::ClassFactory::create(found->create)->QueryInterface(*iid, object); });
}

HRESULT DllCanUnloadNow() {
    return wo::com::server::canUnload() ? WO_S_OK : WO_S_FALSE;
}

HRESULT DllRegisterServer() {
    return changeRegistry(&wo::com::registry::registerClass);
}

HRESULT DllUnregisterServer() {
    return changeRegistry(&wo::com::registry::unregisterClass);
}
