#include "entry/ClsMain.h"

#include "entry/Application.h"
#include "entry/RunningCall.h"
#include "platform/com/ComObject.h"
#include "platform/dialogs/Dialogs.h"
#include "settings/MyInit.h"
#include "store/ClsFileOperation.h"
#include "text/TextService.h"
#include "ui/list/FrmMainList.h"

namespace wo::entry {

namespace {

QString text(const char* value) {
    return value ? QString::fromUtf8(value) : QString();
}

// With search on, the record's documents without text are read in the background
// from now on, and every add is read as it is committed.
void startTextSearch() {
    wo::text::TextService::instance().start(MyInit::record(),
                                            {!MyInit::gsTextSearch.isEmpty(), MyInit::gsTextSearch});
}

// The settings check of ShowForm; false when a message said what is missing.
bool settingsReady() {
    if (MyInit::FtpMode) {
        if (!store::ClsFileOperation::ftpHandlesReady(MyInit::storage()))
            return false;
        if (!MyInit::gsPath.isEmpty() && !MyInit::gsPath.startsWith(QLatin1Char('/')))
            MyInit::gsPath.prepend(QLatin1Char('/'));
        return true;
    }
    if (MyInit::gsPath.isEmpty()) {
        dialogs::inform(nullptr, QStringLiteral("请先配置FTP路径"), QStringLiteral("原文"));
        return false;
    }
    return true;
}

} // namespace

ClsMain::ClsMain() {
    com::server::objectCreated();
}
ClsMain::~ClsMain() {
    com::server::objectDestroyed();
}

com::ComPtr<ClsMain> ClsMain::create() {
    return com::ComPtr<ClsMain>::attach(new ClsMain);
}

HRESULT ClsMain::QueryInterface(const IID& iid, void** object) {
    if (iid == Wendra_Original::IID__ClsMain)
        return com::queryInterface<Wendra_Original::_ClsMain>(this, Wendra_Original::IID__ClsMain, iid,
                                                              object);
    return com::queryInterface<Wendra_Original::_ClsMain2>(this, Wendra_Original::IID__ClsMain2, iid, object);
}

HRESULT ClsMain::put_gsRecordID(const char* value) {
    return runCall([&] { MyInit::gsRecordID = text(value); });
}

HRESULT ClsMain::put_gsOriginalID(const char* value) {
    return runCall([&] { MyInit::gsOriginalID = text(value); });
}

HRESULT ClsMain::put_gsPath(const char* value) {
    return runCall([&] { MyInit::gsPath = text(value); });
}

HRESULT ClsMain::put_gsTextSearch(const char* value) {
    return runCall([&] { MyInit::gsTextSearch = text(value); });
}

HRESULT ClsMain::put_gsState(const char* value) {
    return runCall([&] { MyInit::gsState = text(value); });
}

HRESULT ClsMain::putref_Connection(com::IUnknown* connection) {
    HRESULT hr = WO_S_OK;
    const HRESULT guarded = runCall([&] {
        if (!connection) {
            MyInit::Connection.reset();
            return;
        }
        void* found = nullptr;
        hr = connection->QueryInterface(Wendra_Original::IID_Connection, &found);
        if (WO_SUCCEEDED(hr))
            MyInit::Connection = com::ComPtr<db::Connection>::attach(static_cast<db::Connection*>(found));
    });
    return WO_FAILED(guarded) ? guarded : hr;
}

HRESULT ClsMain::put_GetCopyRight(const char* value) {
    return runCall([&] {
        const QString kind = text(value);
        MyInit::FtpMode = kind == QLatin1String("SYSBASE") || kind == QLatin1String("SQL SERVER");
    });
}

HRESULT ClsMain::put_gsOpen(int32_t value) {
    return runCall([&] { MyInit::gsOpen = value; });
}

HRESULT ClsMain::put_gsConn(int32_t value) {
    return runCall([&] { MyInit::gsConn = value; });
}

HRESULT ClsMain::ShowForm() {
    return runCall([] {
        ensureApplication(Shows::Windows);
        if (!settingsReady())
            return;
        if (!MyInit::Connection)
            throw err::make(err::NoConnection);
        startTextSearch();
        ui::FrmMainList form;
        form.Form_Load();
        form.exec();
    });
}

HRESULT ClsMain::AddOriginalFile(int16_t* result) {
    if (!result)
        return WO_E_POINTER;
    *result = 0;
    return runCall([result] {
        ensureApplication(Shows::Dialogs);
        if (!MyInit::Connection)
            throw err::make(err::NoConnection);
        startTextSearch();
        *result = store::ClsFileOperation(MyInit::record()).AddFile() ? -1 : 0;
    });
}

HRESULT ClsMain::put_CheckDuplicates(int16_t value) {
    return runCall([&] { MyInit::CheckDuplicates = value != 0; });
}

} // namespace wo::entry
