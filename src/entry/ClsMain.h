#pragma once

#include "platform/com/ComPtr.h"
#include "wendra/Wendra_Original.h"
#include "wo_internal_export.h"

namespace wo::entry {

// The host's door into the document management. Holds no state: every property
// writes the process-wide host settings (MyInit). Answers both _ClsMain and _ClsMain2.
class WO_INTERNAL ClsMain final : public com::RefCounted<Wendra_Original::_ClsMain2> {
public:
    static com::ComPtr<ClsMain> create();

    HRESULT QueryInterface(const IID& iid, void** object) override;

    HRESULT put_gsRecordID(const char* value) override;
    HRESULT put_gsOriginalID(const char* value) override;
    HRESULT put_gsPath(const char* value) override;
    HRESULT put_gsState(const char* value) override;
    HRESULT putref_Connection(com::IUnknown* connection) override;
    HRESULT put_GetCopyRight(const char* value) override;
    HRESULT put_gsOpen(int32_t value) override;
    HRESULT put_gsConn(int32_t value) override;
    HRESULT ShowForm() override;
    HRESULT AddOriginalFile(int16_t* result) override;
    HRESULT put_CheckDuplicates(int16_t value) override;
    HRESULT put_gsTextSearch(const char* value) override;

private:
    ClsMain();
    ~ClsMain() override;
};

} // namespace wo::entry
