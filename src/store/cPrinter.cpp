#include "store/cPrinter.h"

#include "platform/com/ComObject.h"
#include "platform/com/ServerState.h"

#include <QWidget>
#include <cstdlib>
#include <cstring>

namespace wo::store {

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
    return com::guardedCall([this] { return PrintAnyFile(m_fileName.toUtf8().constData()); });
}

HRESULT cPrinter::put_FileName(const char* value) {
    return com::server::guard([&] { m_fileName = QString::fromUtf8(value); });
}

HRESULT cPrinter::get_FileName(char** value) {
    if (!value)
        return WO_E_POINTER;
    *value = nullptr;
    return com::guardedCall([&] {
        const QByteArray text = m_fileName.toUtf8();
        const size_t size = static_cast<size_t>(text.size()) + 1;
        auto* copy = static_cast<char*>(std::malloc(size));
        if (!copy)
            return WO_E_OUTOFMEMORY;
        std::memcpy(copy, text.constData(), size);
        *value = copy;
        return WO_S_OK;
    });
}

HRESULT cPrinter::PrintAnyFile([[maybe_unused]] const char* FileToPrint) {
    // Without an owner window printing takes its error path, which only cancels a
    // print job the component opened itself; a host's printer has none to cancel.
    if (!m_ownerForm)
        return WO_S_OK;
    // The print route through the owner window goes here.
    return WO_S_OK;
}

void cPrinter::setOwnerForm(QWidget* owner) {
    m_ownerForm = owner;
}

} // namespace wo::store
