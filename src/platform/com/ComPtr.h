#pragma once

#include "wendra/com.h"

#include <atomic>
#include <utility>

namespace wo::com {

// Owning smart pointer for a reference-counted interface: AddRef on copy,
// Release on destruction.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : m_p(p) { // NOLINT: implicit like a raw interface pointer
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.m_p) {}
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~ComPtr() { reset(); }
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(m_p, o.m_p);
        return *this;
    }

    // Takes over a reference the caller already owns (an out parameter's).
    static ComPtr attach(T* p) {
        ComPtr r;
        r.m_p = p;
        return r;
    }
    T* detach() { return std::exchange(m_p, nullptr); }
    void reset() {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

// Reference count of an object implementing one interface; thread-safe as COM requires.
template <typename Interface> class RefCounted : public Interface {
public:
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override {
        const uint32_t left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    RefCounted() = default;
    virtual ~RefCounted() = default;

private:
    std::atomic<uint32_t> m_refs{1};
};

} // namespace wo::com
