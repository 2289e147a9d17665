#include "DyingFtp.h"
#include "Sandbox.h"
#include "StoreFixture.h"
#include "TestDatabase.h"
#include "TestFiles.h"
#include "TestFtp.h"
#include "dialogs/ScriptedDialogs.h"
#include "entry/ClsMain.h"
#include "settings/MyInit.h"
#include "store/ClsFileOperation.h"
#include "transfer/CacheFolder.h"
#include "transfer/ModDownLoadFile.h"
#include "transfer/StoredFiles.h"
#include "transfer/TransferMeter.h"

#include <QDir>
#include <QFile>
#include <QQueue>
#include <QSet>
#include <QSqlQuery>
#include <QTest>
#include <algorithm>
#include <optional>
#include <sys/stat.h>

using namespace wo;
using store::ClsFileOperation;
using store::createdname;

using wo::test::readFile;

namespace {

const QDateTime kNow(QDate(2006, 3, 5), QTime(7, 8, 9));

// The shared store fixture, with identifiers from a fixed clock and scripted random parts.
struct Fixture : test::StoreFixture {
    QQueue<double> randoms;

    ClsFileOperation operation() {
        return ClsFileOperation(
            record, createdname([] { return kNow; },
                                [this] { return randoms.isEmpty() ? 0.123456 : randoms.dequeue(); }));
    }
    QString source(const QString& name, const QByteArray& content) {
        return box.writeFile(QStringLiteral("src/") + name, content);
    }
    QString sourceFolder() const { return box.path(QStringLiteral("src")); }
    QList<QVariantList> rows() {
        return db.query(QStringLiteral(
            "SELECT ID, Original_Name, Type, RecordId, FileOrder, FilePath, Size FROM Original_Text "
            "WHERE RecordId = 'R' ORDER BY FileOrder"));
    }
    QString stored(const QString& month, const QString& name) {
        return root() + QLatin1Char('/') + month + QLatin1Char('/') + name;
    }
    // Stores into /docs of a test's own server on port, as user "u"; false when no connection.
    bool useServer(quint16 port) {
        if (port == 0)
            return false;
        serverSession = inet::InternetOpen(QStringLiteral("tst_adding"));
        const inet::Handle connection = inet::InternetConnect(serverSession, QStringLiteral("127.0.0.1"),
                                                              port, QStringLiteral("u"), QStringLiteral("p"));
        useFtp(serverSession, connection, QStringLiteral("/docs"));
        return connection != 0;
    }
    ~Fixture() { inet::InternetCloseHandle(serverSession); }
    inet::Handle serverSession = 0;
};

// A connection to the run's strict FTP server; skips the test when the run has none.
#define CONNECT_STRICT_FTP(session, connection, user, password)                                              \
    const QString strictDir = qEnvironmentVariable("WO_TEST_VSFTPD_DIR");                                    \
    if (QFile::exists(strictDir + QStringLiteral("/skip")))                                                  \
        QSKIP(readFile(strictDir + QStringLiteral("/skip")).constData());                                    \
    const inet::Handle session = inet::InternetOpen(QStringLiteral("tst_adding"));                           \
    const inet::Handle connection = inet::InternetConnect(                                                   \
        session, QStringLiteral("127.0.0.1"),                                                                \
        static_cast<quint16>(readFile(strictDir + QStringLiteral("/port")).trimmed().toUInt()), user,        \
        password);                                                                                           \
    QVERIFY2(connection != 0, qPrintable(inet::InternetGetLastResponseInfo()));                              \
    const auto closeSession = qScopeGuard([&] { inet::InternetCloseHandle(session); });                      \
    f.useFtp(session, connection, f.root())

} // namespace

class TestAdding : public QObject {
    Q_OBJECT
private slots:
    void identifiers_data();
    void identifiers();
    void padding_data();
    void padding();
    void generatorIsSeeded();
    void addStoresRowFileAndCachedCopy();
    void refusals_data();
    void refusals();
    void typeRules_data();
    void typeRules();
    void failedCopyLeavesNoRow();
    void sourceChangedWhileStored_data();
    void sourceChangedWhileStored();
    void identifierInUseIsNotReused();
    void ftpUploadsIntoMonthDirectory();
    void ftpFailedPutLeavesNoRow_data();
    void ftpFailedPutLeavesNoRow();
    void lostCommitRemovesStoredFile_data();
    void lostCommitRemovesStoredFile();
    void ftpRootClimbingOutIsRefused();
    void serverDiesDuringUpload_data();
    void serverDiesDuringUpload();
    void strictServerWithoutRenaming();
    void absoluteFtpPathFromServerRoot();
    void relativeFtpRootFromLoginFolder_data();
    void relativeFtpRootFromLoginFolder();
    void hostCodeOnStrictServer();
    void refusedRename_data();
    void refusedRename();
    void addFileChecks_data();
    void addFileChecks();
    void addFileThreeFilesLastFails();
    void addOriginalFileForHost();
    void cancelledAddLeavesNothing_data();
    void cancelledAddLeavesNothing();
    void duplicatesAsked_data();
    void duplicatesAsked();
};

void TestAdding::identifiers_data() {
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<double>("random");
    QTest::addColumn<QString>("id");
    QTest::newRow("example") << kNow << 0.004217 << QStringLiteral("20060305070809004217");
    QTest::newRow("zero") << kNow << 0.0 << QStringLiteral("20060305070809000000");
    QTest::newRow("largest") << kNow << 0.9999999 << QStringLiteral("20060305070809999999");
    QTest::newRow("year end") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)) << 0.5
                              << QStringLiteral("20261231235959500000");
}

