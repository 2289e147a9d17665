#include "dialogs/ScriptedDialogs.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ServerState.h"
#include "settings/MyInit.h"
#include "wendra/Wendra_Original.h"
#include "wendra/comhost.h"
#include "wendra/dialogs_scripted.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <dlfcn.h>
#include <memory>

using namespace wo::com;
using Wendra_Original::_ClsMain;
using Wendra_Original::_cPrinter;

Q_DECLARE_METATYPE(GUID)

namespace {

QString modulePath() {
    return QFileInfo(QStringLiteral(WO_MODULE_PATH)).canonicalFilePath();
}

// An interface pointer handed out through void**, owned from here on.
template <typename T> ComPtr<T> own(void* raw) {
    return ComPtr<T>::attach(static_cast<T*>(raw));
}

constexpr CLSID kUnknownClsid = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

} // namespace

// An export of the module, found as a host finds it.
#define WO_EXPORT(name) exported<decltype(&name)>(#name)

class TestCom : public QObject {
    Q_OBJECT

    void* m_module = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;

    template <typename Fn> Fn exported(const char* name) const {
        auto f = reinterpret_cast<Fn>(dlsym(m_module, name));
        if (!f)
            qFatal("the module does not export %s", name);
        return f;
    }

    ComPtr<IUnknown> create(const char* progId, const IID& iid) {
        void* raw = nullptr;
        const HRESULT hr = ComHost::createObject(QString::fromUtf8(progId), iid, &raw);
        if (WO_FAILED(hr))
            qFatal("%s: %s", progId, qPrintable(ComHost::lastError()));
        return own<IUnknown>(raw);
    }

private slots:
    void initTestCase() {
        m_module = dlopen(WO_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(m_module, dlerror());
    }
    void cleanupTestCase() { dlclose(m_module); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("WO_COM_REGISTRY", m_dir->filePath(QStringLiteral("registry.ini")).toLocal8Bit());
        QCOMPARE(WO_EXPORT(DllRegisterServer)(), WO_S_OK);
    }

    void cleanup() {
        wo::MyInit::reset();
        QCOMPARE(server::liveObjects(), 0);
        QCOMPARE(server::locks(), 0);
        qunsetenv("WO_COM_REGISTRY");
    }

    void guidText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("upper") << QStringLiteral("{6A1C2E41-5B3D-4E8F-9A10-2C4B7D813001}") << true;
        QTest::newRow("lower") << QStringLiteral("{6a1c2e41-5b3d-4e8f-9a10-2c4b7d813001}") << true;
        QTest::newRow("no braces") << QStringLiteral("6A1C2E41-5B3D-4E8F-9A10-2C4B7D813001") << false;
        QTest::newRow("short") << QStringLiteral("{6A1C2E41-5B3D-4E8F-9A10-2C4B7D81300}") << false;
        QTest::newRow("not hex") << QStringLiteral("{6A1C2E41-5B3D-4E8F-9A10-2C4B7D81300G}") << false;
        QTest::newRow("nil") << QStringLiteral("{00000000-0000-0000-0000-000000000000}") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void guidText() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const std::optional<GUID> guid = guidFromString(text);
        QCOMPARE(guid.has_value(), valid);
        if (valid) {
            QVERIFY(*guid == Wendra_Original::CLSID_ClsMain);
            QCOMPARE(guidToString(*guid), text.toUpper());
        }
    }

