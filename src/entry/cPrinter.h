#pragma once

#include "platform/com/ComPtr.h"
#include "store/ShellPrinter.h"
#include "wendra/Wendra_Original.h"
#include "wo_internal_export.h"

namespace wo::entry {

// Prints a file for whoever holds it; its prompt shows without an owner window.
// Like ClsMain it creates the application object a host without one lacks.
class WO_INTERNAL cPrinter final : public com::RefCounted<Wendra_Original::_cPrinter> {
public:
    static com::ComPtr<cPrinter> create();

    HRESULT QueryInterface(const IID& iid, void** object) override;

    HRESULT PrintToView() override;
    HRESULT put_FileName(const char* value) override;
    HRESULT get_FileName(char** value) override;
    HRESULT PrintAnyFile(const char* FileToPrint) override;

private:
    cPrinter();
    ~cPrinter() override;

    store::ShellPrinter m_printer;
};

} // namespace wo::entry