void TestAdding::identifiers() {
    QFETCH(QDateTime, now);
    QFETCH(double, random);
    QTEST(createdname([now] { return now; }, [random] { return random; }).CreateName(), "id");
}

void TestAdding::padding_data() {
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blank then 7") << createdname::PadWithZeros(QStringLiteral(" 7"), 2)
                                  << QStringLiteral("07");
    QTest::newRow("too long") << createdname::PadWithZeros(QStringLiteral("123"), 2) << QStringLiteral("123");
    QTest::newRow("empty") << createdname::PadWithZeros(QString(), 3) << QStringLiteral("000");
    QTest::newRow("repeat 3") << createdname::RepeatText(3, QStringLiteral("ab")) << QStringLiteral("ababab");
    QTest::newRow("repeat 0") << createdname::RepeatText(0, QStringLiteral("ab")) << QString();
    QTest::newRow("repeat -2") << createdname::RepeatText(-2, QStringLiteral("ab")) << QString();
}

void TestAdding::padding() {
    QFETCH(QString, actual);
    QTEST(actual, "expected");
}

// Identifiers made back to back differ in their random part; 20 draws from a million
// collide once in about 5000 runs only with a working generator.
void TestAdding::generatorIsSeeded() {
    QSet<QString> suffixes;
    for (int i = 0; i < 20; ++i) {
        const QString id = createdname().CreateName();
        QCOMPARE(id.size(), 20);
        QVERIFY(std::all_of(id.begin(), id.end(), [](QChar c) { return c.isDigit(); }));
        suffixes.insert(id.right(6));
    }
    QCOMPARE(suffixes.size(), 20);
}

void TestAdding::addStoresRowFileAndCachedCopy() {
    Fixture f;
    f.db.insertRow(QStringLiteral("old"), QStringLiteral("old"), QStringLiteral(".TIF"), QStringLiteral("R"),
                   7, QString());
    f.db.insertRow(QStringLiteral("x"), QStringLiteral("x"), QStringLiteral(".TIF"), QStringLiteral("other"),
                   50, QString());
    const QByteArray content("II*\0 binary \r\n\x01\xff", 17);
    f.source(QStringLiteral("合同 it's.tif"), content);
    f.randoms << 0.004217;
    QVERIFY(f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("合同 it's.tif"), f.collect()));

    const QString id = QStringLiteral("20060305070809004217");
    const auto rows = f.rows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1], (QVariantList{id, QStringLiteral("合同 it's.tif"), QStringLiteral(".TIF"),
                                    QStringLiteral("R"), 8, QStringLiteral("2006-03"), content.size()}));
    QCOMPARE(readFile(f.stored(QStringLiteral("2006-03"), id + QStringLiteral(".TIF"))), content);
    QCOMPARE(readFile(f.sourceFolder() + QStringLiteral("/合同 it's.tif")), content);
    QCOMPARE(f.originalId, id);
    QCOMPARE(f.added.size(), 1);
    const store::AddedDocument& added = f.added[0];
    QCOMPARE(added.fileOrder, 8);
    QCOMPARE(added.document.name, QStringLiteral("合同 it's.tif"));
    QCOMPARE(added.document.type, QStringLiteral(".TIF"));
    QCOMPARE(added.document.path, QStringLiteral("2006-03"));
    QCOMPARE(added.document.id, id);
    // The cache has the added bytes already, private to the user, as a fetch leaves them.
    const QString cached = added.cachePath;
    QCOMPARE(cached, transfer::cacheFolder() + QStringLiteral("/") + id + QStringLiteral(".TIF"));
    QCOMPARE(readFile(cached), content);
    QCOMPARE(QFile::permissions(cached) & 0x0077, QFileDevice::Permissions());
    QVERIFY(f.dialogs->calls().isEmpty());
}

void TestAdding::refusals_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QStringLiteral("missing")
                             << QStringLiteral("/absent.doc文件不存在，不能添加!");
    QTest::newRow("empty") << QStringLiteral("empty") << QStringLiteral("原文内容为空！不能添加该原文！");
    const QString notAFile = QStringLiteral("/absent.doc不是普通文件（如管道或设备），不能添加!");
    QTest::newRow("named pipe") << QStringLiteral("fifo") << notAFile;
    QTest::newRow("device") << QStringLiteral("device") << notAFile;
}

void TestAdding::refusals() {
    QFETCH(QString, kind);
    QFETCH(QString, message);
    Fixture f;
    QDir().mkpath(f.sourceFolder());
    const QString path = f.sourceFolder() + QStringLiteral("/absent.doc");
    if (kind == QLatin1String("empty"))
        f.source(QStringLiteral("absent.doc"), "");
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("device"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    QVERIFY(!f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("absent.doc"), f.collect()));
    QVERIFY(f.rows().isEmpty());
    QVERIFY(f.added.isEmpty());
    QVERIFY(!QFileInfo::exists(f.root() + QStringLiteral("/2006-03")));
    QCOMPARE(f.dialogs->calls().size(), 1);
    const auto& box = f.dialogs->calls().first();
    QVERIFY2(box.text.endsWith(message), qPrintable(box.text));
    QCOMPARE(box.title, QStringLiteral("添加原文"));
    QCOMPARE(box.icon, dialogs::Icon::Information);
}

