#include "platform/com/ClassFactory.h"

#include "platform/com/ComObject.h"
#include "platform/com/ServerState.h"

namespace wo::com {

ClassFactory::ClassFactory(Creator creator) : m_creator(creator) {
    server::objectCreated();
}
ClassFactory::~ClassFactory() {
    server::objectDestroyed();
}

ComPtr<ClassFactory> ClassFactory::create(Creator creator) {
    return ComPtr<ClassFactory>::attach(new ClassFactory(creator));
}

HRESULT ClassFactory::QueryInterface(const IID& iid, void** object) {
    return queryInterface<IClassFactory>(this, IID_IClassFactory, iid, object);
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, const IID& iid, void** object) {
    if (!object)
        return WO_E_POINTER;
    *object = nullptr;
    if (outer)
        return WO_CLASS_E_NOAGGREGATION;
    return guardedCall([&] { return m_creator(iid, object); });
}

HRESULT ClassFactory::LockServer(int32_t lock) {
    server::lock(lock != 0);
    return WO_S_OK;
}

} // namespace wo::com
