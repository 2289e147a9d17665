#include "wendra/comhost.h"

#include "platform/com/ComPtr.h"

#include <QFile>
#include <dlfcn.h>
#include <map>
#include <mutex>

namespace wo::com {

namespace {

using GetClassObjectFn = HRESULT (*)(const CLSID*, const IID*, void**);
using CanUnloadNowFn = HRESULT (*)();

struct Library {
    void* handle;
    GetClassObjectFn getClassObject;
    CanUnloadNowFn canUnloadNow; // null: the library never asks to be unloaded
};

// dlopen handles are per process, so the table of loaded libraries is too.
struct Libraries {
    std::mutex mutex;
    std::map<QString, Library> loaded;
};

Libraries& libraries() {
    static Libraries instance;
    return instance;
}

thread_local QString t_lastError;

HRESULT fail(HRESULT hr, const QString& why) {
    t_lastError = why;
    return hr;
}

QString hex(HRESULT hr) {
    return QStringLiteral("0x%1").arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0'));
}

QString dlerrorText() {
    const char* text = dlerror();
    return text ? QString::fromLocal8Bit(text) : QString();
}

template <typename Fn> Fn symbol(void* handle, const char* name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

// The class object of clsid from library, loading the library on first use. The
// lock stays held through DllGetClassObject so no other thread unloads the library
// meanwhile.
HRESULT classFactory(const QString& library, const CLSID& clsid, ComPtr<IClassFactory>& factory) {
    Libraries& libs = libraries();
    const std::lock_guard lock(libs.mutex);
    auto it = libs.loaded.find(library);
    if (it == libs.loaded.end()) {
        void* handle = dlopen(QFile::encodeName(library).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return fail(ComHost::ModuleNotFound, dlerrorText());
        const auto getClassObject = symbol<GetClassObjectFn>(handle, "DllGetClassObject");
        if (!getClassObject) {
            const QString why = dlerrorText();
            dlclose(handle);
            return fail(WO_E_FAIL, why);
        }
        const auto canUnloadNow = symbol<CanUnloadNowFn>(handle, "DllCanUnloadNow");
        it = libs.loaded.emplace(library, Library{handle, getClassObject, canUnloadNow}).first;
    }
    void* raw = nullptr;
    const HRESULT hr = it->second.getClassObject(&clsid, &IID_IClassFactory, &raw);
    if (WO_FAILED(hr))
        return fail(hr, QStringLiteral("%1 has no class object for the class (%2)").arg(library, hex(hr)));
    factory = ComPtr<IClassFactory>::attach(static_cast<IClassFactory*>(raw));
    return hr;
}

} // namespace

HRESULT ComHost::createObject(const QString& progId, const IID& iid, void** object) {
    if (!object)
        return fail(WO_E_POINTER, QStringLiteral("no place for the object"));
    *object = nullptr;
    const std::optional<registry::ClassEntry> entry = registry::lookup(progId);
    if (!entry)
        return fail(WO_REGDB_E_CLASSNOTREG,
                    QStringLiteral("%1 is not registered in %2").arg(progId, registry::filePath()));
    ComPtr<IClassFactory> factory;
    HRESULT hr = classFactory(entry->library, entry->clsid, factory);
    if (WO_FAILED(hr))
        return hr;
    hr = factory->CreateInstance(nullptr, iid, object);
    if (WO_FAILED(hr))
        return fail(hr, QStringLiteral("%1 could not be created (%2)").arg(progId, hex(hr)));
    return hr;
}

QString ComHost::lastError() {
    return t_lastError;
}

int ComHost::freeUnusedLibraries() {
    Libraries& libs = libraries();
    const std::lock_guard lock(libs.mutex);
    int freed = 0;
    for (auto it = libs.loaded.begin(); it != libs.loaded.end();) {
        if (it->second.canUnloadNow && it->second.canUnloadNow() == WO_S_OK) {
            dlclose(it->second.handle);
            it = libs.loaded.erase(it);
            ++freed;
        } else {
            ++it;
        }
    }
    return freed;
}

} // namespace wo::com
