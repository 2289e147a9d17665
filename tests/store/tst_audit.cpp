#include "Sandbox.h"
#include "TestDatabase.h"
#include "TestFiles.h"
#include "TestFtp.h"
#include "platform/inet/Inet.h"
#include "store/Audit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <optional>

using namespace wo;
using store::FindingKind;

enum class Server { None, Ftp, Vsftpd };
Q_DECLARE_METATYPE(Server)

namespace {

const QString kMonth = QStringLiteral("2026-11");
const QString kOtherMonth = QStringLiteral("2026-12");

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
        QStringList args;
        if (db.driver() == QLatin1String("QSQLITE"))
            args << QStringLiteral("--database") << db.connectString().section(QLatin1Char('='), 1);
        else if (db.driver() == QLatin1String("QMYSQL"))
            args << QStringLiteral("--mariadb") << db.connectString();
        else
            args << QStringLiteral("--postgres") << db.connectString();
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
};

Run runProgram(const QStringList& arguments) {
    QProcess program;
    program.start(QStringLiteral(WO_AUDIT_PROGRAM), arguments);
    if (!program.waitForFinished(60000))
        qFatal("wendra-audit did not finish");
    Run run{program.exitCode(), QJsonDocument::fromJson(program.readAllStandardOutput()).object(),
            program.readAllStandardError()};
    return run;
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
        QStringList expectedMoves{
            quarantine + QStringLiteral("/20261101000000000098.DOC"),
            quarantine + QLatin1Char('/') + kMonth + QStringLiteral("/.0123456789abcdef.tmp"),
            quarantine + QLatin1Char('/') + kMonth + QStringLiteral("/20261101000000000099.TIF"),
            quarantine + QLatin1Char('/') + kOtherMonth +
                QStringLiteral("/.20261101000000000005.TIF.part-0badf00d")};
        expectedMoves.sort();
        QCOMPARE(moved, expectedMoves);
        QCOMPARE(left, QStringList{quarantine + QLatin1Char('/') + kMonth +
                                   QStringLiteral("/20261101000000000097.TIF")});
        const QString quarantineOnDisk = ftpMode ? f.ftp->onDisk(quarantine) : quarantine;
        QCOMPARE(test::readFile(quarantineOnDisk + QLatin1Char('/') + kMonth +
                                QStringLiteral("/20261101000000000099.TIF")),
                 QByteArray("nobody's"));
        QVERIFY(QFileInfo::exists(recent));

        // What is left: the five row faults and the recent file.
        Run after = runProgram(args + QStringList{QStringLiteral("--json")});
        QCOMPARE(after.exitCode, 1);
        QCOMPARE(after.report.value(QStringLiteral("findings")).toArray().size(), 6);

        Run noRoot = runProgram(
            QStringList(args).replaceInStrings(f.store.root, f.store.root + QStringLiteral("-none")));
        QCOMPARE(noRoot.exitCode, 2);
        QVERIFY2(noRoot.errors.contains("-none"), noRoot.errors.constData());
        QCOMPARE(runProgram({QStringLiteral("--store"), f.store.root}).exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestAudit)
#include "tst_audit.moc"
