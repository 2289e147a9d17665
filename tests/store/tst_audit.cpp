#include "DyingFtp.h"
#include "Sandbox.h"
#include "TestDatabase.h"
#include "TestFiles.h"
#include "TestFtp.h"
#include "dialogs/ScriptedDialogs.h"
#include "platform/Error.h"
#include "platform/inet/Inet.h"
#include "store/Audit.h"
#include "store/ClsFileOperation.h"
#include "store/PrintableName.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <algorithm>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace wo;
using store::FindingKind;

enum class Server { None, Ftp, Vsftpd };
Q_DECLARE_METATYPE(Server)

namespace {

const QString kMonth = QStringLiteral("2026-11");
const QString kOtherMonth = QStringLiteral("2026-12");

// The program's options for the test's database.
QStringList databaseArguments(const test::TestDatabase& db) {
    if (db.driver() == QLatin1String("QSQLITE"))
        return {QStringLiteral("--database"), db.connectString().section(QLatin1Char('='), 1)};
    if (db.driver() == QLatin1String("QMYSQL"))
        return {QStringLiteral("--mariadb"), db.connectString()};
    return {QStringLiteral("--postgres"), db.connectString()};
}

// A table and a store (a sandbox folder, or a folder of the run's FTP server, or of
// its strict server, which lists by LIST only) in which faults of every kind are
// planted; files are written on disk in every mode.
struct Fixture {
    test::TestDatabase db;
    test::Sandbox box;
    std::optional<test::TestFtp> ftp;
    store::AuditStore store;
    inet::Handle strictSession = 0;

    explicit Fixture(Server server) {
        db.createDocumentTable();
        store.ftpMode = server != Server::None;
        if (server == Server::Ftp) {
            ftp.emplace();
            store.root = ftp->remoteFolder();
            store.ftpConnection = ftp->connection();
        } else if (server == Server::Vsftpd) {
            // Its user is not jailed: remote paths are the machine's.
            const QString dir = qEnvironmentVariable("WO_TEST_VSFTPD_DIR");
            store.root = dir + QStringLiteral("/abs/audit");
            QDir().mkpath(store.root);
            strictSession = inet::InternetOpen(QStringLiteral("tst_audit"));
            store.ftpConnection = inet::InternetConnect(
                strictSession, QStringLiteral("127.0.0.1"),
                static_cast<quint16>(test::readFile(dir + QStringLiteral("/port")).trimmed().toUInt()),
                qEnvironmentVariable("WO_TEST_VSFTPD_USER"), qEnvironmentVariable("WO_TEST_VSFTPD_PASSWORD"));
            if (!store.ftpConnection)
                qFatal("%s", qPrintable(inet::InternetGetLastResponseInfo()));
        } else {
            store.root = box.path(QStringLiteral("store"));
            QDir().mkpath(store.root);
        }
    }
    ~Fixture() {
        if (strictSession)
            inet::InternetCloseHandle(strictSession);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;
    // FilePath of a document added in month.
    QString filePath(const QString& month) const {
        return store.ftpMode ? store.root + QLatin1Char('/') + month : month;
    }
    // Where relative (under the root) lies on disk; written old enough to be moved.
    QString plant(const QString& relative, const QByteArray& content) const {
        const QString path = (ftp ? ftp->onDisk(store.root) : store.root) + QLatin1Char('/') + relative;
        if (!test::writeFile(path, content))
            qFatal("cannot write %s", qPrintable(path));
        age(path, 3600);
        return path;
    }
    static void age(const QString& path, int seconds) {
        QFile file(path);
        if (!file.open(QIODevice::ReadWrite) ||
            !file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                              QFileDevice::FileModificationTime))
            qFatal("cannot date %s", qPrintable(path));
    }
    void row(const QString& id, const QString& type, const QString& record, int order, const QString& path,
             qint64 size) {
        db.insertRow(id, id + QStringLiteral(" name"), type, record, order, path, size);
    }
    // A document whose row and file agree.
    void document(const QString& id, const QString& record, int order) {
        const QByteArray content = "content of " + id.toUtf8();
        row(id, QStringLiteral(".TIF"), record, order, filePath(kMonth), content.size());
        plant(kMonth + QLatin1Char('/') + id + QStringLiteral(".TIF"), content);
    }