void TestAdding::typeRules_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::newRow("no dot") << QStringLiteral("README") << QString();
    QTest::newRow("last dot counts") << QStringLiteral("backup.tar.gz") << QStringLiteral(".GZ");
    QTest::newRow("mixed case") << QStringLiteral("Scan.TiF") << QStringLiteral(".TIF");
}

void TestAdding::typeRules() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    Fixture f;
    f.source(name, "data");
    QVERIFY(f.operation().AddFileToObj(f.sourceFolder(), name));
    QCOMPARE(f.rows().first()[2].toString(), type);
    QCOMPARE(readFile(f.stored(QStringLiteral("2006-03"), QStringLiteral("20060305070809123456") + type)),
             QByteArray("data"));
}

// A file sits where the month folder should be: nothing can be stored, so the row
// must not stay either.
void TestAdding::failedCopyLeavesNoRow() {
    Fixture f;
    f.box.writeFile(QStringLiteral("store/2006-03"), "not a folder");
    f.source(QStringLiteral("a.pdf"), "%PDF");
    QVERIFY(!f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("a.pdf"), f.collect()));
    QVERIFY(f.rows().isEmpty());
    QVERIFY(f.added.isEmpty());
    QCOMPARE(f.dialogs->calls().size(), 1);
    QVERIFY2(f.dialogs->calls().first().text.startsWith(QStringLiteral("错误75：")),
             qPrintable(f.dialogs->calls().first().text));
    QCOMPARE(f.dialogs->calls().first().icon, dialogs::Icon::Critical);
}

void TestAdding::sourceChangedWhileStored_data() {
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<qint64>("length");
    QTest::newRow("folder, cut short") << false << qint64(1000);
    QTest::newRow("folder, grown") << false << qint64(300000);
    QTest::newRow("ftp, cut short") << true << qint64(1000);
}

// The source changes length between its check and its copy: the stored bytes would
// not be the Size the row records, so nothing stays.
void TestAdding::sourceChangedWhileStored() {
    QFETCH(bool, ftp);
    QFETCH(qint64, length);
    Fixture f;
    if (ftp)
        f.useFtp();
    const QString source = f.source(QStringLiteral("a.tif"), test::binaryContent(200000, 3));
    ClsFileOperation::beforeStore = [&] { QFile(source).resize(length); };
    const auto noHook = qScopeGuard([] { ClsFileOperation::beforeStore = nullptr; });

    QVERIFY(!f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("a.tif"), f.collect()));
    QVERIFY(f.rows().isEmpty());
    QVERIFY(f.added.isEmpty());
    const QString month =
        ftp ? f.ftp->onDisk(f.root() + QStringLiteral("/2006-03")) : f.root() + QStringLiteral("/2006-03");
    QCOMPARE(test::tree(month), QStringList());
    QCOMPARE(f.boxes().size(), 1);
    QVERIFY2(f.boxes().first().text.startsWith(QStringLiteral("错误31050：")),
             qPrintable(f.boxes().first().text));
}

void TestAdding::identifierInUseIsNotReused() {
    Fixture f;
    f.source(QStringLiteral("a.txt"), "first");
    f.source(QStringLiteral("b.txt"), "second");
    const QString taken =
        f.box.writeFile(QStringLiteral("store/2006-03/20060305070809100000.TXT"), "someone's");
    f.randoms << 0.5 << 0.5 << 0.1 << 0.2;
    auto op = f.operation();
    QVERIFY(op.AddFileToObj(f.sourceFolder(), QStringLiteral("a.txt")));
    QVERIFY(op.AddFileToObj(f.sourceFolder(), QStringLiteral("b.txt")));
    const auto rows = f.rows();
    QCOMPARE(rows[0][0].toString(), QStringLiteral("20060305070809500000"));
    QCOMPARE(rows[1][0].toString(), QStringLiteral("20060305070809200000"));
    QCOMPARE(readFile(taken), QByteArray("someone's"));
    QCOMPARE(readFile(f.stored(QStringLiteral("2006-03"), QStringLiteral("20060305070809200000.TXT"))),
             QByteArray("second"));
}

void TestAdding::ftpUploadsIntoMonthDirectory() {
    Fixture f;
    f.useFtp();
    QByteArray content(300000, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = char(i * 7 % 256);
    f.source(QStringLiteral("页.jpg"), content);
    f.source(QStringLiteral("two.jpg"), "2");
    f.randoms << 0.1 << 0.2;
    auto op = f.operation();
    QVERIFY(op.AddFileToObj(f.sourceFolder(), QStringLiteral("页.jpg")));
    QVERIFY(op.AddFileToObj(f.sourceFolder(), QStringLiteral("two.jpg")));
    const QString month = f.ftp->remoteFolder() + QStringLiteral("/2006-03");
    const auto rows = f.rows();
    QCOMPARE(rows[0][5].toString(), month);
    QCOMPARE(rows[1][4].toInt(), 2);
    QCOMPARE(readFile(f.ftp->onDisk(month + QStringLiteral("/20060305070809100000.JPG"))), content);
    QCOMPARE(readFile(f.ftp->onDisk(month + QStringLiteral("/20060305070809200000.JPG"))), QByteArray("2"));
    QVERIFY(f.dialogs->calls().isEmpty());
}

void TestAdding::ftpFailedPutLeavesNoRow_data() {
    QTest::addColumn<bool>("rootMissing");
    QTest::newRow("name taken by a directory") << false;
    QTest::newRow("root missing on the server") << true;
}

void TestAdding::ftpFailedPutLeavesNoRow() {
    QFETCH(bool, rootMissing);
    Fixture f;
    f.useFtp();
    if (rootMissing)
        f.root() += QStringLiteral("/absent");
    else
        QDir().mkpath(f.ftp->onDisk(f.root() + QStringLiteral("/2006-03/20060305070809123456.PDF")));
    const QString source = f.source(QStringLiteral("a.pdf"), "%PDF");
    QVERIFY(!f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("a.pdf")));
    QVERIFY(f.rows().isEmpty());
    QCOMPARE(f.dialogs->calls().size(), 1);
    const auto& box = f.dialogs->calls().first();
    QCOMPARE(box.text, QStringLiteral("上载") + source + QStringLiteral("文件错误！"));
    QCOMPARE(box.title, QStringLiteral("上载文件"));
    QCOMPARE(box.icon, dialogs::Icon::Information);
}

