#include "TestDatabase.h"
#include "dialogs/ScriptedDialogs.h"
#include "entry/ClsMain.h"
#include "platform/com/ServerState.h"
#include "settings/MyInit.h"
#include "ui/list/FrmMainList.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <optional>
#include <wendra/dialogs_scripted.h>

using namespace wo;
using entry::ClsMain;

namespace {

// Closes the list window through CmdExit as soon as it shows; tells whether it did.
class WindowWatcher {
public:
    WindowWatcher() {
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* w = qobject_cast<ui::FrmMainList*>(top);
                if (w && w->isVisible()) {
                    shown = true;
                    rows = w->LVOrder->model()->rowCount();
                    w->CmdExit->click();
                }
            }
        });
        m_poll.start(5);
    }
    bool shown = false;
    int rows = -1;

private:
    QTimer m_poll;
};

} // namespace

class TestClsMain : public QObject {
    Q_OBJECT
private slots:
    void init() { MyInit::reset(); }
    void cleanup() { MyInit::reset(); }
    void exitWhileHoldingConnection();
    void getCopyRight_data();
    void getCopyRight();
    void settingsAreProcessWide();
    void connectionIsKeptByReference();
    void showFormChecks_data();
    void showFormChecks();
    void showFormReportsLoadErrorToHost();
    void hostWithoutWindows_data();
    void hostWithoutWindows();
};

void TestClsMain::getCopyRight_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ftp");
    QTest::newRow("SQL SERVER") << QByteArray("SQL SERVER") << true;
    QTest::newRow("SYSBASE") << QByteArray("SYSBASE") << true;
    QTest::newRow("lower case") << QByteArray("sql server") << false;
    QTest::newRow("mixed case") << QByteArray("Sysbase") << false;
    QTest::newRow("leading blank") << QByteArray(" SYSBASE") << false;
    QTest::newRow("trailing blank") << QByteArray("SQL SERVER ") << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("other") << QByteArray("ORACLE") << false;
}

void TestClsMain::getCopyRight() {
    QFETCH(QByteArray, text);
    QFETCH(bool, ftp);
    auto main = ClsMain::create();
    MyInit::FtpMode = !ftp;
    QCOMPARE(main->put_GetCopyRight(text.constData()), WO_S_OK);
    QCOMPARE(MyInit::FtpMode, ftp);
}

void TestClsMain::settingsAreProcessWide() {
    auto one = ClsMain::create();
    auto two = ClsMain::create();
    const long live = com::server::liveObjects();
    one->put_gsRecordID("记录'1");
    two->put_gsPath("/srv/docs");
    one->put_gsState("FindModel");
    two->put_gsOriginalID("20261208101010123456");
    one->put_gsOpen(7);
    two->put_gsConn(9);
    QCOMPARE(MyInit::gsRecordID, QStringLiteral("记录'1"));
    QCOMPARE(MyInit::gsPath, QStringLiteral("/srv/docs"));
    QVERIFY(MyInit::browseOnly());
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("20261208101010123456"));
    QCOMPARE(MyInit::gsOpen, 7);
    QCOMPARE(MyInit::gsConn, 9);
    two.reset();
    QCOMPARE(com::server::liveObjects(), live - 1);
    // Settings outlive the instance that wrote them.
    QCOMPARE(MyInit::gsConn, 9);
}

void TestClsMain::connectionIsKeptByReference() {
    auto main = ClsMain::create();
    {
        test::TestDatabase db;
        auto connection = db.connectionPtr();
        QCOMPARE(main->putref_Connection(connection.get()), WO_S_OK);
        QCOMPARE(MyInit::Connection.get(), connection.get());
        auto other = ClsMain::create();
        QCOMPARE(main->putref_Connection(other.get()), WO_E_NOINTERFACE);
        QCOMPARE(MyInit::Connection.get(), connection.get());
    }
    // The host let go of its own reference; the component's keeps the object alive.
    QVERIFY(MyInit::Connection);
    QCOMPARE(MyInit::Connection->AddRef(), 2u);
    MyInit::Connection->Release();
    QCOMPARE(main->putref_Connection(nullptr), WO_S_OK);
    QVERIFY(!MyInit::Connection);
}