    // One fault of each kind, and the keys audit() must report for them.
    // After the document 20261101000000000001 of R1.
    QStringList plantFaults() {
        // Shared by another record: one file, named twice, no finding.
        row(QStringLiteral("20261101000000000001"), QStringLiteral(".TIF"), QStringLiteral("R2"), 1,
            filePath(kMonth), 31);
        row(QStringLiteral("20261101000000000002"), QStringLiteral(".PDF"), QStringLiteral("R1"), 2,
            filePath(kMonth), 10);
        row(QStringLiteral("20261101000000000003"), QStringLiteral(".JPG"), QStringLiteral("R1"), 1,
            filePath(kOtherMonth), 9);
        plant(kOtherMonth + QStringLiteral("/20261101000000000003.JPG"), "12345");
        row(QStringLiteral("../escape"), QStringLiteral(".TIF"), QStringLiteral("R1"), 3, filePath(kMonth),
            1);
        row(QStringLiteral("20261101000000000004"), QStringLiteral(".TIF"), QStringLiteral("R2"), 2,
            filePath(kMonth) + QStringLiteral("/../.."), 1);
        plant(kMonth + QStringLiteral("/20261101000000000099.TIF"), "nobody's");
        plant(QStringLiteral("20261101000000000098.DOC"), "in the root");
        // Not named like a document: a root may hold other things.
        plant(QStringLiteral("readme.txt"), "not the store's");
        plant(kMonth + QStringLiteral("/.0123456789abcdef.tmp"), "half a copy");
        plant(kOtherMonth + QStringLiteral("/.20261101000000000005.TIF.part-0badf00d"), "half an upload");
        return {QStringLiteral("missing-file 20261101000000000002"),
                QStringLiteral("size-differs 20261101000000000003"),
                QStringLiteral("unnamed-file ") + kMonth + QStringLiteral("/20261101000000000099.TIF"),
                QStringLiteral("unnamed-file 20261101000000000098.DOC"),
                QStringLiteral("temporary ") + kMonth + QStringLiteral("/.0123456789abcdef.tmp"),
                QStringLiteral("temporary ") + kOtherMonth +
                    QStringLiteral("/.20261101000000000005.TIF.part-0badf00d"),
                QStringLiteral("same-file-order 1 20261101000000000001,20261101000000000003"),
                QStringLiteral("refused-row name ../escape"),
                QStringLiteral("refused-row path 20261101000000000004")};
    }

    QStringList programArguments() const {
        QStringList args = databaseArguments(db);
        if (!store.ftpMode)
            return args << QStringLiteral("--store") << store.root;
        return args << QStringLiteral("--ftp")
                    << QStringLiteral("ftp://%1:%2@127.0.0.1:%3%4")
                           .arg(qEnvironmentVariable("WO_TEST_FTP_USER"),
                                qEnvironmentVariable("WO_TEST_FTP_PASSWORD"))
                           .arg(test::TestFtp::port())
                           .arg(store.root);
    }
};

QString key(const store::AuditFinding& f) {
    switch (f.kind) {
    case FindingKind::MissingFile:
        return QStringLiteral("missing-file ") + f.id;
    case FindingKind::SizeDiffers:
        return QStringLiteral("size-differs ") + f.id;
    case FindingKind::UnnamedFile:
        return QStringLiteral("unnamed-file ") + f.relative;
    case FindingKind::Temporary:
        return QStringLiteral("temporary ") + f.relative;
    case FindingKind::SameFileOrder: {
        QStringList ids = f.ids;
        ids.sort();
        return QStringLiteral("same-file-order ") + f.fileOrder + QLatin1Char(' ') +
               ids.join(QLatin1Char(','));
    }
    case FindingKind::RefusedRow:
        return QStringLiteral("refused-row ") + f.refusal + QLatin1Char(' ') + f.id;
    case FindingKind::Link:
        return QStringLiteral("link ") + f.relative;
    case FindingKind::HostileName:
        return QStringLiteral("hostile-name ") + f.relative;
    case FindingKind::OutsideStore:
        return QStringLiteral("outside-store ") + f.id;
    }
    return {};
}

QStringList keys(const store::AuditReport& report) {
    QStringList list;
    for (const auto& finding : report.findings)
        list << key(finding);
    list.sort();
    return list;
}

struct Run {
    int exitCode = -1;
    QJsonObject report;
    QByteArray errors;
    QByteArray output;
};

Run runProgram(const QStringList& arguments) {
    QProcess program;
    program.start(QStringLiteral(WO_AUDIT_PROGRAM), arguments);
    if (!program.waitForFinished(60000))
        qFatal("wendra-audit did not finish");
    Run run;
    run.exitCode = program.exitCode();
    run.output = program.readAllStandardOutput();
    run.report = QJsonDocument::fromJson(run.output).object();
    run.errors = program.readAllStandardError();
    return run;
}

void runOrDie(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
}

// A second user of the machine, made for the test and removed after it, named after
// the build folder and the database so parallel runs do not clash: the owner of a
// store, who plants links and files in it.
class OtherUser {
public:
    explicit OtherUser(const QString& flavour)
        : m_name(QStringLiteral("wo-aud-") +
                 QString::fromLatin1(
                     QCryptographicHash::hash((QCoreApplication::applicationDirPath() + flavour).toUtf8(),
                                              QCryptographicHash::Md5)
                         .toHex()
                         .left(8))) {
        if (!::getpwnam(m_name.toUtf8().constData()))
            runOrDie(QStringLiteral("useradd"),
                     {QStringLiteral("--no-create-home"), QStringLiteral("--shell"),
                      QStringLiteral("/bin/sh"), m_name});
    }
    ~OtherUser() { QProcess::execute(QStringLiteral("userdel"), {m_name}); }
    OtherUser(const OtherUser&) = delete;
    OtherUser& operator=(const OtherUser&) = delete;