void TestAdding::lostCommitRemovesStoredFile_data() {
    QTest::addColumn<bool>("ftp");
    QTest::newRow("folder") << false;
    QTest::newRow("ftp") << true;
}

// The connection dies between storing the file and committing its row: the row goes
// with the transaction, and so must the file no row names.
void TestAdding::lostCommitRemovesStoredFile() {
    QFETCH(bool, ftp);
    Fixture f;
    if (ftp)
        f.useFtp();
    f.source(QStringLiteral("a.pdf"), "%PDF-1.4 lost");
    // On a server the connection is ended from another session; SQLite's is closed.
    const bool postgres = f.db.driver() == QLatin1String("QPSQL");
    const bool server = postgres || f.db.driver() == QLatin1String("QMYSQL");
    com::ComPtr<db::Connection> killer;
    QString schema;
    ClsFileOperation::beforeCommit = [&] {
        if (!server) {
            f.db.connection().close();
            return;
        }
        const QList<QVariantList> mine =
            f.db.query(postgres ? QStringLiteral("SELECT pg_backend_pid(), current_schema()")
                                : QStringLiteral("SELECT CONNECTION_ID(), DATABASE()"));
        schema = mine[0][1].toString();
        killer = db::Connection::open(f.db.driver(), postgres ? test::postgresServer()
                                                              : test::mariadbServer(QStringLiteral("test")));
        killer->execute(
            (postgres ? QStringLiteral("SELECT pg_terminate_backend(%1)") : QStringLiteral("KILL %1"))
                .arg(mine[0][0].toLongLong()));
    };
    const auto noHook = qScopeGuard([] { ClsFileOperation::beforeCommit = nullptr; });
    const QString month =
        ftp ? f.ftp->onDisk(f.root() + QStringLiteral("/2006-03")) : f.root() + QStringLiteral("/2006-03");

    QVERIFY(!f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("a.pdf")));
    QCOMPARE(test::tree(month), QStringList());
    QCOMPARE(f.dialogs->calls().size(), 1);
    QCOMPARE(f.dialogs->calls().first().icon, dialogs::Icon::Critical);
    if (server) {
        QSqlQuery rows(killer->database());
        QVERIFY(rows.exec(QStringLiteral("SELECT count(*) FROM %1.Original_Text").arg(schema)));
        QVERIFY(rows.next());
        QCOMPARE(rows.value(0).toInt(), 0);
    }
}

// A row the add would write must pass the same check as rows read back: a root that
// climbs out of its folder stores nothing and creates nothing there.
void TestAdding::ftpRootClimbingOutIsRefused() {
    Fixture f;
    f.useFtp();
    const QString beside = f.ftp->remoteFolder() + QStringLiteral("-beside");
    QVERIFY(QDir().mkpath(f.ftp->onDisk(beside)));
    f.root() = f.ftp->remoteFolder() + QStringLiteral("/..") + beside;
    f.source(QStringLiteral("a.tif"), "a");

    QVERIFY(!f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("a.tif")));
    QVERIFY(f.rows().isEmpty());
    QCOMPARE(test::tree(f.ftp->onDisk(beside)), QStringList());
    QCOMPARE(f.dialogs->calls().size(), 1);
    QVERIFY(f.dialogs->calls().first().text.startsWith(QStringLiteral("错误52：")));
}

void TestAdding::serverDiesDuringUpload_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("code");
    QTest::newRow("STOR 226") << QStringLiteral("STOR") << QStringLiteral("226");
    QTest::newRow("RNFR 350") << QStringLiteral("RNFR") << QStringLiteral("350");
    QTest::newRow("RNTO 250, renamed") << QStringLiteral("RNTO") << QStringLiteral("250");
}

