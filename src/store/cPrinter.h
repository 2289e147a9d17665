#pragma once

#include "platform/com/ComPtr.h"
#include "store/ShellPrinter.h"
#include "wendra/Wendra_Original.h"

class QWidget;

namespace wo::store {

// Prints a file for whoever holds it. The component gives it an owner window for
// its prompt; a printer a host created prompts without one.
class cPrinter final : public com::RefCounted<Wendra_Original::_cPrinter> {
public:
    static com::ComPtr<cPrinter> create();

    HRESULT QueryInterface(const IID& iid, void** object) override;

    HRESULT PrintToView() override;
    HRESULT put_FileName(const char* value) override;
    HRESULT get_FileName(char** value) override;
    HRESULT PrintAnyFile(const char* FileToPrint) override;

    // The window the print prompt belongs to.
    void setOwnerForm(QWidget* owner) { m_printer.setOwnerForm(owner); }
    QWidget* ownerForm() const { return m_printer.OwnerForm(); }

private:
    cPrinter();
    ~cPrinter() override;

    ShellPrinter m_printer;
};

} // namespace wo::store
