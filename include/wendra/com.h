/* Reference-counted interfaces, class factories and result codes: the object
 * model the component's public classes follow. Usable from C and C++. */
#ifndef WENDRA_COM_H
#define WENDRA_COM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t HRESULT;

typedef struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;

typedef GUID CLSID;
typedef GUID IID;

/* Result codes keep C's cast in C and use a C++ cast in C++. */
#ifdef __cplusplus
#define WO_HRESULT(value) static_cast<HRESULT>(value)
#else
#define WO_HRESULT(value) ((HRESULT)(value))
#endif

#define WO_S_OK WO_HRESULT(0)
#define WO_S_FALSE WO_HRESULT(1)
#define WO_E_NOTIMPL WO_HRESULT(0x80004001)
#define WO_E_NOINTERFACE WO_HRESULT(0x80004002)
#define WO_E_POINTER WO_HRESULT(0x80004003)
#define WO_E_FAIL WO_HRESULT(0x80004005)
#define WO_E_INVALIDARG WO_HRESULT(0x80070057)
#define WO_E_OUTOFMEMORY WO_HRESULT(0x8007000E)
#define WO_CLASS_E_NOAGGREGATION WO_HRESULT(0x80040110)
#define WO_CLASS_E_CLASSNOTAVAILABLE WO_HRESULT(0x80040111)
#define WO_REGDB_E_CLASSNOTREG WO_HRESULT(0x80040154)
#define WO_SELFREG_E_CLASS WO_HRESULT(0x80040201)
/* A method failed with an error whose number and description WoGetErrorInfo gives. */
#define WO_DISP_E_EXCEPTION WO_HRESULT(0x80020009)

#define WO_SUCCEEDED(hr) (WO_HRESULT(hr) >= 0)
#define WO_FAILED(hr) (WO_HRESULT(hr) < 0)

#ifdef __cplusplus
}

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

namespace wo::com {

inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IUnknown {
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
    virtual HRESULT LockServer(int32_t lock) = 0;

protected:
    ~IClassFactory() = default;
};

} // namespace wo::com
#endif

#endif
