// Registering the in-process server module from the core, for installers and
// hosts that would otherwise load it by hand.
#include "platform/Error.h"
#include "platform/com/ServerState.h"
#include "platform/profile/ComponentFolder.h"
#include "wendra/Wendra_Original.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>

namespace {

// Loads the module, calls one of its registration exports and unloads it again.
HRESULT callModule(const char* modulePath, const char* exportName) {
    HRESULT answer = WO_S_OK;
    const HRESULT hr = wo::com::server::guard([&] {
        const QString path =
            modulePath
                ? QString::fromUtf8(modulePath)
                : QDir(wo::profile::componentFolder()).filePath(QStringLiteral("libWendra_Original.so"));
        if (!QFileInfo(path).isFile())
            throw wo::err::make(wo::err::FileNotFound, path);
        void* module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!module)
            throw wo::err::make(wo::err::InvalidFileFormat, QString::fromLocal8Bit(dlerror()));
        const auto change = reinterpret_cast<DllRegisterServer_t>(dlsym(module, exportName));
        if (change)
            answer = change();
        dlclose(module);
        if (!change)
            throw wo::err::make(wo::err::InvalidFileFormat,
                                QStringLiteral("%1 (%2)").arg(path, QLatin1String(exportName)));
    });
    return WO_FAILED(hr) ? hr : answer;
}

} // namespace

HRESULT WoRegisterModule(const char* modulePath) {
    return callModule(modulePath, "DllRegisterServer");
}

HRESULT WoUnregisterModule(const char* modulePath) {
    return callModule(modulePath, "DllUnregisterServer");
}
