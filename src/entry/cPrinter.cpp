#include "entry/cPrinter.h"

#include "entry/Application.h"
#include "entry/RunningCall.h"
#include "platform/com/ComObject.h"
#include "platform/com/ServerState.h"

namespace wo::entry {

cPrinter::cPrinter() {
    com::server::objectCreated();
}
cPrinter::~cPrinter() {
    com::server::objectDestroyed();
}

com::ComPtr<cPrinter> cPrinter::create() {
    return com::ComPtr<cPrinter>::attach(new cPrinter);
}

HRESULT cPrinter::QueryInterface(const IID& iid, void** object) {
    return com::queryInterface<Wendra_Original::_cPrinter>(this, Wendra_Original::IID__cPrinter, iid, object);
}

HRESULT cPrinter::PrintToView() {
    return runCall([this] {
        ensureApplication(Shows::Printing);
        m_printer.PrintToView();
    });
}

HRESULT cPrinter::put_FileName(const char* value) {
    return runCall([&] { m_printer.setFileName(QString::fromUtf8(value)); });
}

HRESULT cPrinter::get_FileName(char** value) {
    if (!value)
        return WO_E_POINTER;
    *value = nullptr;
    return com::guardedCall([&] { return com::copyOut(m_printer.FileName(), value); });
}

// Whether the file was handed over does not concern the caller, which goes on
// with its next file either way.
HRESULT cPrinter::PrintAnyFile(const char* FileToPrint) {
    return runCall([&] {
        ensureApplication(Shows::Printing);
        m_printer.PrintAnyFile(QString::fromUtf8(FileToPrint));
    });
}

} // namespace wo::entry