void TestClsMain::showFormChecks_data() {
    QTest::addColumn<QByteArray>("copyRight");
    QTest::addColumn<int>("open");
    QTest::addColumn<int>("conn");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("pathAfter");
    const QString ftpMissing = QStringLiteral("请配置FTP路径");
    QTest::newRow("ftp no connection handle")
        << QByteArray("SQL SERVER") << 1 << 0 << QByteArray("docs") << ftpMissing << QStringLiteral("docs");
    QTest::newRow("ftp no session handle")
        << QByteArray("SYSBASE") << 0 << 5 << QByteArray("docs") << ftpMissing << QStringLiteral("docs");
    QTest::newRow("ftp relative root gets slash")
        << QByteArray("SQL SERVER") << 1 << 2 << QByteArray("docs/2006") << QString()
        << QStringLiteral("/docs/2006");
    QTest::newRow("ftp absolute root kept")
        << QByteArray("SQL SERVER") << 1 << 2 << QByteArray("/docs") << QString() << QStringLiteral("/docs");
    QTest::newRow("ftp empty root opens")
        << QByteArray("SQL SERVER") << 1 << 2 << QByteArray("") << QString() << QString();
    QTest::newRow("folder empty root")
        << QByteArray("") << 0 << 0 << QByteArray("") << QStringLiteral("请先配置FTP路径") << QString();
    QTest::newRow("folder root not checked") << QByteArray("") << 0 << 0 << QByteArray("/no/such/folder")
                                             << QString() << QStringLiteral("/no/such/folder");
}

void TestClsMain::showFormChecks() {
    QFETCH(QByteArray, copyRight);
    QFETCH(int, open);
    QFETCH(int, conn);
    QFETCH(QByteArray, path);
    QFETCH(QString, message);
    test::TestDatabase db;
    db.createDocumentTable();
    db.insertRow(QStringLiteral("a"), QStringLiteral("a.pdf"), QStringLiteral(".PDF"), QStringLiteral("R"), 1,
                 QStringLiteral("/x"));
    dialogs::ScriptedDialogsScope dialogs;
    auto main = ClsMain::create();
    main->putref_Connection(db.connectionPtr().get());
    main->put_gsRecordID("R");
    main->put_GetCopyRight(copyRight.constData());
    main->put_gsOpen(open);
    main->put_gsConn(conn);
    main->put_gsPath(path.constData());
    WindowWatcher watcher;
    QCOMPARE(main->ShowForm(), WO_S_OK);
    QTEST(MyInit::gsPath, "pathAfter");
    if (message.isEmpty()) {
        QVERIFY(watcher.shown);
        QCOMPARE(watcher.rows, 1);
        // The checks said nothing; only the preview's fetch of the missing file may have.
        for (const auto& call : dialogs->calls())
            QVERIFY2(call.text.startsWith(QStringLiteral("在找不到")) ||
                         call.text.startsWith(QStringLiteral("在FTP服务器上找不到")),
                     qPrintable(call.text));
        // The prefix stays for later calls and is not added twice.
        QCOMPARE(main->ShowForm(), WO_S_OK);
        QTEST(MyInit::gsPath, "pathAfter");
    } else {
        QVERIFY(!watcher.shown);
        QCOMPARE(dialogs->calls().size(), 1);
        const auto& box = dialogs->calls().first();
        QCOMPARE(box.text, message);
        QCOMPARE(box.title, QStringLiteral("原文"));
        QCOMPARE(box.icon, dialogs::Icon::Information);
        QCOMPARE(box.buttons, dialogs::Buttons::OK);
    }
}

void TestClsMain::showFormReportsLoadErrorToHost() {
    test::TestDatabase db; // no Original_Text table
    dialogs::ScriptedDialogsScope dialogs;
    auto main = ClsMain::create();
    main->put_gsPath("/store");
    QCOMPARE(main->ShowForm(), WO_DISP_E_EXCEPTION); // no connection handed over
    QCOMPARE(com::server::errorNumber(), 3709);
    main->putref_Connection(db.connectionPtr().get());
    WindowWatcher watcher;
    QCOMPARE(main->ShowForm(), WO_DISP_E_EXCEPTION);
    QVERIFY(!watcher.shown);
    QVERIFY(com::server::errorNumber() != 0);
    QVERIFY2(com::server::errorDescription().contains(QStringLiteral("original_text"), Qt::CaseInsensitive),
             qPrintable(com::server::errorDescription()));
}

// A host that exits while the component still holds its connection.
int exitHoldingConnection(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    auto connection = db::Connection::open(
        QStringLiteral("QSQLITE"), QStringLiteral("Database=") + dir.filePath(QStringLiteral("host.db")));
    auto main = ClsMain::create();
    main->putref_Connection(connection.get());
    return 0;
}

void TestClsMain::exitWhileHoldingConnection() {
    QProcess host;
    host.setProcessEnvironment([] {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WO_EXIT_HOLDING_CONNECTION"), QStringLiteral("1"));
        return env;
    }());
    host.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(host.waitForFinished(30000));
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    QCOMPARE(host.exitCode(), 0);
}

