// The flat C interface over the component's objects, for hosts in C or any
// language with a C FFI.
#include "entry/Application.h"
#include "entry/Classes.h"
#include "platform/Error.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ServerState.h"
#include "platform/db/Connection.h"
#include "platform/db/HostStatements.h"
#include "platform/db/Recordset.h"
#include "text/TextTable.h"
#include "wendra/Wendra_Original.h"

#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace {

using wo::com::ComPtr;
using wo::com::IUnknown;

// A WoObject is the IUnknown of the object behind it.
IUnknown* unknown(WoObject* object) {
    return reinterpret_cast<IUnknown*>(object);
}
WoObject* flat(IUnknown* object) {
    return reinterpret_cast<WoObject*>(object);
}

// Calls an interface method on the object, which must answer iid.
template <typename Interface, typename F> HRESULT callOn(WoObject* object, const IID& iid, F&& call) {
    if (!object)
        return WO_E_POINTER;
    void* raw = nullptr;
    if (WO_FAILED(unknown(object)->QueryInterface(iid, &raw)))
        return WO_E_NOINTERFACE;
    const auto typed = ComPtr<Interface>::attach(static_cast<Interface*>(raw));
    return wo::com::guardedCall([&] { return call(*typed); });
}

template <typename F> HRESULT callConnection(WoObject* object, F&& call) {
    return callOn<wo::db::Connection>(object, Wendra_Original::IID_Connection, std::forward<F>(call));
}

template <typename F> HRESULT callClsMain(WoObject* object, F&& call) {
    return callOn<Wendra_Original::_ClsMain>(object, Wendra_Original::IID__ClsMain, std::forward<F>(call));
}

template <typename F> HRESULT callClsMain2(WoObject* object, F&& call) {
    return callOn<Wendra_Original::_ClsMain2>(object, Wendra_Original::IID__ClsMain2, std::forward<F>(call));
}

} // namespace