    void own(const QString& path) const {
        runOrDie(QStringLiteral("chown"), {QStringLiteral("-R"), m_name, path});
    }
    void shell(const QString& command) const {
        runOrDie(QStringLiteral("runuser"), {QStringLiteral("-u"), m_name, QStringLiteral("--"),
                                             QStringLiteral("/bin/sh"), QStringLiteral("-c"), command});
    }

private:
    QString m_name;
};

std::pair<uint, uint> ownerAndMode(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_uid, st.st_mode & 07777};
}

bool onOneFileSystem(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

QStringList movedTargets(const QList<store::QuarantineMove>& moves, bool moved) {
    QStringList targets;
    for (const auto& move : moves)
        if (move.problem.isEmpty() == moved)
            targets << move.target;
    targets.sort();
    return targets;
}

inet::Handle connectTo(inet::Handle session, quint16 port, const QString& user, const QString& password) {
    const inet::Handle connection =
        inet::InternetConnect(session, QStringLiteral("127.0.0.1"), port, user, password);
    if (!connection)
        qFatal("%s", qPrintable(inet::InternetGetLastResponseInfo()));
    return connection;
}

} // namespace

class TestAudit : public QObject {
    Q_OBJECT

private slots:
    void faults_data() {
        QTest::addColumn<Server>("server");
        QTest::newRow("folder") << Server::None;
        QTest::newRow("ftp") << Server::Ftp;
        QTest::newRow("vsftpd") << Server::Vsftpd;
    }

    // Every kind of fault is found in both storage modes; with one record only that
    // record's rows are checked.
    void faults() {
        QFETCH(Server, server);
        const QString strictDir = qEnvironmentVariable("WO_TEST_VSFTPD_DIR");
        if (server == Server::Vsftpd && QFile::exists(strictDir + QStringLiteral("/skip")))
            QSKIP(test::readFile(strictDir + QStringLiteral("/skip")).constData());
        Fixture f(server);
        f.document(QStringLiteral("20261101000000000001"), QStringLiteral("R1"), 1);
        QStringList expected = f.plantFaults();
        expected.sort();
        const store::AuditReport report = store::audit(f.db.connection(), f.store);
        QCOMPARE(keys(report), expected);
        QCOMPARE(report.rows, 6);
        // Both documents' files, the unnamed two and the two temporaries; not readme.txt.
        QCOMPARE(report.storedFiles, 6);

        const store::AuditReport one = store::audit(f.db.connection(), f.store, {QStringLiteral("R2"), {}});
        QVERIFY(!one.storeSearched);
        QCOMPARE(keys(one), QStringList{QStringLiteral("refused-row path 20261101000000000004")});
    }

    void program_data() {
        QTest::addColumn<bool>("ftpMode");
        QTest::newRow("folder") << false;
        QTest::newRow("ftp") << true;
    }

