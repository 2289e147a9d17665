#pragma once

#include "platform/com/ComPtr.h"
#include "wendra/Wendra_Original.h"

#include <QPointer>
#include <QString>

class QWidget;

namespace wo::store {

// Prints a file for whoever holds it. Printing needs an owner window, which only
// the component itself gives; a printer a host created prints nothing.
class cPrinter final : public com::RefCounted<Wendra_Original::_cPrinter> {
public:
    static com::ComPtr<cPrinter> create();

    HRESULT QueryInterface(const IID& iid, void** object) override;

    HRESULT PrintToView() override;
    HRESULT put_FileName(const char* value) override;
    HRESULT get_FileName(char** value) override;
    HRESULT PrintAnyFile(const char* FileToPrint) override;

    // The window the print dialogs and messages belong to.
    void setOwnerForm(QWidget* owner);

private:
    cPrinter();
    ~cPrinter() override;

    QString m_fileName;
    QPointer<QWidget> m_ownerForm;
};

} // namespace wo::store