// The server goes away before one reply of the upload: no row, and nothing on the
// server besides the month folder, even when the rename happened unanswered.
void TestAdding::serverDiesDuringUpload() {
    QFETCH(QString, command);
    QFETCH(QString, code);
    Fixture f;
    const QString root = f.box.path(QStringLiteral("server"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/docs")));
    const test::DyingFtp server(root, command, code);
    QVERIFY(f.useServer(server.port));
    f.source(QStringLiteral("a.tif"), test::binaryContent(100000, 4));

    QVERIFY(!f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("a.tif")));
    QVERIFY(f.rows().isEmpty());
    QCOMPARE(test::tree(root), QStringList({QStringLiteral("docs"), QStringLiteral("docs/2006-03")}));
}

// Anonymous writers of this server may store and make folders but neither rename
// nor delete: adding still works, the second add of a connection leaves nothing
// beside its document, and every stored document is whole under its final name.
void TestAdding::strictServerWithoutRenaming() {
    Fixture f;
    CONNECT_STRICT_FTP(session, connection, QString(), QString());
    f.root() = QStringLiteral("/incoming/") + QFileInfo(f.box.path()).fileName();
    QVERIFY(inet::FtpCreateDirectory(connection, f.root()));
    const QByteArray first = test::binaryContent(300000, 1);
    f.source(QStringLiteral("one.tif"), first);
    f.source(QStringLiteral("two.tif"), "two");
    f.randoms << 0.1 << 0.2;
    auto op = f.operation();

    QVERIFY(op.AddFileToObj(f.sourceFolder(), QStringLiteral("one.tif")));
    QVERIFY(op.AddFileToObj(f.sourceFolder(), QStringLiteral("two.tif")));
    QVERIFY(f.dialogs->calls().isEmpty());
    QCOMPARE(f.rows().size(), 2);
    const QString month = strictDir + QStringLiteral("/anon") + f.root() + QStringLiteral("/2006-03");
    QCOMPARE(readFile(month + QStringLiteral("/20060305070809100000.TIF")), first);
    QCOMPARE(readFile(month + QStringLiteral("/20060305070809200000.TIF")), QByteArray("two"));
    // The first upload's temporary name is what the server allows no one to remove.
    const QStringList files = test::tree(month);
    QCOMPARE(files.size(), 3);
    QVERIFY2(files[0].startsWith(QStringLiteral(".20060305070809100000.TIF.part-")), qPrintable(files[0]));
}

// A local account not jailed to its login folder: an absolute gsPath names the
// server's own folder, not one below the login folder.
void TestAdding::absoluteFtpPathFromServerRoot() {
    Fixture f;
    CONNECT_STRICT_FTP(session, connection, qEnvironmentVariable("WO_TEST_VSFTPD_USER"),
                       qEnvironmentVariable("WO_TEST_VSFTPD_PASSWORD"));
    f.root() = strictDir + QStringLiteral("/abs/") + QFileInfo(f.box.path()).fileName();
    QVERIFY(QDir().mkpath(f.root()));
    QFile::setPermissions(f.root(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    const QByteArray content = test::binaryContent(50000, 2);
    f.source(QStringLiteral("a.tif"), content);

    QVERIFY(f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("a.tif"), f.collect()));
    QVERIFY(f.dialogs->calls().isEmpty());
    QCOMPARE(readFile(f.stored(QStringLiteral("2006-03"), QStringLiteral("20060305070809123456.TIF"))),
             content);
    // Nothing below the login folder, which other tests of the run share.
    QCOMPARE(test::tree(strictDir + QStringLiteral("/home")).filter(QFileInfo(f.box.path()).fileName()),
             QStringList());
    const QString cached = transfer::DownloadToCache(f.added.at(0).document, f.storage());
    QVERIFY(!cached.isEmpty());
    QCOMPARE(readFile(cached), content);
}

void TestAdding::relativeFtpRootFromLoginFolder_data() {
    QTest::addColumn<bool>("strict");
    QTest::newRow("pyftpdlib, login folder /") << false;
    QTest::newRow("vsftpd, login folder below /") << true;
}

namespace {

// Two adds, a fetch and a delete on a root relative to the login folder: every
// one reaches the folder below it however often the connection changed folders.
void addBelowRelativeRoot(Fixture& f, const QString& onDisk, const QString& remoteFolder) {
    const QString month = onDisk + QStringLiteral("/2006-03");
    f.source(QStringLiteral("a.tif"), "first");
    f.source(QStringLiteral("b.tif"), "second");
    f.randoms << 0.1 << 0.2;
    auto op = f.operation();

    QVERIFY(op.AddFileToObj(f.sourceFolder(), QStringLiteral("a.tif"), f.collect()));
    QVERIFY(op.AddFileToObj(f.sourceFolder(), QStringLiteral("b.tif"), f.collect()));
    QCOMPARE(f.boxes().size(), 0);
    const auto rows = f.rows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][5].toString(), remoteFolder + QStringLiteral("/2006-03"));
    QCOMPARE(rows[1][5].toString(), remoteFolder + QStringLiteral("/2006-03"));
    QCOMPARE(readFile(month + QStringLiteral("/20060305070809100000.TIF")), QByteArray("first"));
    QCOMPARE(readFile(month + QStringLiteral("/20060305070809200000.TIF")), QByteArray("second"));
    QCOMPARE(readFile(transfer::DownloadToCache(f.added.at(0).document, f.storage())), QByteArray("first"));
    transfer::deleteStoredFile(f.storage(), rows[1][5].toString(), rows[1][0].toString(),
                               QStringLiteral(".TIF"));
    QCOMPARE(test::tree(month), QStringList({QStringLiteral("20060305070809100000.TIF")}));
}

} // namespace