// A host as WO_HOST_WITHOUT_WINDOWS says: "none" has no application object, "core"
// a QCoreApplication. It calls what may show windows through the C functions and
// prints one line per call: name, HRESULT, error number, then whether an
// application object exists and whether it can show widgets.
int hostWithoutWindows(int argc, char** argv) {
    std::optional<QCoreApplication> app;
    const bool core = qEnvironmentVariable("WO_HOST_WITHOUT_WINDOWS") == QLatin1String("core");
    if (core)
        app.emplace(argc, argv);
    QTemporaryDir dir;
    WoObject* connection = nullptr;
    WoObject* main = nullptr;
    WoObject* printer = nullptr;
    const QByteArray database = "Database=" + dir.filePath(QStringLiteral("host.db")).toUtf8();
    if (WoConnection_Open("QSQLITE", database.constData(), &connection) != WO_S_OK ||
        WoCreateObject(WO_PROGID_CLSMAIN, &main) != WO_S_OK ||
        WoCreateObject(WO_PROGID_CPRINTER, &printer) != WO_S_OK)
        return 2;
    WoClsMain_putref_Connection(main, connection);
    WoClsMain_put_gsPath(main, dir.path().toUtf8().constData());
    const QByteArray file = dir.filePath(QStringLiteral("a.unknown-type")).toUtf8();
    QFile(QString::fromUtf8(file)).open(QIODevice::WriteOnly);
    // The QCoreApplication host keeps the Qt dialogs, which need widgets; the others
    // answer the prompt for a file without a print route.
    if (!core) {
        WoScriptedDialogs_Begin();
        WoScriptedDialogs_QueueAnswer(WO_ANSWER_NO);
    }
    const auto report = [](const char* name, HRESULT hr) {
        std::printf("%s %d %d\n", name, int(hr), WO_FAILED(hr) ? int(WoGetErrorInfo(nullptr, 0)) : 0);
    };
    int16_t added = 0;
    report("ShowForm", WoClsMain_ShowForm(main));
    report("AddOriginalFile", WoClsMain_AddOriginalFile(main, &added));
    report("PrintAnyFile", WocPrinter_PrintAnyFile(printer, file.constData()));
    std::printf("application %d %d\n", QCoreApplication::instance() != nullptr,
                qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr);
    WoClsMain_putref_Connection(main, nullptr);
    WoRelease(printer);
    WoRelease(main);
    WoRelease(connection);
    return 0;
}

// Hosts that cannot show windows get the component's error, never an abort. With a
// display, the printer object creates the application object it needs, as ClsMain does.
void TestClsMain::hostWithoutWindows_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QStringList>("expected");
    // "HRESULT number" of ShowForm, AddOriginalFile and PrintAnyFile, then the application line.
    const auto lines = [](const QString& show, const QString& add, const QString& print, const char* app) {
        return QStringList{QStringLiteral("ShowForm ") + show, QStringLiteral("AddOriginalFile ") + add,
                           QStringLiteral("PrintAnyFile ") + print, QLatin1String(app)};
    };
    const auto failed = [](int number) {
        return QStringLiteral("%1 %2").arg(WO_DISP_E_EXCEPTION).arg(number);
    };
    const QString noDisplay = failed(err::NoDisplay);
    const QString noWidgets = failed(err::NoWidgetApplication);
    const QString ok = QStringLiteral("0 0");
    // No X server listens on this display.
    const QString silent = QStringLiteral(":7031");
    QTest::newRow("no display, no application") << QStringLiteral("none") << QString() << QString()
                                                << lines(noDisplay, noDisplay, noDisplay, "application 0 0");
    QTest::newRow("xcb named, no display") << QStringLiteral("none") << QStringLiteral("xcb") << QString()
                                           << lines(noDisplay, noDisplay, noDisplay, "application 0 0");
    QTest::newRow("a display nobody answers") << QStringLiteral("none") << QString() << silent
                                              << lines(noDisplay, noDisplay, noDisplay, "application 0 0");
    QTest::newRow("xcb named, a display nobody answers")
        << QStringLiteral("none") << QStringLiteral("xcb") << silent
        << lines(noDisplay, noDisplay, noDisplay, "application 0 0");
    QTest::newRow("QCoreApplication host")
        << QStringLiteral("core") << QStringLiteral("offscreen") << QString()
        << lines(noWidgets, noWidgets, noWidgets, "application 1 0");
    // ShowForm's list window finds no table (SQLite's error 1); the printer's prompt is
    // answered No.
    QTest::newRow("display, no application") << QStringLiteral("none") << QStringLiteral("offscreen")
                                             << QString() << lines(failed(1), ok, ok, "application 1 1");
}

void TestClsMain::hostWithoutWindows() {
    QFETCH(QString, kind);
    QFETCH(QString, platform);
    QFETCH(QString, display);
    QFETCH(QStringList, expected);
    QProcess host;
    auto env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(QLatin1String(name));
    if (!platform.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("WO_HOST_WITHOUT_WINDOWS"), kind);
    host.setProcessEnvironment(env);
    host.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(host.waitForFinished(30000));
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    QCOMPARE(host.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(host.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts), expected);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet("WO_EXIT_HOLDING_CONNECTION"))
        return exitHoldingConnection(argc, argv);
    if (qEnvironmentVariableIsSet("WO_HOST_WITHOUT_WINDOWS"))
        return hostWithoutWindows(argc, argv);
    QApplication app(argc, argv);
    TestClsMain test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_clsmain.moc"
