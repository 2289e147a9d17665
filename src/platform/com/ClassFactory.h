#pragma once

#include "platform/com/ComPtr.h"

namespace wo::com {

// Makes a new object and hands out its iid interface, as CreateInstance does.
using Creator = HRESULT (*)(const IID& iid, void** object);

// The class object DllGetClassObject hands out. It counts as a live object, so the
// module stays loaded while a host holds one.
class ClassFactory final : public RefCounted<IClassFactory> {
public:
    static ComPtr<ClassFactory> create(Creator creator);

    HRESULT QueryInterface(const IID& iid, void** object) override;
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override;
    HRESULT LockServer(int32_t lock) override;

private:
    explicit ClassFactory(Creator creator);
    ~ClassFactory() override;

    Creator m_creator;
};

} // namespace wo::com