void TestAdding::relativeFtpRootFromLoginFolder() {
    QFETCH(bool, strict);
    Fixture f;
    if (!strict) {
        f.useFtp();
        f.root() = f.ftp->remoteFolder().mid(1);
        addBelowRelativeRoot(f, f.ftp->onDisk(f.ftp->remoteFolder()), f.ftp->remoteFolder());
        return;
    }
    CONNECT_STRICT_FTP(session, connection, qEnvironmentVariable("WO_TEST_VSFTPD_USER"),
                       qEnvironmentVariable("WO_TEST_VSFTPD_PASSWORD"));
    f.root() = QFileInfo(f.box.path()).fileName();
    const QString onDisk =
        QFileInfo(strictDir + QStringLiteral("/home")).canonicalFilePath() + QLatin1Char('/') + f.root();
    QVERIFY(QDir().mkpath(onDisk));
    const auto removeFolder = qScopeGuard([&] { QDir(onDisk).removeRecursively(); });
    QFile::setPermissions(onDisk, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                      QFile::WriteOther | QFile::ExeOther);
    addBelowRelativeRoot(f, onDisk, onDisk);
}

// On the strict server too: a login text carrying a second command is refused before
// anything is sent, and a host's queued call run while an add uploads (the transfer
// pumps events) finds the host's FTP connection busy at once instead of waiting for
// the add, which waits for it.
void TestAdding::hostCodeOnStrictServer() {
    Fixture f;
    const QString user = qEnvironmentVariable("WO_TEST_VSFTPD_USER");
    const QString password = qEnvironmentVariable("WO_TEST_VSFTPD_PASSWORD");
    CONNECT_STRICT_FTP(session, connection, user, password);
    f.root() = QFileInfo(f.box.path()).fileName();
    const QString onDisk =
        QFileInfo(strictDir + QStringLiteral("/home")).canonicalFilePath() + QLatin1Char('/') + f.root();
    QVERIFY(QDir().mkpath(onDisk));
    const auto removeFolder = qScopeGuard([&] { QDir(onDisk).removeRecursively(); });
    QFile::setPermissions(onDisk, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                      QFile::WriteOther | QFile::ExeOther);
    const QString victim = onDisk + QStringLiteral("/victim.txt");
    QVERIFY(test::writeFile(victim, "keep"));

    const quint16 port =
        static_cast<quint16>(readFile(strictDir + QStringLiteral("/port")).trimmed().toUInt());
    QCOMPARE(inet::InternetConnect(session, QStringLiteral("127.0.0.1"), port, user,
                                   password + QStringLiteral("\r\nDELE ") + victim),
             inet::Handle(0));
    int refused = 0;
    inet::InternetGetLastResponseInfo(&refused);
    QCOMPARE(refused, WO_INET_ERROR_INVALID_ARGUMENT);

    QObject host;
    int inner = -1;
    QMetaObject::invokeMethod(
        &host,
        [&] {
            int number = 0;
            if (!inet::FtpSetCurrentDirectory(connection, QStringLiteral("/")))
                inet::InternetGetLastResponseInfo(&number);
            inner = number;
        },
        Qt::QueuedConnection);
    f.source(QStringLiteral("a.tif"), test::binaryContent(256 << 10, 5));
    QVERIFY(f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("a.tif")));
    QCOMPARE(inner, WO_INET_ERROR_TRANSFER_IN_PROGRESS);
    QCOMPARE(f.rows().size(), 1);
    QCOMPARE(QFileInfo(onDisk + QStringLiteral("/2006-03/20060305070809123456.TIF")).size(),
             qint64(256 << 10));
    QCOMPARE(readFile(victim), QByteArray("keep"));
}

void TestAdding::refusedRename_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("firstStored");
    QTest::addColumn<int>("temporaryStores");
    QTest::newRow("RNFR taken, RNTO refused: stored directly from then on")
        << QStringLiteral("refuse-rnto") << true << 1;
    QTest::newRow("temporary file gone before RNFR: that add fails, renaming stays")
        << QStringLiteral("vanish") << false << 2;
}

