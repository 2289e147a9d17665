#pragma once

#include "platform/com/ServerState.h"
#include "wendra/com.h"

#include <QString>
#include <cstdlib>
#include <cstring>

// What every object of the component needs where a call enters it.
namespace wo::com {

// Runs a body that returns an HRESULT so that no exception leaves it: an exception
// becomes WO_DISP_E_EXCEPTION with its error info.
template <typename F> HRESULT guardedCall(F&& body) noexcept {
    HRESULT result = WO_E_FAIL;
    const HRESULT guarded = server::guard([&] { result = body(); });
    return guarded == WO_S_OK ? result : guarded;
}

// QueryInterface of an object that answers IUnknown and its one interface.
template <typename Interface>
HRESULT queryInterface(Interface* self, const IID& own, const IID& iid, void** object) {
    if (!object)
        return WO_E_POINTER;
    if (iid == IID_IUnknown || iid == own) {
        self->AddRef();
        *object = self;
        return WO_S_OK;
    }
    *object = nullptr;
    return WO_E_NOINTERFACE;
}

// Hands text out as a zero-terminated UTF-8 copy allocated with malloc, which the
// caller frees.
inline HRESULT copyOut(const QString& text, char** value) {
    const QByteArray bytes = text.toUtf8();
    const size_t size = static_cast<size_t>(bytes.size()) + 1;
    auto* copy = static_cast<char*>(std::malloc(size));
    if (!copy)
        return WO_E_OUTOFMEMORY;
    std::memcpy(copy, bytes.constData(), size);
    *value = copy;
    return WO_S_OK;
}

} // namespace wo::com