    // The program's exit status and report, and quarantine: unnamed files and old
    // temporaries move under their month path; a recent file and named files stay.
    void program() {
        QFETCH(bool, ftpMode);
        Fixture f(ftpMode ? Server::Ftp : Server::None);
        f.document(QStringLiteral("20261101000000000001"), QStringLiteral("R1"), 1);
        const QStringList args = f.programArguments();
        Run clean = runProgram(args + QStringList{QStringLiteral("--json")});
        QCOMPARE(clean.exitCode, 0);
        QCOMPARE(clean.report.value(QStringLiteral("findings")).toArray().size(), 0);

        f.plantFaults();
        const QString recent = f.plant(kMonth + QStringLiteral("/20261101000000000097.TIF"), "just stored");
        Fixture::age(recent, 0);
        const QString quarantine =
            ftpMode ? f.store.root + QStringLiteral("-quarantine") : f.box.path(QStringLiteral("quarantine"));
        Run found = runProgram(
            args + QStringList{QStringLiteral("--json"), QStringLiteral("--quarantine"), quarantine});
        QCOMPARE(found.exitCode, 1);
        QCOMPARE(found.report.value(QStringLiteral("findings")).toArray().size(), 10);
        QStringList moved;
        QStringList left;
        for (const QJsonValue move : found.report.value(QStringLiteral("quarantine")).toArray())
            (move[QStringLiteral("moved")].toBool() ? moved : left)
                << move[QStringLiteral("target")].toString();
        moved.sort();
        left.sort();
        QStringList expectedMoves{
            quarantine + QStringLiteral("/20261101000000000098.DOC"),
            quarantine + QLatin1Char('/') + kMonth + QStringLiteral("/.0123456789abcdef.tmp"),
            quarantine + QLatin1Char('/') + kMonth + QStringLiteral("/20261101000000000099.TIF"),
            quarantine + QLatin1Char('/') + kOtherMonth +
                QStringLiteral("/.20261101000000000005.TIF.part-0badf00d")};
        expectedMoves.sort();
        const QString recentTarget =
            quarantine + QLatin1Char('/') + kMonth + QStringLiteral("/20261101000000000097.TIF");
        if (ftpMode) {
            QCOMPARE(moved, expectedMoves);
            QCOMPARE(left, QStringList{recentTarget});
            QCOMPARE(test::readFile(f.ftp->onDisk(quarantine) + QLatin1Char('/') + kMonth +
                                    QStringLiteral("/20261101000000000099.TIF")),
                     QByteArray("nobody's"));
        } else {
            // Planting set the files' times back, but their status change times are
            // now: all stay (moves after ten minutes: plantedByAnotherUser).
            QVERIFY(moved.isEmpty());
            QStringList all = expectedMoves << recentTarget;
            all.sort();
            QCOMPARE(left, all);
            QCOMPARE(ownerAndMode(quarantine), std::make_pair(uint(::geteuid()), 0700u));
        }
        QVERIFY(QFileInfo::exists(recent));

        // What is left: the five row faults and the recent file (and in folder mode the rest).
        Run after = runProgram(args + QStringList{QStringLiteral("--json")});
        QCOMPARE(after.exitCode, 1);
        QCOMPARE(after.report.value(QStringLiteral("findings")).toArray().size(), ftpMode ? 6 : 10);

        Run noRoot = runProgram(
            QStringList(args).replaceInStrings(f.store.root, f.store.root + QStringLiteral("-none")));
        QCOMPARE(noRoot.exitCode, 2);
        QVERIFY2(noRoot.errors.contains("-none"), noRoot.errors.constData());
        QCOMPARE(runProgram({QStringLiteral("--store"), f.store.root}).exitCode, 2);
    }
    void printableName_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("UTF-8 stays") << QByteArray("合同 1.TIF") << QStringLiteral("合同 1.TIF");
        QTest::newRow("line breaks and tab") << QByteArray("a\nb\rc\td") << QStringLiteral("a\\nb\\rc\\td");
        QTest::newRow("NUL, escape, DEL")
            << QByteArray("a\0\x1b\x7f", 4) << QStringLiteral("a\\x00\\x1b\\x7f");
        QTest::newRow("not UTF-8") << QByteArray("a\xff\xc3") << QStringLiteral("a\\xff\\xc3");
        QTest::newRow("overlong") << QByteArray("\xc0\xaf") << QStringLiteral("\\xc0\\xaf");
        QTest::newRow("C1 control differs from its byte")
            << QByteArray("\xc2\x85") << QStringLiteral("\\u0085");
        QTest::newRow("backslash doubled") << QByteArray("a\\xff") << QStringLiteral("a\\\\xff");
    }
    // Names of any bytes are shown one to one, none of them breaking a line.
    void printableName() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(store::printableName(bytes), shown);
    }

    // A second user owns the store and plants in it: a month-named link to a folder
    // outside, a document-named link to a root-only file, names that are not UTF-8 and
    // one with a line feed. Links are reported and stay; nothing outside is moved,
    // read or changed; the other files move only once both their times are old.
    void plantedByAnotherUser() {
        if (::geteuid() != 0)
            QSKIP("needs root: the store belongs to a second user the test creates");
        Fixture f(Server::None);
        const OtherUser other(f.db.driver());
        // Qt's folder removal passes over names that are not UTF-8.
        const auto removeNames = qScopeGuard([&] {
            QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), f.store.root,
                                                     f.box.path(QStringLiteral("quarantine"))});
        });
        QVERIFY(QFile::setPermissions(f.box.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                        QFileDevice::ExeOwner | QFileDevice::ExeOther));
        const QString outside =
            f.box.writeFile(QStringLiteral("outside/20200101000000000001.TIF"), "outside");
        const QString secret = f.box.writeFile(QStringLiteral("secret"), "root only");
        QVERIFY(QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        other.own(f.store.root);
        other.shell(
            QStringLiteral("cd '%1' && ln -s '%2' 2020-01 && mkdir 2026-11 && cd 2026-11 && "
                           "ln -s '%3' 20261101000000000077.TIF && echo x > 20261101000000000078.TIF && "
                           "touch \"$(printf 'a\\377.TIF')\" \"$(printf 'a\\376.TIF')\" "
                           "\"$(printf 'a\\nb.TIF')\" && touch -h -d '1 hour ago' *")
                .arg(f.store.root, QFileInfo(outside).path(), secret));

        const store::AuditReport report = store::audit(f.db.connection(), f.store);
        const QStringList expected{QStringLiteral("link 2020-01"),
                                   QStringLiteral("link 2026-11/20261101000000000077.TIF"),
                                   QStringLiteral("unnamed-file 2026-11/20261101000000000078.TIF"),
                                   QStringLiteral("unnamed-file 2026-11/a\\nb.TIF"),
                                   QStringLiteral("unnamed-file 2026-11/a\\xfe.TIF"),
                                   QStringLiteral("unnamed-file 2026-11/a\\xff.TIF")};
        QCOMPARE(keys(report), expected);

        // The report shows the line feed escaped, and its JSON stays valid.
        const QStringList args = f.programArguments();
        const Run text = runProgram(args);
        QCOMPARE(text.exitCode, 1);
        QVERIFY2(text.output.contains("2026-11/a\\nb.TIF") && !text.output.contains("\nb.TIF"),
                 text.output.constData());
        QCOMPARE(runProgram(args + QStringList{QStringLiteral("--json")})
                     .report.value(QStringLiteral("findings"))
                     .toArray()
                     .size(),
                 6);

        // Their own times are an hour old, but not their status change times.
        const QString quarantine = f.box.path(QStringLiteral("quarantine"));
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QCOMPARE(movedTargets(store::quarantine(f.db.connection(), f.store, report, quarantine, now), true),
                 QStringList());
        const QList<store::QuarantineMove> moves =
            store::quarantine(f.db.connection(), f.store, report, quarantine, now.addSecs(3600));
        QCOMPARE(movedTargets(moves, true).size(), 4);
        QCOMPARE(moves.size(), 4);

        QVERIFY(QFileInfo(f.store.root + QStringLiteral("/2020-01")).isSymLink());
        QVERIFY(QFileInfo(f.store.root + QStringLiteral("/2026-11/20261101000000000077.TIF")).isSymLink());
        QCOMPARE(QDir(f.store.root + QStringLiteral("/2026-11"))
                     .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden)
                     .size(),
                 1);
        QCOMPARE(test::readFile(outside), QByteArray("outside"));
        QCOMPARE(test::readFile(secret), QByteArray("root only"));
        QCOMPARE(ownerAndMode(secret), std::make_pair(0u, 0600u));
        for (const QString& level : {quarantine, quarantine + QStringLiteral("/2026-11")})
            QCOMPARE(ownerAndMode(level), std::make_pair(0u, 0700u));
        QCOMPARE(QDir(quarantine).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("2026-11")});
        QCOMPARE(test::readFile(quarantine + QStringLiteral("/2026-11/20261101000000000078.TIF")),
                 QByteArray("x\n"));
    }

    void quarantineRefused_data() {
        QTest::addColumn<QString>("quarantine");
        QTest::newRow("inside the store") << QStringLiteral("inside");
        QTest::newRow("holding the store") << QStringLiteral("holding");
        QTest::newRow("a link to a folder") << QStringLiteral("link");
        QTest::newRow("another user's folder") << QStringLiteral("other");
        QTest::newRow("open to others") << QStringLiteral("open");
        QTest::newRow("another file system") << QStringLiteral("tmpfs");
        QTest::newRow("its month folder a link") << QStringLiteral("month link");
    }

    // A quarantine that is not the auditor's own, outside the store and on its file
    // system moves nothing: the file stays, nothing lands elsewhere.
    void quarantineRefused() {
        QFETCH(QString, quarantine);
        Fixture f(Server::None);
        const QString file = f.plant(kMonth + QStringLiteral("/20261101000000000099.TIF"), "nobody's");
        const QString elsewhere = f.box.path(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(elsewhere));
        QString folder = f.box.path(QStringLiteral("quarantine"));
        std::optional<OtherUser> other;
        if (quarantine == QLatin1String("inside")) {
            folder = f.store.root + QStringLiteral("/quarantine");
        } else if (quarantine == QLatin1String("holding")) {
            folder = f.box.path();
        } else if (quarantine == QLatin1String("link")) {
            QVERIFY(QFile::link(elsewhere, folder));
        } else if (quarantine == QLatin1String("other")) {
            if (::geteuid() != 0)
                QSKIP("needs root to create a second user");
            other.emplace(f.db.driver());
            QVERIFY(QDir().mkpath(folder));
            other->own(folder);
        } else if (quarantine == QLatin1String("open")) {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
        } else if (quarantine == QLatin1String("tmpfs")) {
            folder = QStringLiteral("/dev/shm/wo-audit-%1").arg(QCoreApplication::applicationPid());
            if (onOneFileSystem(QStringLiteral("/dev/shm"), f.store.root))
                QSKIP("/dev/shm and the build folder are on one file system here");
        } else {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner));
            QVERIFY(QFile::link(elsewhere, folder + QLatin1Char('/') + kMonth));
        }
        const store::AuditReport report = store::audit(f.db.connection(), f.store);
        const QDateTime later = QDateTime::currentDateTimeUtc().addSecs(3600);
        if (quarantine == QLatin1String("month link")) {
            const auto moves = store::quarantine(f.db.connection(), f.store, report, folder, later);
            QCOMPARE(moves.size(), 1);
            QVERIFY(moves.first().failed);
        } else {
            QVERIFY_THROWS_EXCEPTION(Error,
                                     store::quarantine(f.db.connection(), f.store, report, folder, later));
        }
        QCOMPARE(test::readFile(file), QByteArray("nobody's"));
        QVERIFY(QDir(elsewhere).isEmpty());
        // A quarantine the audit made and then refused is gone again.
        if (quarantine == QLatin1String("tmpfs"))
            QVERIFY(!QFileInfo::exists(folder));
    }

    void hostileListings_data() {
        QTest::addColumn<bool>("listOnly");
        QTest::newRow("MLSD") << false;
        QTest::newRow("LIST only") << true;
    }

    // A server lists names that climb out, are absolute, hold CR, LF or NUL, or are not
    // UTF-8; rows name folders outside the root. All are reported, and no command the
    // audit sends names a place outside the store and the quarantine.
    void hostileListings() {
        QFETCH(bool, listOnly);
        Fixture f(Server::None);
        const QString served = f.box.path(QStringLiteral("served"));
        QVERIFY(QDir().mkpath(served + QStringLiteral("/store/2026-11")));
        QVERIFY(QDir().mkpath(served + QStringLiteral("/quarantine")));
        const QString log = f.box.path(QStringLiteral("commands"));
        QProcessEnvironment hostile;
        hostile.insert(QStringLiteral("WO_FTP_HOSTILE"), QStringLiteral("1"));
        hostile.insert(QStringLiteral("WO_FTP_COMMANDS"), log);
        if (listOnly)
            hostile.insert(QStringLiteral("WO_FTP_NO_MLSD"), QStringLiteral("1"));
        const test::HostileFtp server(served, hostile);
        const inet::Handle session = inet::InternetOpen(QStringLiteral("tst_audit"));
        const auto close = qScopeGuard([&] { inet::InternetCloseHandle(session); });
        f.store = {true, QStringLiteral("/store"),
                   connectTo(session, server.port, QStringLiteral("u"), QStringLiteral("p"))};
        QVERIFY(test::writeFile(served + f.store.root + QStringLiteral("/2026-11/20261101000000000099.TIF"),
                                "nobody's"));
        Fixture::age(served + f.store.root + QStringLiteral("/2026-11/20261101000000000099.TIF"), 3600);
        for (const QString& path : {QStringLiteral("/"), QStringLiteral("/other"), QString()})
            f.row(QStringLiteral("2026110100000000000%1").arg(path.size()), QStringLiteral(".TIF"),
                  QStringLiteral("R1"), int(path.size()), path, 1);

        const store::AuditReport report = store::audit(f.db.connection(), f.store);
        QStringList hostileNames;
        QStringList others;
        for (const QString& k : keys(report))
            (k.startsWith(QLatin1String("hostile-name ")) ? hostileNames : others) << k;
        QCOMPARE(others, (QStringList{QStringLiteral("outside-store 20261101000000000000"),
                                      QStringLiteral("outside-store 20261101000000000001"),
                                      QStringLiteral("outside-store 20261101000000000006"),
                                      QStringLiteral("unnamed-file 2026-11/20261101000000000099.TIF")}));
        // Seven in the root and seven in the month folder.
        QCOMPARE(hostileNames.size(), 14);
        // libcurl hands listings over with CR and CR LF made LF: a name's CR shows as "\n".
        for (const char* shown :
             {"2026-11/../20261101000000000050.TIF", "2026-11/20261101000000000051.TIF\\",
              "2026-11/20261101000000000052\\x00.TIF", "2026-11/20261101000000000053.TIF\\nRNFR y",
              "2026-11/20261101000000000054\\xff.TIF", "/etc/passwd"})
            QVERIFY2(std::any_of(hostileNames.cbegin(), hostileNames.cend(),
                                 [&](const QString& k) {
                                     return k.startsWith(QStringLiteral("hostile-name ") +
                                                         QString::fromUtf8(shown));
                                 }),
                     shown);

        const auto moves =
            store::quarantine(f.db.connection(), f.store, report, QStringLiteral("/quarantine"));
        QCOMPARE(movedTargets(moves, true),
                 QStringList{QStringLiteral("/quarantine/2026-11/20261101000000000099.TIF")});
        QCOMPARE(test::readFile(served + QStringLiteral("/quarantine/2026-11/20261101000000000099.TIF")),
                 QByteArray("nobody's"));
        static const QRegularExpression verbs(
            QStringLiteral("^(CWD|MKD|RMD|RNFR|RNTO|DELE|MDTM|STOR|RETR) (.*)$"));
        for (const QString& line : QString::fromUtf8(test::readFile(log)).split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch m = verbs.match(line);
            if (!m.hasMatch())
                continue;
            const QString where = m.captured(2);
            QVERIFY2(!where.contains(QLatin1String("..")) && !where.contains(QLatin1String("etc")) &&
                         (where.startsWith(QLatin1String("/store")) ||
                          where.startsWith(QLatin1String("/quarantine")) ||
                          !where.contains(QLatin1Char('/'))),
                     qPrintable(line));
        }
    }

    void addInFlight_data() {
        QTest::addColumn<bool>("vsftpd");
        QTest::newRow("vsftpd, LIST only") << true;
        QTest::newRow("MLSD in local time, UTC-8") << false;
    }

    // An audit runs while an add is held before its commit: the added file, fresh by
    // MDTM whatever the listing says, stays and keeps its row; a file an hour old moves.
    void addInFlight() {
        QFETCH(bool, vsftpd);
        const QString strictDir = qEnvironmentVariable("WO_TEST_VSFTPD_DIR");
        if (vsftpd && QFile::exists(strictDir + QStringLiteral("/skip")))
            QSKIP(test::readFile(strictDir + QStringLiteral("/skip")).constData());
        Fixture f(Server::None);
        dialogs::ScriptedDialogsScope dialogs;
        std::optional<test::HostileFtp> localTime;
        QString user = qEnvironmentVariable("WO_TEST_VSFTPD_USER");
        QString password = qEnvironmentVariable("WO_TEST_VSFTPD_PASSWORD");
        QString onDisk;
        quint16 port = 0;
        QString root;
        if (vsftpd) {
            port = quint16(test::readFile(strictDir + QStringLiteral("/port")).trimmed().toUInt());
            root =
                strictDir +
                QStringLiteral("/abs/race-%1-%2").arg(f.db.driver()).arg(QCoreApplication::applicationPid());
        } else {
            QProcessEnvironment zone;
            zone.insert(QStringLiteral("WO_FTP_LOCAL_TIME"), QStringLiteral("UTC+8"));
            onDisk = f.box.path(QStringLiteral("served"));
            QVERIFY(QDir().mkpath(onDisk));
            localTime.emplace(onDisk, zone);
            port = localTime->port;
            user = QStringLiteral("u");
            password = QStringLiteral("p");
            root = QStringLiteral("/store");
        }
        const inet::Handle session = inet::InternetOpen(QStringLiteral("tst_audit"));
        const auto close = qScopeGuard([&] { inet::InternetCloseHandle(session); });
        const inet::Handle connection = connectTo(session, port, user, password);
        const QString month = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM"));
        QVERIFY(inet::FtpCreateDirectory(connection, root));
        QVERIFY(inet::FtpCreateDirectory(connection, root + QLatin1Char('/') + month));
        const QString old =
            onDisk + root + QLatin1Char('/') + month + QStringLiteral("/20200101000000000001.PDF");
        QVERIFY(test::writeFile(old, "an hour old"));
        Fixture::age(old, 3600);
        const QString source = f.box.writeFile(QStringLiteral("src/a.pdf"), "%PDF-1.4 in flight");

        const QString quarantine = root + QStringLiteral("-quarantine");
        Run during;
        store::ClsFileOperation::beforeCommit = [&] {
            during = runProgram(
                databaseArguments(f.db) +
                QStringList{
                    QStringLiteral("--ftp"),
                    QStringLiteral("ftp://%1:%2@127.0.0.1:%3%4").arg(user, password).arg(port).arg(root),
                    QStringLiteral("--quarantine"), quarantine, QStringLiteral("--json")});
        };
        const auto noHook = qScopeGuard([] { store::ClsFileOperation::beforeCommit = nullptr; });
        QString id;
        const settings::Record record{f.db.connectionPtr(), QStringLiteral("R"),
                                      settings::Storage{root, true, static_cast<std::int32_t>(session),
                                                        static_cast<std::int32_t>(connection)},
                                      &id};
        QVERIFY(store::ClsFileOperation(record).AddFiles({source}));
        QVERIFY2(during.exitCode == 1, during.errors.constData());

        const QString added =
            root + QLatin1Char('/') + month + QLatin1Char('/') + id + QStringLiteral(".PDF");
        QStringList moved;
        QStringList left;
        for (const QJsonValue move : during.report.value(QStringLiteral("quarantine")).toArray())
            (move[QStringLiteral("moved")].toBool() ? moved : left)
                << move[QStringLiteral("file")].toString();
        QCOMPARE(left, QStringList{added});
        QCOMPARE(moved,
                 QStringList{root + QLatin1Char('/') + month + QStringLiteral("/20200101000000000001.PDF")});
        QCOMPARE(test::readFile(onDisk + added), QByteArray("%PDF-1.4 in flight"));
        QCOMPARE(keys(store::audit(f.db.connection(), {true, root, connection})), QStringList());
    }

    // An FTPS store whose certificate a private authority signed is audited with that
    // authority's certificate, and refused without it or with another.
    void ftpsWithPrivateCa() {
        const QString dir = qEnvironmentVariable("WO_TEST_VSFTPS_DIR");
        if (QFile::exists(dir + QStringLiteral("/skip")))
            QSKIP(test::readFile(dir + QStringLiteral("/skip")).constData());
        Fixture f(Server::None);
        const QString root = dir + QStringLiteral("/home/audit-%1").arg(QCoreApplication::applicationPid());
        QVERIFY(QDir().mkpath(root));
        const QStringList args =
            databaseArguments(f.db) +
            QStringList{
                QStringLiteral("--ftp"),
                QStringLiteral("ftps://%1:%2@127.0.0.1:%3%4")
                    .arg(qEnvironmentVariable("WO_TEST_VSFTPS_USER"),
                         qEnvironmentVariable("WO_TEST_VSFTPD_PASSWORD"))
                    .arg(QString::fromLatin1(test::readFile(dir + QStringLiteral("/port")).trimmed()), root)};
        const Run trusted =
            runProgram(args + QStringList{QStringLiteral("--ftp-ca"), dir + QStringLiteral("/ca.pem")});
        QVERIFY2(trusted.exitCode == 0, trusted.errors.constData());
        QCOMPARE(runProgram(args).exitCode, 2);
        QCOMPARE(
            runProgram(args + QStringList{QStringLiteral("--ftp-ca"), dir + QStringLiteral("/other.pem")})
                .exitCode,
            2);
    }
};

QTEST_GUILESS_MAIN(TestAudit)
#include "tst_audit.moc"