// Two adds on one connection to a server whose renaming fails once or always.
void TestAdding::refusedRename() {
    QFETCH(QString, mode);
    QFETCH(bool, firstStored);
    QFETCH(int, temporaryStores);
    Fixture f;
    const QString root = f.box.path(QStringLiteral("server"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/docs")));
    const QString log = f.box.path(QStringLiteral("commands.log"));
    QProcessEnvironment renaming;
    renaming.insert(QStringLiteral("WO_FTP_RENAME"), mode);
    renaming.insert(QStringLiteral("WO_FTP_COMMANDS"), log);
    const test::HostileFtp server(root, renaming);
    QVERIFY(f.useServer(server.port));
    const QString source = f.source(QStringLiteral("a.tif"), test::binaryContent(100000, 4));
    f.source(QStringLiteral("b.tif"), "second");
    f.randoms << 0.1 << 0.2;
    auto op = f.operation();

    QCOMPARE(op.AddFileToObj(f.sourceFolder(), QStringLiteral("a.tif")), firstStored);
    QVERIFY(op.AddFileToObj(f.sourceFolder(), QStringLiteral("b.tif")));
    QStringList expected{QStringLiteral("docs"), QStringLiteral("docs/2006-03")};
    if (firstStored)
        expected << QStringLiteral("docs/2006-03/20060305070809100000.TIF");
    expected << QStringLiteral("docs/2006-03/20060305070809200000.TIF");
    QCOMPARE(test::tree(root), expected);
    QCOMPARE(f.rows().size(), firstStored ? 2 : 1);
    QCOMPARE(readFile(root + QStringLiteral("/docs/2006-03/20060305070809200000.TIF")), QByteArray("second"));
    if (!firstStored) {
        QCOMPARE(f.boxes().size(), 1);
        QCOMPARE(f.boxes().first().text, QStringLiteral("上载") + source + QStringLiteral("文件错误！"));
    }
    const QList<QByteArray> commands = readFile(log).split('\n');
    QCOMPARE(std::count_if(commands.begin(), commands.end(),
                           [](const QByteArray& line) { return line.startsWith("STOR ."); }),
             temporaryStores);
}

void TestAdding::addFileChecks_data() {
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    QTest::newRow("folder, no root") << false << QString() << QStringLiteral("请先指定原文存放路径！")
                                     << QStringLiteral("上载文件");
    QTest::newRow("folder, root gone")
        << false << QStringLiteral("/no/such/root") << QStringLiteral("原文路径不存在或已被删除！")
        << QStringLiteral("上载文件");
    QTest::newRow("ftp, no handles") << true << QStringLiteral("/docs") << QStringLiteral("请配置FTP路径")
                                     << QStringLiteral("原文");
}

void TestAdding::addFileChecks() {
    QFETCH(bool, ftp);
    QFETCH(QString, path);
    Fixture f;
    f.storage().ftpMode = ftp;
    f.root() = path;
    f.dialogs->queueFiles({f.source(QStringLiteral("a.txt"), "a")});
    QVERIFY(!f.operation().AddFile());
    QCOMPARE(f.dialogs->calls().size(), 1);
    QTEST(f.dialogs->calls().first().text, "message");
    QTEST(f.dialogs->calls().first().title, "title");
    QVERIFY(f.rows().isEmpty());
}

void TestAdding::addFileThreeFilesLastFails() {
    Fixture f;
    f.dialogs->queueFiles({f.source(QStringLiteral("a.txt"), "a"), f.source(QStringLiteral("b.txt"), "b"),
                           f.sourceFolder() + QStringLiteral("/gone.txt")});
    f.randoms << 0.1 << 0.2;
    QVERIFY(!f.operation().AddFile(f.collect()));
    const auto rows = f.rows();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][1].toString(), QStringLiteral("a.txt"));
    QCOMPARE(rows[1][4].toInt(), 2);
    QCOMPARE(f.added.size(), 2);
    const auto open = f.dialogs->calls(dialogs::ScriptedDialogs::Kind::OpenFiles);
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.first().title, QStringLiteral("打开文件"));
    QVERIFY(open.first().request.multiSelect);
    QVERIFY(open.first().request.filter.startsWith(QStringLiteral("所有文件")));
    const auto boxes = f.dialogs->calls(dialogs::ScriptedDialogs::Kind::MessageBox);
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes.first().text.endsWith(QStringLiteral("gone.txt文件不存在，不能添加!")));
}

void TestAdding::addOriginalFileForHost() {
    Fixture f;
    f.publish();
    auto main = entry::ClsMain::create();
    f.dialogs->queueFiles({f.source(QStringLiteral("host.txt"), "from the host")});
    int16_t result = 0;
    QCOMPARE(main->AddOriginalFile(&result), WO_S_OK);
    QCOMPARE(result, int16_t(-1));
    QCOMPARE(f.rows().size(), 1);
    QCOMPARE(MyInit::gsOriginalID, f.rows().first()[0].toString());
    QCOMPARE(f.dialogs->calls().size(), 1); // the open-file dialog alone

    QCOMPARE(main->AddOriginalFile(&result), WO_S_OK); // cancelled
    QCOMPARE(result, int16_t(0));
    QCOMPARE(f.rows().size(), 1);
    QCOMPARE(f.dialogs->calls(dialogs::ScriptedDialogs::Kind::MessageBox).size(), 0);

    // The same content again: asked about until the host turns the check off.
    f.dialogs->queueFiles({f.source(QStringLiteral("again.txt"), "from the host")});
    f.dialogs->queueAnswer(dialogs::Answer::No);
    QCOMPARE(main->AddOriginalFile(&result), WO_S_OK);
    QCOMPARE(result, int16_t(0));
    QCOMPARE(f.dialogs->calls(dialogs::ScriptedDialogs::Kind::MessageBox).size(), 1);
    QCOMPARE(main->put_CheckDuplicates(0), WO_S_OK);
    f.dialogs->queueFiles({f.source(QStringLiteral("again.txt"), "from the host")});
    QCOMPARE(main->AddOriginalFile(&result), WO_S_OK);
    QCOMPARE(result, int16_t(-1));
    QCOMPARE(f.rows().size(), 2);
    QCOMPARE(f.dialogs->calls(dialogs::ScriptedDialogs::Kind::MessageBox).size(), 1);
    MyInit::reset();
    QVERIFY(MyInit::record().checkDuplicates);
}

void TestAdding::cancelledAddLeavesNothing_data() {
    QTest::addColumn<bool>("ftp");
    QTest::newRow("folder copy") << false;
    QTest::newRow("FTP upload") << true;
}