int32_t WoGetErrorInfo(char* description, size_t size) {
    if (description && size > 0) {
        description[0] = '\0';
        try {
            const QByteArray text = wo::com::server::errorDescription().toUtf8();
            const auto length = static_cast<size_t>(text.size());
            size_t n = std::min(size - 1, length);
            // Never cut a character in two: back off over UTF-8 continuation bytes.
            while (n > 0 && n < length && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
                --n;
            std::memcpy(description, text.constData(), n);
            description[n] = '\0';
        } catch (...) {
            // Out of memory: the number alone still tells the error.
        }
    }
    return wo::com::server::errorNumber();
}

HRESULT WoCreateObject(const char* progId, WoObject** object) {
    if (!object)
        return WO_E_POINTER;
    *object = nullptr;
    if (!progId)
        return WO_E_POINTER;
    const wo::entry::ComponentClass* found = wo::entry::findClass(progId);
    if (!found)
        return WO_REGDB_E_CLASSNOTREG;
    void* raw = nullptr;
    const HRESULT hr = wo::com::guardedCall([&] { return found->create(wo::com::IID_IUnknown, &raw); });
    if (WO_SUCCEEDED(hr))
        *object = flat(static_cast<IUnknown*>(raw));
    return hr;
}

uint32_t WoRelease(WoObject* object) {
    return object ? unknown(object)->Release() : 0;
}

HRESULT WoConnection_Open(const char* driver, const char* connectString, WoObject** connection) {
    if (!connection)
        return WO_E_POINTER;
    *connection = nullptr;
    if (!driver || !connectString)
        return WO_E_POINTER;
    return wo::com::server::guard([&] {
        auto opened = wo::db::Connection::open(QString::fromUtf8(driver), QString::fromUtf8(connectString));
        *connection = flat(opened.detach());
    });
}

HRESULT WoConnection_Execute(WoObject* connection, const char* statement) {
    if (!statement)
        return WO_E_POINTER;
    return callConnection(connection, [&](wo::db::Connection& c) {
        c.execute(QString::fromUtf8(statement));
        return WO_S_OK;
    });
}

HRESULT WoConnection_QueryText(WoObject* connection, const char* query, char** value) {
    if (!value)
        return WO_E_POINTER;
    *value = nullptr;
    if (!query)
        return WO_E_POINTER;
    return callConnection(connection, [&](wo::db::Connection& c) {
        QSqlQuery q = c.run(QString::fromUtf8(query));
        return wo::com::copyOut(q.next() ? q.value(0).toString() : QString(), value);
    });
}

namespace {

// A statement with the host's values, or nothing when a value pointer is missing.
std::optional<wo::db::Statement> boundStatement(const char* text, const char* const* values, size_t count) {
    if (!text || (count > 0 && !values))
        return std::nullopt;
    wo::db::Statement statement{QString::fromUtf8(text), {}};
    for (size_t i = 0; i < count; ++i)
        statement.values << (values[i] ? QVariant(QString::fromUtf8(values[i])) : QVariant());
    return statement;
}

} // namespace

HRESULT WoConnection_ExecuteWith(WoObject* connection, const char* statement, const char* const* values,
                                 size_t count) {
    const auto bound = boundStatement(statement, values, count);
    if (!bound)
        return WO_E_POINTER;
    return callConnection(connection, [&](wo::db::Connection& c) {
        c.execute(*bound);
        return WO_S_OK;
    });
}

HRESULT WoConnection_QueryTextWith(WoObject* connection, const char* query, const char* const* values,
                                   size_t count, char** value) {
    if (!value)
        return WO_E_POINTER;
    *value = nullptr;
    const auto bound = boundStatement(query, values, count);
    if (!bound)
        return WO_E_POINTER;
    return callConnection(connection, [&](wo::db::Connection& c) {
        wo::db::Recordset rows;
        rows.open(*bound, c);
        const bool some = rows.state() == wo::db::Recordset::adStateOpen && !rows.eof();
        return wo::com::copyOut(some ? rows.field(0).toString() : QString(), value);
    });
}

HRESULT WoConnection_ExecuteScript(WoObject* connection, const char* script, int32_t* executed) {
    int32_t ran = 0;
    const HRESULT hr = !script ? WO_E_POINTER : callConnection(connection, [&](wo::db::Connection& c) {
        wo::db::executeScript(c, QString::fromUtf8(script), ran);
        return WO_S_OK;
    });
    if (executed)
        *executed = ran;
    return hr;
}

HRESULT WoConnection_QueryJson(WoObject* connection, const char* query, const char* const* values,
                               size_t count, char** json) {
    if (!json)
        return WO_E_POINTER;
    *json = nullptr;
    const auto bound = boundStatement(query, values, count);
    if (!bound)
        return WO_E_POINTER;
    return callConnection(connection, [&](wo::db::Connection& c) {
        return wo::com::copyOut(QString::fromUtf8(wo::db::queryJson(c, *bound)), json);
    });
}

HRESULT WoSearchDocuments(WoObject* connection, const char* text, const char* recordId, char** json) {
    if (!json)
        return WO_E_POINTER;
    *json = nullptr;
    if (!text)
        return WO_E_POINTER;
    return callConnection(connection, [&](wo::db::Connection& c) {
        // Our own connection: a failed statement of ours never ends a transaction of the host's.
        const auto own = wo::db::Connection::openCopy(c);
        wo::text::TextTable table(*own);
        if (!table.exists())
            throw wo::err::make(wo::err::SearchUnavailable);
        const std::optional<QString> record =
            recordId ? std::optional<QString>(QString::fromUtf8(recordId)) : std::nullopt;
        return wo::com::copyOut(
            QString::fromUtf8(wo::text::hitsJson(table.search(QString::fromUtf8(text), record))), json);
    });
}

HRESULT WoClsMain_put_gsRecordID(WoObject* clsMain, const char* value) {
    return callClsMain(clsMain, [&](Wendra_Original::_ClsMain& m) { return m.put_gsRecordID(value); });
}

HRESULT WoClsMain_put_gsOriginalID(WoObject* clsMain, const char* value) {
    return callClsMain(clsMain, [&](Wendra_Original::_ClsMain& m) { return m.put_gsOriginalID(value); });
}

HRESULT WoClsMain_put_gsPath(WoObject* clsMain, const char* value) {
    return callClsMain(clsMain, [&](Wendra_Original::_ClsMain& m) { return m.put_gsPath(value); });
}

HRESULT WoClsMain_put_gsState(WoObject* clsMain, const char* value) {
    return callClsMain(clsMain, [&](Wendra_Original::_ClsMain& m) { return m.put_gsState(value); });
}

HRESULT WoClsMain_putref_Connection(WoObject* clsMain, WoObject* connection) {
    return callClsMain(
        clsMain, [&](Wendra_Original::_ClsMain& m) { return m.putref_Connection(unknown(connection)); });
}

HRESULT WoClsMain_put_GetCopyRight(WoObject* clsMain, const char* value) {
    return callClsMain(clsMain, [&](Wendra_Original::_ClsMain& m) { return m.put_GetCopyRight(value); });
}

HRESULT WoClsMain_put_gsOpen(WoObject* clsMain, int32_t value) {
    return callClsMain(clsMain, [&](Wendra_Original::_ClsMain& m) { return m.put_gsOpen(value); });
}

HRESULT WoClsMain_put_gsTextSearch(WoObject* clsMain, const char* value) {
    return callClsMain2(clsMain, [&](Wendra_Original::_ClsMain2& m) { return m.put_gsTextSearch(value); });
}

HRESULT WoClsMain_put_gsConn(WoObject* clsMain, int32_t value) {
    return callClsMain(clsMain, [&](Wendra_Original::_ClsMain& m) { return m.put_gsConn(value); });
}

HRESULT WoClsMain_ShowForm(WoObject* clsMain) {
    return callClsMain(clsMain, [](Wendra_Original::_ClsMain& m) { return m.ShowForm(); });
}

HRESULT WoClsMain_AddOriginalFile(WoObject* clsMain, int16_t* result) {
    return callClsMain(clsMain, [&](Wendra_Original::_ClsMain& m) { return m.AddOriginalFile(result); });
}

HRESULT WoClsMain_put_CheckDuplicates(WoObject* clsMain, int16_t value) {
    return callClsMain2(clsMain, [&](Wendra_Original::_ClsMain2& m) { return m.put_CheckDuplicates(value); });
}

template <typename F> HRESULT callPrinter(WoObject* object, F&& call) {
    return callOn<Wendra_Original::_cPrinter>(object, Wendra_Original::IID__cPrinter, std::forward<F>(call));
}

HRESULT WocPrinter_put_FileName(WoObject* printer, const char* value) {
    return callPrinter(printer, [&](Wendra_Original::_cPrinter& p) { return p.put_FileName(value); });
}

HRESULT WocPrinter_get_FileName(WoObject* printer, char** value) {
    return callPrinter(printer, [&](Wendra_Original::_cPrinter& p) { return p.get_FileName(value); });
}

HRESULT WocPrinter_PrintToView(WoObject* printer) {
    return callPrinter(printer, [](Wendra_Original::_cPrinter& p) { return p.PrintToView(); });
}

HRESULT WocPrinter_PrintAnyFile(WoObject* printer, const char* fileToPrint) {
    return callPrinter(printer, [&](Wendra_Original::_cPrinter& p) { return p.PrintAnyFile(fileToPrint); });
}

void WoShutdown() {
    wo::entry::shutdown();
}

HRESULT WoGetClassObject(const CLSID* clsid, const IID* iid, void** object) {
    if (!object)
        return WO_E_POINTER;
    *object = nullptr;
    if (!clsid || !iid)
        return WO_E_POINTER;
    const wo::entry::ComponentClass* found = wo::entry::findClass(*clsid);
    if (!found)
        return WO_CLASS_E_CLASSNOTAVAILABLE;
    return wo::com::guardedCall(
        [&] { return wo::com::ClassFactory::create(found->create)->QueryInterface(*iid, object); });
}

HRESULT WoCanUnloadNow() {
    return wo::com::server::canUnload() ? WO_S_OK : WO_S_FALSE;
}