    void registryLocation() {
        const QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("WO_COM_REGISTRY");
        const QString fromHome = registry::filePath();
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("cfg")).toLocal8Bit());
        const QString fromXdg = registry::filePath();
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        QCOMPARE(fromHome, home.path() + QStringLiteral("/.config/wendra-com/registry.ini"));
        QCOMPARE(fromXdg, home.path() + QStringLiteral("/cfg/wendra-com/registry.ini"));
    }

    void registerServerWritesBothClasses() {
        QVERIFY(QFileInfo::exists(m_dir->filePath(QStringLiteral("registry.ini"))));
        const auto clsMain = registry::lookup(QStringLiteral(WO_PROGID_CLSMAIN));
        const auto printer = registry::lookup(QStringLiteral(WO_PROGID_CPRINTER));
        QVERIFY(clsMain && printer);
        QVERIFY(clsMain->clsid == Wendra_Original::CLSID_ClsMain);
        QVERIFY(printer->clsid == Wendra_Original::CLSID_cPrinter);
        QCOMPARE(clsMain->library, modulePath());
        QCOMPARE(printer->library, modulePath());
    }

    void unregisterServerLeavesOtherLibrariesEntries() {
        const QString elsewhere = m_dir->filePath(QStringLiteral("other/libWendra_Original.so"));
        QVERIFY(registry::registerClass(QStringLiteral(WO_PROGID_CLSMAIN), Wendra_Original::CLSID_ClsMain,
                                        elsewhere));
        QCOMPARE(WO_EXPORT(DllUnregisterServer)(), WO_S_OK);
        QVERIFY(!registry::lookup(QStringLiteral(WO_PROGID_CPRINTER)));
        const auto clsMain = registry::lookup(QStringLiteral(WO_PROGID_CLSMAIN));
        QVERIFY(clsMain);
        QCOMPARE(clsMain->library, elsewhere);
    }

    void registerServerReportsUnwritableRegistry() {
        const QString blocker = m_dir->filePath(QStringLiteral("file"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        qputenv("WO_COM_REGISTRY", (blocker + QStringLiteral("/registry.ini")).toLocal8Bit());
        QCOMPARE(WO_EXPORT(DllRegisterServer)(), WO_SELFREG_E_CLASS);
    }

    void objectsFromProgId_data() {
        QTest::addColumn<QByteArray>("progId");
        QTest::addColumn<GUID>("ownIid");
        QTest::addColumn<GUID>("otherIid");
        QTest::newRow("ClsMain") << QByteArray(WO_PROGID_CLSMAIN) << Wendra_Original::IID__ClsMain
                                 << Wendra_Original::IID__cPrinter;
        QTest::newRow("ClsMain2") << QByteArray(WO_PROGID_CLSMAIN) << Wendra_Original::IID__ClsMain2
                                  << Wendra_Original::IID__cPrinter;
        QTest::newRow("cPrinter") << QByteArray(WO_PROGID_CPRINTER) << Wendra_Original::IID__cPrinter
                                  << Wendra_Original::IID__ClsMain2;
    }
    void objectsFromProgId() {
        QFETCH(QByteArray, progId);
        QFETCH(GUID, ownIid);
        QFETCH(GUID, otherIid);
        void* raw = nullptr;
        QCOMPARE(ComHost::createObject(QString::fromUtf8(progId), ownIid, &raw), WO_S_OK);
        auto* object = static_cast<IUnknown*>(raw);
        QCOMPARE(server::liveObjects(), 1); // the class factory is gone again

        void* identity = nullptr;
        QCOMPARE(object->QueryInterface(IID_IUnknown, &identity), WO_S_OK);
        QCOMPARE(identity, raw);
        void* same = nullptr;
        QCOMPARE(object->QueryInterface(ownIid, &same), WO_S_OK);
        QCOMPARE(same, raw);
        void* other = &same;
        QCOMPARE(object->QueryInterface(otherIid, &other), WO_E_NOINTERFACE);
        QCOMPARE(other, nullptr);

        QCOMPARE(object->AddRef(), 4u);
        for (uint32_t left : {3u, 2u, 1u})
            QCOMPARE(object->Release(), left);
        QCOMPARE(server::liveObjects(), 1);
        QCOMPARE(object->Release(), 0u);
        QCOMPARE(server::liveObjects(), 0);
    }

    void createObjectFailures() {
        void* raw = &raw;
        QCOMPARE(ComHost::createObject(QStringLiteral("Wendra_Original.Nothing"), IID_IUnknown, &raw),
                 WO_REGDB_E_CLASSNOTREG);
        QCOMPARE(raw, nullptr);
        QVERIFY(ComHost::lastError().contains(QStringLiteral("Wendra_Original.Nothing")));

        const QString missing = m_dir->filePath(QStringLiteral("gone/libMissing.so"));
        QVERIFY(registry::registerClass(QStringLiteral("Test.Missing"), kUnknownClsid, missing));
        QVERIFY(!dlopen(QFile::encodeName(missing).constData(), RTLD_NOW | RTLD_LOCAL));
        const QString dlerrorText = QString::fromLocal8Bit(dlerror());
        QCOMPARE(ComHost::createObject(QStringLiteral("Test.Missing"), IID_IUnknown, &raw),
                 ComHost::ModuleNotFound);
        QCOMPARE(ComHost::lastError(), dlerrorText);

        QVERIFY(registry::registerClass(QStringLiteral("Test.NotServed"), kUnknownClsid, modulePath()));
        QCOMPARE(ComHost::createObject(QStringLiteral("Test.NotServed"), IID_IUnknown, &raw),
                 WO_CLASS_E_CLASSNOTAVAILABLE);

        QCOMPARE(
            ComHost::createObject(QStringLiteral(WO_PROGID_CPRINTER), Wendra_Original::IID__ClsMain, &raw),
            WO_E_NOINTERFACE);
        QCOMPARE(raw, nullptr);
        QCOMPARE(ComHost::createObject(QStringLiteral(WO_PROGID_CPRINTER), IID_IUnknown, nullptr),
                 WO_E_POINTER);
    }

    void canUnloadWhileAnythingIsAlive() {
        const auto canUnloadNow = WO_EXPORT(DllCanUnloadNow);
        const auto getClassObject = WO_EXPORT(DllGetClassObject);
        QCOMPARE(canUnloadNow(), WO_S_OK);
        {
            const ComPtr<IUnknown> object = create(WO_PROGID_CPRINTER, IID_IUnknown);
            QCOMPARE(canUnloadNow(), WO_S_FALSE);
        }
        QCOMPARE(canUnloadNow(), WO_S_OK);

        void* raw = nullptr;
        QCOMPARE(getClassObject(&Wendra_Original::CLSID_ClsMain, &IID_IClassFactory, &raw), WO_S_OK);
        ComPtr<IClassFactory> factory = own<IClassFactory>(raw);
        QCOMPARE(canUnloadNow(), WO_S_FALSE);
        QCOMPARE(factory->LockServer(1), WO_S_OK);
        factory.reset();
        QCOMPARE(canUnloadNow(), WO_S_FALSE);

        QCOMPARE(getClassObject(&Wendra_Original::CLSID_cPrinter, &IID_IUnknown, &raw), WO_S_OK);
        factory = own<IClassFactory>(raw);
        QCOMPARE(factory->LockServer(0), WO_S_OK);
        QCOMPARE(canUnloadNow(), WO_S_FALSE);
        factory.reset();
        QCOMPARE(canUnloadNow(), WO_S_OK);
    }

    void classFactory() {
        const auto getClassObject = WO_EXPORT(DllGetClassObject);
        void* raw = &raw;
        QCOMPARE(getClassObject(&kUnknownClsid, &IID_IClassFactory, &raw), WO_CLASS_E_CLASSNOTAVAILABLE);
        QCOMPARE(raw, nullptr);
        QCOMPARE(getClassObject(nullptr, &IID_IClassFactory, &raw), WO_E_POINTER);
        QCOMPARE(getClassObject(&Wendra_Original::CLSID_ClsMain, &IID_IClassFactory, nullptr), WO_E_POINTER);
        QCOMPARE(getClassObject(&Wendra_Original::CLSID_ClsMain, &Wendra_Original::IID__ClsMain, &raw),
                 WO_E_NOINTERFACE);
        QCOMPARE(server::liveObjects(), 0);

        QCOMPARE(getClassObject(&Wendra_Original::CLSID_ClsMain, &IID_IClassFactory, &raw), WO_S_OK);
        const ComPtr<IClassFactory> factory = own<IClassFactory>(raw);
        const ComPtr<IUnknown> outer = create(WO_PROGID_CPRINTER, IID_IUnknown);
        QCOMPARE(factory->CreateInstance(outer.get(), IID_IUnknown, &raw), WO_CLASS_E_NOAGGREGATION);
        QCOMPARE(raw, nullptr);
        QCOMPARE(factory->CreateInstance(nullptr, Wendra_Original::IID__cPrinter, &raw), WO_E_NOINTERFACE);
        QCOMPARE(server::liveObjects(), 2);
        QCOMPARE(factory->CreateInstance(nullptr, Wendra_Original::IID__ClsMain, &raw), WO_S_OK);
        QCOMPARE(own<_ClsMain>(raw)->put_gsOpen(1), WO_S_OK);
    }

    void freeUnusedLibraries() {
        ComPtr<IUnknown> object = create(WO_PROGID_CLSMAIN, IID_IUnknown);
        QCOMPARE(ComHost::freeUnusedLibraries(), 0);
        object.reset();
        QCOMPARE(ComHost::freeUnusedLibraries(), 1);
        QCOMPARE(ComHost::freeUnusedLibraries(), 0);
        object = create(WO_PROGID_CLSMAIN, IID_IUnknown); // loads it again
        QVERIFY(object);
    }

    void errorInfoIsTruncatedOnCharacters_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("expected");
        QTest::newRow("terminator only") << 1 << QString();
        QTest::newRow("ascii part") << 6 << QStringLiteral("Err: ");
        QTest::newRow("inside a character") << 8 << QStringLiteral("Err: ");
        QTest::newRow("one character") << 9 << QStringLiteral("Err: 打");
        QTest::newRow("exact") << 15 << QStringLiteral("Err: 打印机");
        QTest::newRow("roomy") << 40 << QStringLiteral("Err: 打印机");
    }
    void errorInfoIsTruncatedOnCharacters() {
        QFETCH(int, size);
        QFETCH(QString, expected);
        const auto getErrorInfo = WO_EXPORT(WoGetErrorInfo);
        server::setErrorInfo(4711, QStringLiteral("Err: 打印机"));
        QByteArray buffer(48, 'X');
        QCOMPARE(getErrorInfo(buffer.data(), static_cast<size_t>(size)), 4711);
        QCOMPARE(QString::fromUtf8(buffer.constData()), expected);
        QCOMPARE(buffer.mid(size), QByteArray(buffer.size() - size, 'X'));

        const QByteArray before = buffer;
        QCOMPARE(getErrorInfo(buffer.data(), 0), 4711);
        QCOMPARE(buffer, before);
        QCOMPARE(getErrorInfo(nullptr, 10), 4711);
    }

    // The module must use this process's one wendra_core: the host settings the
    // windows read and the object counts DllCanUnloadNow answers from live there.
    void moduleSharesTheCore() {
        QCOMPARE(dlsym(m_module, "_ZN2wo6MyInit10gsRecordIDE"), static_cast<void*>(&wo::MyInit::gsRecordID));
        const ComPtr<IUnknown> object = create(WO_PROGID_CLSMAIN, IID_IUnknown);
        QCOMPARE(server::liveObjects(), 1);
        QCOMPARE(WO_EXPORT(DllCanUnloadNow)(), WO_S_FALSE);
    }

    // The printer's C functions reach the object's own interface; a ClsMain has none.
    void flatPrinterInterface() {
        WoObject* printer = nullptr;
        WoObject* main = nullptr;
        QCOMPARE(WO_EXPORT(WoCreateObject)(WO_PROGID_CPRINTER, &printer), WO_S_OK);
        QCOMPARE(WO_EXPORT(WoCreateObject)(WO_PROGID_CLSMAIN, &main), WO_S_OK);
        QCOMPARE(WO_EXPORT(WocPrinter_put_FileName)(printer, "00000000000000000042"), WO_S_OK);
        char* name = nullptr;
        QCOMPARE(WO_EXPORT(WocPrinter_get_FileName)(printer, &name), WO_S_OK);
        QCOMPARE(QByteArray(name), QByteArray("00000000000000000042"));
        std::free(name);
        QCOMPARE(WO_EXPORT(WocPrinter_put_FileName)(main, "x"), WO_E_NOINTERFACE);
        QCOMPARE(WO_EXPORT(WocPrinter_PrintToView)(nullptr), WO_E_POINTER);
        QCOMPARE(WO_EXPORT(WoRelease)(printer), 0u);
        QCOMPARE(WO_EXPORT(WoRelease)(main), 0u);
    }

    void flatInterfaceWritesProcessWideSettings() {
        const auto createObject = WO_EXPORT(WoCreateObject);
        WoObject* a = nullptr;
        WoObject* b = nullptr;
        QCOMPARE(createObject(WO_PROGID_CLSMAIN, &a), WO_S_OK);
        QCOMPARE(createObject(WO_PROGID_CLSMAIN, &b), WO_S_OK);
        QVERIFY(a != b);
        QCOMPARE(WO_EXPORT(WoClsMain_put_gsRecordID)(a, "档案-7"), WO_S_OK);
        QCOMPARE(WO_EXPORT(WoClsMain_put_gsOriginalID)(b, "O-1"), WO_S_OK);
        QCOMPARE(wo::MyInit::gsRecordID, QStringLiteral("档案-7"));
        QCOMPARE(wo::MyInit::gsOriginalID, QStringLiteral("O-1"));
        QCOMPARE(WO_EXPORT(WoClsMain_put_gsRecordID)(b, "R-2"), WO_S_OK);
        QCOMPARE(wo::MyInit::gsRecordID, QStringLiteral("R-2"));

        const ComPtr<IUnknown> viaHost = create(WO_PROGID_CLSMAIN, Wendra_Original::IID__ClsMain);
        QCOMPARE(static_cast<_ClsMain*>(viaHost.get())->put_gsOpen(3), WO_S_OK);
        QCOMPARE(WO_EXPORT(WoClsMain_put_gsConn)(a, 4), WO_S_OK);
        QCOMPARE(wo::MyInit::gsOpen, 3);
        QCOMPARE(wo::MyInit::gsConn, 4);

        const auto release = WO_EXPORT(WoRelease);
        QCOMPARE(release(a), 0u);
        QCOMPARE(release(b), 0u);
        QCOMPARE(server::liveObjects(), 1);
    }

    void flatInterfaceRejectsWrongObjects() {
        const auto createObject = WO_EXPORT(WoCreateObject);
        const auto putPath = WO_EXPORT(WoClsMain_put_gsPath);
        WoObject* printer = nullptr;
        QCOMPARE(createObject(WO_PROGID_CPRINTER, &printer), WO_S_OK);
        QCOMPARE(putPath(printer, "/srv/docs"), WO_E_NOINTERFACE);
        QCOMPARE(putPath(nullptr, "/srv/docs"), WO_E_POINTER);
        QVERIFY(wo::MyInit::gsPath.isEmpty());
        QCOMPARE(WO_EXPORT(WoRelease)(printer), 0u);
        QCOMPARE(WO_EXPORT(WoRelease)(nullptr), 0u);

        WoObject* none = printer;
        QCOMPARE(createObject("Wendra_Original.Nothing", &none), WO_REGDB_E_CLASSNOTREG);
        QVERIFY(!none);
        QCOMPARE(createObject(nullptr, &none), WO_E_POINTER);
    }

    void flatConnectionIsHandedOver() {
        const QByteArray connect =
            "Database=" + QFile::encodeName(m_dir->filePath(QStringLiteral("host.db")));
        WoObject* connection = nullptr;
        QCOMPARE(WO_EXPORT(WoConnection_Open)("QSQLITE", connect.constData(), &connection), WO_S_OK);
        WoObject* clsMain = nullptr;
        QCOMPARE(WO_EXPORT(WoCreateObject)(WO_PROGID_CLSMAIN, &clsMain), WO_S_OK);
        QCOMPARE(WO_EXPORT(WoClsMain_putref_Connection)(clsMain, connection), WO_S_OK);
        WO_EXPORT(WoRelease)(clsMain);
        WO_EXPORT(WoRelease)(connection);
        QVERIFY(wo::MyInit::Connection);
        QCOMPARE(static_cast<void*>(static_cast<IUnknown*>(wo::MyInit::Connection.get())),
                 static_cast<void*>(connection));
    }

    // A host binds its values through the C functions too: they reach the table as
    // they are, a NULL pointer as NULL; missing pointers and a wrong count are errors.
    void flatConnectionBindsValues() {
        const QByteArray connect =
            "Database=" + QFile::encodeName(m_dir->filePath(QStringLiteral("host.db")));
        WoObject* connection = nullptr;
        QCOMPARE(WO_EXPORT(WoConnection_Open)("QSQLITE", connect.constData(), &connection), WO_S_OK);
        const auto execute = WO_EXPORT(WoConnection_ExecuteWith);
        const auto query = WO_EXPORT(WoConnection_QueryTextWith);
        QCOMPARE(WO_EXPORT(WoConnection_Execute)(connection, "CREATE TABLE t (k varchar(9), v varchar(99))"),
                 WO_S_OK);
        const char* hostile[] = {"a", "x\\',1)--'; DROP TABLE t; --"};
        const char* nulled[] = {"b", nullptr};
        const char* insert = "INSERT INTO t (k, v) VALUES (?, ?)";
        QCOMPARE(execute(connection, insert, hostile, 2), WO_S_OK);
        QCOMPARE(execute(connection, insert, nulled, 2), WO_S_OK);
        char* value = nullptr;
        QCOMPARE(query(connection, "SELECT k FROM t WHERE v = ?", hostile + 1, 1, &value), WO_S_OK);
        QCOMPARE(QByteArray(value), QByteArray("a"));
        std::free(value);
        QCOMPARE(query(connection, "SELECT k FROM t WHERE v IS NULL AND k = ?", nulled, 1, &value), WO_S_OK);
        QCOMPARE(QByteArray(value), QByteArray("b"));
        std::free(value);
        QCOMPARE(query(connection, "SELECT k FROM t WHERE k = ?", nulled + 1, 1, &value), WO_S_OK);
        QCOMPARE(QByteArray(value), QByteArray());
        std::free(value);

        QCOMPARE(execute(connection, insert, hostile, 1), WO_DISP_E_EXCEPTION);
        QCOMPARE(execute(connection, nullptr, hostile, 2), WO_E_POINTER);
        QCOMPARE(execute(connection, insert, nullptr, 2), WO_E_POINTER);
        QCOMPARE(query(connection, "SELECT 1", nullptr, 0, nullptr), WO_E_POINTER);
        QCOMPARE(query(connection, "SELECT 1", nullptr, 0, &value), WO_S_OK);
        std::free(value);
        WO_EXPORT(WoRelease)(connection);
    }

    void flatConnectionReportsFailure() {
        server::setErrorInfo(0, QString());
        WoObject* connection = nullptr;
        QCOMPARE(WO_EXPORT(WoConnection_Open)("QNOSUCHDRIVER", "", &connection), WO_DISP_E_EXCEPTION);
        QVERIFY(!connection);
        char text[256];
        QVERIFY(WO_EXPORT(WoGetErrorInfo)(text, sizeof text) != 0);
        QVERIFY(text[0] != '\0');
    }

    // The C functions hosts kept writing themselves: a script, then rows as JSON
    // with values bound, a NULL entry binding NULL.
    void flatScriptAndJsonRows() {
        const QByteArray connect =
            "Database=" + QFile::encodeName(m_dir->filePath(QStringLiteral("host.db")));
        WoObject* connection = nullptr;
        QCOMPARE(WoConnection_Open("QSQLITE", connect.constData(), &connection), WO_S_OK);
        int32_t executed = -1;
        QCOMPARE(
            WoConnection_ExecuteScript(connection,
                                       "CREATE TABLE t (a text, b int); -- a comment; still one\n"
                                       "INSERT INTO t VALUES ('x;y', 1); INSERT INTO t VALUES (NULL, 2);",
                                       &executed),
            WO_S_OK);
        QCOMPARE(executed, 3);
        QCOMPARE(WoConnection_ExecuteScript(
                     connection, "INSERT INTO t VALUES ('z', 3); INSERT INTO nothing VALUES (1);", &executed),
                 WO_DISP_E_EXCEPTION);
        QCOMPARE(executed, 1);
        char text[256];
        WoGetErrorInfo(text, sizeof text);
        QVERIFY2(QString::fromUtf8(text).startsWith(QStringLiteral("第2条语句：")), text);

        char* json = nullptr;
        const char* values[] = {"x;y", nullptr};
        QCOMPARE(WoConnection_QueryJson(connection, "SELECT a, b FROM t WHERE a = ? OR a IS ? ORDER BY b",
                                        values, 2, &json),
                 WO_S_OK);
        QCOMPARE(QByteArray(json), QByteArray(R"([{"a":"x;y","b":1},{"a":null,"b":2}])"));
        std::free(json);
        QCOMPARE(WoConnection_QueryJson(connection, "SELECT a FROM t", nullptr, 1, &json), WO_E_POINTER);
        QVERIFY(!json);
        QCOMPARE(WoConnection_QueryJson(connection, "SELECT nothing FROM t", nullptr, 0, &json),
                 WO_DISP_E_EXCEPTION);
        QVERIFY(!json);
        QCOMPARE(WoConnection_ExecuteScript(connection, nullptr, &executed), WO_E_POINTER);
        QCOMPARE(executed, 0);
        WoRelease(connection);
    }

    void registerModuleFromTheCore_data() {
        QTest::addColumn<bool>("defaultModule");
        QTest::newRow("the module beside the core") << true;
        QTest::newRow("a module named by path") << false;
    }
    void registerModuleFromTheCore() {
        QFETCH(bool, defaultModule);
        qputenv("WO_COM_REGISTRY", m_dir->filePath(QStringLiteral("fresh.ini")).toLocal8Bit());
        const QByteArray path = QFile::encodeName(modulePath());
        const char* module = defaultModule ? nullptr : path.constData();
        QCOMPARE(WoRegisterModule(module), WO_S_OK);
        const auto clsMain = registry::lookup(QStringLiteral(WO_PROGID_CLSMAIN));
        QVERIFY(clsMain);
        QCOMPARE(clsMain->library, modulePath());
        QVERIFY(registry::lookup(QStringLiteral(WO_PROGID_CPRINTER)));
        QCOMPARE(WoUnregisterModule(module), WO_S_OK);
        QVERIFY(!registry::lookup(QStringLiteral(WO_PROGID_CLSMAIN)));
    }

    void registerModuleRefusesWhatIsNoModule_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("number");
        QTest::newRow("missing") << QStringLiteral("nothing/libWendra_Original.so") << 53;
        QTest::newRow("not a library") << QStringLiteral("registry.ini") << 321;
        QTest::newRow("a library without the exports") << QString() << 321;
    }
    void registerModuleRefusesWhatIsNoModule() {
        QFETCH(QString, file);
        QFETCH(int, number);
        // The core itself is a shared library that serves no registration.
        Dl_info core{};
        QVERIFY(dladdr(reinterpret_cast<void*>(&WoRegisterModule), &core));
        const QByteArray path =
            file.isEmpty() ? QByteArray(core.dli_fname) : QFile::encodeName(m_dir->filePath(file));
        QCOMPARE(WoRegisterModule(path.constData()), WO_DISP_E_EXCEPTION);
        char text[512];
        QCOMPARE(WoGetErrorInfo(text, sizeof text), number);
        QVERIFY(text[0] != '\0');
    }

    // What each scripted dialog showed, read back through the C functions.
    void scriptedDialogsReadBack() {
        QCOMPARE(WoScriptedDialogs_CallKind(0), 0);
        QCOMPARE(WoScriptedDialogs_Begin(), 1);
        QCOMPARE(WoScriptedDialogs_QueueAnswer(WO_ANSWER_NO), 1);
        WoObject* printer = nullptr;
        QCOMPARE(WoCreateObject(WO_PROGID_CPRINTER, &printer), WO_S_OK);
        QCOMPARE(WocPrinter_PrintAnyFile(printer, "/nonexistent/甲.pdf"), WO_S_OK);
        QCOMPARE(WocPrinter_PrintAnyFile(printer, "/nonexistent/乙.pdf"), WO_S_OK);
        WoRelease(printer);
        const auto& recorded = dynamic_cast<wo::dialogs::ScriptedDialogs&>(wo::dialogs::current()).calls();
        QCOMPARE(WoScriptedDialogs_CallCount(), 2);
        for (int32_t i = 0; i < 2; ++i) {
            QCOMPARE(WoScriptedDialogs_CallKind(i), WO_DIALOG_MESSAGE_BOX);
            char* text = nullptr;
            char* title = nullptr;
            QCOMPARE(WoScriptedDialogs_CallText(i, &text), 1);
            QCOMPARE(WoScriptedDialogs_CallTitle(i, &title), 1);
            QCOMPARE(QString::fromUtf8(text), recorded[i].text);
            QCOMPARE(QString::fromUtf8(title), recorded[i].title);
            QVERIFY(!recorded[i].text.isEmpty());
            std::free(text);
            std::free(title);
        }
        // The first took the queued No, the second found nothing queued.
        QCOMPARE(WoScriptedDialogs_CallUnanswered(0), 0);
        QCOMPARE(WoScriptedDialogs_CallUnanswered(1), 1);
        char* text = reinterpret_cast<char*>(1);
        QCOMPARE(WoScriptedDialogs_CallText(2, &text), 0);
        QVERIFY(!text);
        QCOMPARE(WoScriptedDialogs_CallKind(-1), 0);
        QCOMPARE(WoScriptedDialogs_CallUnanswered(2), -1);
        QCOMPARE(WoScriptedDialogs_CallText(0, nullptr), 0);
        WoScriptedDialogs_End();
        QCOMPARE(WoScriptedDialogs_CallKind(0), 0);
    }

    void printerKeepsFileNameAndAsksHostsWithoutOwner() {
        const ComPtr<IUnknown> object = create(WO_PROGID_CPRINTER, Wendra_Original::IID__cPrinter);
        auto* printer = static_cast<_cPrinter*>(object.get());
        char* name = nullptr;
        QCOMPARE(printer->get_FileName(&name), WO_S_OK);
        QCOMPARE(QByteArray(name), QByteArray());
        std::free(name);
        QCOMPARE(printer->put_FileName("合同 2024.pdf"), WO_S_OK);
        QCOMPARE(printer->get_FileName(&name), WO_S_OK);
        QCOMPARE(QString::fromUtf8(name), QStringLiteral("合同 2024.pdf"));
        std::free(name);
        QCOMPARE(printer->get_FileName(nullptr), WO_E_POINTER);

        // Neither file exists, so each asks whether to end the printing, answered No.
        wo::dialogs::ScriptedDialogsScope scripted;
        scripted->queueAnswer(wo::dialogs::Answer::No);
        scripted->queueAnswer(wo::dialogs::Answer::No);
        server::setErrorInfo(0, QString());
        QCOMPARE(printer->PrintToView(), WO_S_OK);
        QCOMPARE(printer->PrintAnyFile("/nonexistent/file.pdf"), WO_S_OK);
        QCOMPARE(server::errorNumber(), 0);
        QCOMPARE(scripted->calls(wo::dialogs::ScriptedDialogs::Kind::MessageBox).size(), 2);
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }
};

QTEST_MAIN(TestCom)
#include "tst_com.moc"