// Cancel pressed in the progress window: false with no message, no row, and nothing
// stored, temporary or not, on either side. The upload runs against a server held
// to 1 MiB/s, so its window comes after a second as for a person; the folder copy is
// too quick for that and shows its window at once. The upload outgrows the megabytes a
// client's socket buffer takes at once, so Cancel still comes before all of it is sent.
void TestAdding::cancelledAddLeavesNothing() {
    QFETCH(bool, ftp);
    Fixture f;
    const QByteArray content = test::binaryContent(ftp ? 32 << 20 : 8 << 20, 5);
    f.source(QStringLiteral("大.bin"), content);
    const QString root = f.box.path(QStringLiteral("server"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/docs")));
    std::optional<test::ThrottledFtp> server;
    const inet::Handle session = inet::InternetOpen(QStringLiteral("tst_adding"));
    const auto closeSession = qScopeGuard([&] { inet::InternetCloseHandle(session); });
    const auto showAfter = transfer::TransferMeter::showAfter;
    const auto restore = qScopeGuard([showAfter] { transfer::TransferMeter::showAfter = showAfter; });
    qint64 cancelAt = 0;
    if (ftp) {
        server.emplace(root, 1 << 20);
        const inet::Handle connection = inet::InternetConnect(
            session, QStringLiteral("127.0.0.1"), server->port, QStringLiteral("u"), QStringLiteral("p"));
        QVERIFY2(connection != 0, qPrintable(inet::InternetGetLastResponseInfo()));
        f.useFtp(session, connection, QStringLiteral("/docs"));
        cancelAt = 2 << 20;
    } else {
        transfer::TransferMeter::showAfter = std::chrono::milliseconds(0);
    }
    f.dialogs->queueTransferCancel(cancelAt);

    QVERIFY(!f.operation().AddFileToObj(f.sourceFolder(), QStringLiteral("大.bin"), f.collect()));
    QVERIFY(f.rows().isEmpty());
    QVERIFY(f.added.isEmpty());
    const auto calls = f.dialogs->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].kind, dialogs::ScriptedDialogs::Kind::TransferProgress);
    QCOMPARE(calls[0].text, QStringLiteral("大.bin"));
    QCOMPARE(calls[0].totalBytes, qint64(content.size()));
    // The folder copy may be whole when Cancel comes; it still leaves nothing.
    QVERIFY2(calls[0].bytes >= cancelAt && calls[0].bytes <= content.size() - (ftp ? 1 : 0),
             qPrintable(QString::number(calls[0].bytes)));
    if (ftp)
        QCOMPARE(test::tree(root), QStringList({QStringLiteral("docs"), QStringLiteral("docs/2006-03")}));
    else
        QCOMPARE(test::tree(f.root()), QStringList({QStringLiteral("2006-03")}));
    QCOMPARE(test::tree(transfer::cacheFolder()), QStringList());
}

void TestAdding::duplicatesAsked_data() {
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<bool>("check");
    QTest::addColumn<bool>("addAnyway");
    for (const bool ftp : {false, true}) {
        const char* mode = ftp ? "FTP" : "folder";
        QTest::addRow("%s, kept out", mode) << ftp << true << false;
        QTest::addRow("%s, added anyway", mode) << ftp << true << true;
        QTest::addRow("%s, check off", mode) << ftp << false << false;
    }
}

// Three files added at once after "原件.pdf": two with its bytes, each asked about by
// its own name and the holder's, and one of its size with other bytes, never asked
// about. The stored copy is compared, not the cached one the add left behind.
void TestAdding::duplicatesAsked() {
    QFETCH(bool, ftp);
    QFETCH(bool, check);
    QFETCH(bool, addAnyway);
    const dialogs::Answer answer = addAnyway ? dialogs::Answer::Yes : dialogs::Answer::No;
    Fixture f;
    if (ftp)
        f.useFtp();
    f.record.checkDuplicates = check;
    const QByteArray content = test::binaryContent(70000, 3);
    QByteArray other = content;
    other[500] = char(other[500] ^ 1);
    f.randoms << 0.1 << 0.2 << 0.3 << 0.4;
    QVERIFY(f.operation().AddFileToObj(f.source(QStringLiteral("原件.pdf"), content).section(u'/', 0, -2),
                                       QStringLiteral("原件.pdf"), f.collect()));
    QVERIFY(test::writeFile(f.added.first().cachePath, "not what is stored"));
    if (check) {
        f.dialogs->queueAnswer(answer);
        f.dialogs->queueAnswer(answer);
    }

    const bool lastAdded = f.operation().AddFiles({f.source(QStringLiteral("副本.pdf"), content),
                                                   f.source(QStringLiteral("改过.pdf"), other),
                                                   f.source(QStringLiteral("再一份.PDF"), content)});
    const bool added = !check || addAnyway;
    QCOMPARE(lastAdded, added);
    QStringList names;
    for (const QVariantList& row : f.rows())
        names << row[1].toString();
    QCOMPARE(names, added ? QStringList({QStringLiteral("原件.pdf"), QStringLiteral("副本.pdf"),
                                         QStringLiteral("改过.pdf"), QStringLiteral("再一份.PDF")})
                          : QStringList({QStringLiteral("原件.pdf"), QStringLiteral("改过.pdf")}));
    const auto boxes = f.dialogs->calls(dialogs::ScriptedDialogs::Kind::MessageBox);
    QStringList asked;
    for (const auto& box : boxes) {
        QCOMPARE(box.title, QStringLiteral("添加原文"));
        asked << box.text;
    }
    const auto question = [](const QString& name) {
        return QStringLiteral("文件“%1”与本业务已有的原文“原件.pdf”内容相同，是否仍要添加？").arg(name);
    };
    QCOMPARE(asked, check ? QStringList({question(QStringLiteral("副本.pdf")),
                                         question(QStringLiteral("再一份.PDF"))})
                          : QStringList());
}

QTEST_GUILESS_MAIN(TestAdding)
#include "tst_adding.moc"
