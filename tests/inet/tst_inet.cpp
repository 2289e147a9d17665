#include "DyingFtp.h"
#include "TestFiles.h"
#include "platform/Error.h"
#include "platform/inet/Inet.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>
#include <set>
#include <thread>

using namespace wo::inet;

using wo::test::binaryContent;
using wo::test::readFile;
using wo::test::tree;
using wo::test::writeFile;

namespace {

int lastError() {
    int number = 0;
    InternetGetLastResponseInfo(&number);
    return number;
}

// A private FTP server the test may kill.
class PrivateServer {
public:
    explicit PrivateServer(const QString& root) {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(
            QStringLiteral("/usr/bin/python3"),
            QStringLiteral("-m pyftpdlib -i 127.0.0.1 -p 0 -w -u u -P p -d").split(QLatin1Char(' ')) << root);
        const QRegularExpression started(QStringLiteral("starting FTP server on 127\\.0\\.0\\.1:(\\d+)"));
        QByteArray log;
        QElapsedTimer timer;
        timer.start();
        while (port == 0 && timer.elapsed() < 10000 && m_process.waitForReadyRead(10000)) {
            log += m_process.readAll();
            port = static_cast<quint16>(started.match(QString::fromUtf8(log)).captured(1).toUInt());
        }
    }
    ~PrivateServer() { kill(); }
    void kill() {
        m_process.kill();
        m_process.waitForFinished();
    }

    quint16 port = 0;

private:
    QProcess m_process;
};

} // namespace

class TestInet : public QObject {
    Q_OBJECT

    QString m_dir;
    QString m_root;
    quint16 m_port = 0;
    QString m_user;
    QString m_password;
    int m_counter = 0;
    QString m_remote;
    std::unique_ptr<QTemporaryDir> m_local;
    Handle m_session = 0;
    Handle m_conn = 0;

    Handle connect(bool passive = true) {
        return InternetConnect(m_session, QStringLiteral("127.0.0.1"), m_port, m_user, m_password, passive);
    }
    // A path in the test's own remote folder, as the server's disk has it.
    QString remote(const QString& relative = QString()) const {
        return m_root + QLatin1Char('/') + m_remote + QLatin1Char('/') + relative;
    }
    QString local(const QString& name) const { return m_local->filePath(name); }
    // The server log's lines that hold marker.
    int logCount(const char* marker) const {
        return int(readFile(m_dir + QStringLiteral("/log")).count(marker));
    }

private slots:
    void initTestCase() {
        m_dir = qEnvironmentVariable("WO_TEST_FTP_DIR");
        m_root = m_dir + QStringLiteral("/root");
        m_port = static_cast<quint16>(readFile(m_dir + QStringLiteral("/port")).trimmed().toUInt());
        m_user = qEnvironmentVariable("WO_TEST_FTP_USER");
        m_password = qEnvironmentVariable("WO_TEST_FTP_PASSWORD");
        QVERIFY2(m_port != 0, "no FTP server: run through ctest");
    }

    // Each test works in a fresh remote folder, already current; the process id keeps
    // a second run against the same server out of the first run's folders.
    void init() {
        m_remote = QStringLiteral("t%1-%2").arg(QCoreApplication::applicationPid()).arg(++m_counter);
        QVERIFY(QDir(m_root).mkdir(m_remote));
        m_local = std::make_unique<QTemporaryDir>();
        m_session = InternetOpen(QStringLiteral("tst_inet"));
        QVERIFY(m_session != 0);
        m_conn = connect();
        QVERIFY2(m_conn != 0, qPrintable(InternetGetLastResponseInfo()));
        QVERIFY(FtpSetCurrentDirectory(m_conn, QLatin1Char('/') + m_remote));
    }

    void cleanup() {
        if (m_session)
            QVERIFY(InternetCloseHandle(m_session));
        m_session = 0;
        // A later run against the same server starts without this run's folders.
        QDir(m_root + QLatin1Char('/') + m_remote).removeRecursively();
    }

    void connectFailures_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("useTls");
        QTest::addColumn<int>("error");
        const QString fixture = QStringLiteral("fixture");
        const QString lo = QStringLiteral("127.0.0.1");
        QTest::newRow("wrong password")
            << lo << 0 << fixture << QStringLiteral("Wrong-Pw-8d1") << false << WO_INET_ERROR_LOGIN_FAILURE;
        QTest::newRow("nothing listens")
            << lo << 1 << fixture << fixture << false << WO_INET_ERROR_CANNOT_CONNECT;
        QTest::newRow("bad server name")
            << QStringLiteral("bad host") << 0 << fixture << fixture << false << WO_INET_ERROR_INVALID_URL;
        QTest::newRow("server without TLS")
            << lo << 0 << fixture << fixture << true << WO_INET_ERROR_SECURITY;
    }
    void connectFailures() {
        QFETCH(QString, server);
        QFETCH(int, port);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, useTls);
        QFETCH(int, error);
        const QString fixture = QStringLiteral("fixture");
        if (user == fixture)
            user = m_user;
        if (password == fixture)
            password = m_password;
        const auto serverPort = port == 0 ? m_port : static_cast<quint16>(port);
        QCOMPARE(InternetConnect(m_session, server, serverPort, user, password, true, useTls), Handle(0));
        int number = 0;
        const QString text = InternetGetLastResponseInfo(&number);
        QCOMPARE(number, error);
        QVERIFY(!text.isEmpty());
        QVERIFY2(!text.contains(password) && !text.contains(m_password), qPrintable(text));
    }

    void handles() {
        const Handle second = connect();
        QVERIFY(second != 0 && second != m_conn && second != m_session);
        QVERIFY(!FtpDeleteFile(m_session, QStringLiteral("x")));
        QCOMPARE(lastError(), WO_INET_ERROR_INCORRECT_HANDLE_TYPE);
        QCOMPARE(InternetConnect(m_conn, QStringLiteral("127.0.0.1"), m_port, m_user, m_password), Handle(0));
        QCOMPARE(lastError(), WO_INET_ERROR_INCORRECT_HANDLE_TYPE);
        QVERIFY(!FtpSetCurrentDirectory(0, QStringLiteral("/")));
        QCOMPARE(lastError(), WO_INET_ERROR_INVALID_HANDLE);

        // Closing a connection leaves its session open and ends the server session.
        const int closedBefore = logCount("FTP session closed");
        QVERIFY(InternetCloseHandle(second));
        QTRY_COMPARE(logCount("FTP session closed"), closedBefore + 1);
        const Handle third = connect();
        QVERIFY(third != 0 && third != second);

        // Closing the session closes the connections under it.
        QVERIFY(InternetCloseHandle(m_session));
        QTRY_COMPARE(logCount("FTP session closed"), closedBefore + 3);
        for (const Handle closed : {m_conn, second, third}) {
            QVERIFY(!FtpSetCurrentDirectory(closed, QStringLiteral("/")));
            QCOMPARE(lastError(), WO_INET_ERROR_INVALID_HANDLE);
            QVERIFY(!InternetCloseHandle(closed));
        }
        QVERIFY(!InternetCloseHandle(m_session));
        QCOMPARE(connect(), Handle(0));
        QCOMPARE(lastError(), WO_INET_ERROR_INVALID_HANDLE);
        m_session = 0;
    }

    void handlesAcrossThreads() {
        constexpr int threads = 4;
        constexpr int perThread = 250;
        QVERIFY(!FtpSetCurrentDirectory(m_session, QStringLiteral("/")));
        std::vector<std::vector<Handle>> opened(threads);
        std::vector<std::thread> workers;
        for (auto& list : opened)
            workers.emplace_back([&list] {
                for (int i = 0; i < perThread; ++i)
                    list.push_back(InternetOpen(QString()));
                // A failure here stays this thread's.
                InternetCloseHandle(0);
            });
        for (auto& worker : workers)
            worker.join();
        std::set<Handle> distinct;
        for (const auto& list : opened)
            distinct.insert(list.begin(), list.end());
        QCOMPARE(distinct.size(), size_t(threads * perThread));
        QVERIFY(!distinct.contains(0) && !distinct.contains(m_session) && !distinct.contains(m_conn));
        QCOMPARE(lastError(), WO_INET_ERROR_INCORRECT_HANDLE_TYPE);
        for (const Handle handle : distinct)
            QVERIFY(InternetCloseHandle(handle));
    }

    void setCurrentDirectory_data() {
        QTest::addColumn<QStringList>("steps"); // "@" stands for the test's folder name
        QTest::addColumn<QString>("results");
        QTest::addColumn<QString>("final");
        QTest::newRow("absolute") << QStringList{QStringLiteral("/@/a/b")} << QStringLiteral("+")
                                  << QStringLiteral("a/b");
        QTest::newRow("nested relative") << QStringList{QStringLiteral("a"), QStringLiteral("b/c")}
                                         << QStringLiteral("++") << QStringLiteral("a/b/c");
        QTest::newRow("dots") << QStringList{QStringLiteral("a/b/c"), QStringLiteral("../../b/./c/.."),
                                             QStringLiteral(".")}
                              << QStringLiteral("+++") << QStringLiteral("a/b");
        QTest::newRow("missing keeps current") << QStringList{QStringLiteral("a"), QStringLiteral("nope")}
                                               << QStringLiteral("+-") << QStringLiteral("a");
        QTest::newRow("file is no folder")
            << QStringList{QStringLiteral("a/file.txt")} << QStringLiteral("-") << QString();
        QTest::newRow("blanks and Chinese")
            << QStringList{QStringLiteral("with space"), QStringLiteral("中文 目录")} << QStringLiteral("++")
            << QStringLiteral("with space/中文 目录");
        QTest::newRow("nothing above the root")
            << QStringList{QStringLiteral("/../.."), QStringLiteral("@/a")} << QStringLiteral("++")
            << QStringLiteral("a");
    }
    void setCurrentDirectory() {
        QFETCH(QStringList, steps);
        QFETCH(QString, results);
        QFETCH(QString, final);
        QVERIFY(QDir(remote()).mkpath(QStringLiteral("a/b/c")));
        QVERIFY(QDir(remote()).mkpath(QStringLiteral("with space/中文 目录")));
        QVERIFY(writeFile(remote(QStringLiteral("a/file.txt")), "x"));
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QString dir = steps[i].replace(QLatin1Char('@'), m_remote);
            QCOMPARE(FtpSetCurrentDirectory(m_conn, dir), results[i] == QLatin1Char('+'));
            if (results[i] == QLatin1Char('-'))
                QCOMPARE(lastError(), WO_INET_ERROR_EXTENDED);
        }
        // Where a relative name lands shows the current folder.
        QVERIFY(writeFile(local(QStringLiteral("marker")), "marker"));
        QVERIFY(FtpPutFile(m_conn, local(QStringLiteral("marker")), QStringLiteral("marker")));
        QCOMPARE(readFile(remote(final + QStringLiteral("/marker"))), QByteArray("marker"));
    }

    void createDirectory_data() {
        QTest::addColumn<QString>("cwd");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("created"); // empty: the call fails and changes nothing
        QTest::newRow("new") << QString() << QStringLiteral("n") << QStringLiteral("n");
        QTest::newRow("existing") << QString() << QStringLiteral("a") << QString();
        QTest::newRow("nested relative")
            << QStringLiteral("a") << QStringLiteral("b/new") << QStringLiteral("a/b/new");
        QTest::newRow("parent reference")
            << QStringLiteral("a/b") << QStringLiteral("../up") << QStringLiteral("a/up");
        QTest::newRow("absolute") << QStringLiteral("a") << QStringLiteral("/@/abs") << QStringLiteral("abs");
        QTest::newRow("blanks and Chinese")
            << QString() << QStringLiteral("新 文件夹") << QStringLiteral("新 文件夹");
        QTest::newRow("missing parent") << QString() << QStringLiteral("x/y") << QString();
        QTest::newRow("line break") << QString() << QStringLiteral("evil\r\nMKD x") << QString();
    }
    void createDirectory() {
        QFETCH(QString, cwd);
        QFETCH(QString, dir);
        QFETCH(QString, created);
        QVERIFY(QDir(remote()).mkpath(QStringLiteral("a/b")));
        QVERIFY(FtpSetCurrentDirectory(m_conn, cwd));
        QStringList expected = tree(remote());
        const bool ok = FtpCreateDirectory(m_conn, dir.replace(QLatin1Char('@'), m_remote));
        QCOMPARE(ok, !created.isEmpty());
        if (ok) {
            QVERIFY(QFileInfo(remote(created)).isDir());
            expected << created;
            expected.sort();
        } else {
            QVERIFY(lastError() == WO_INET_ERROR_EXTENDED || lastError() == WO_INET_ERROR_INVALID_ARGUMENT);
        }
        QCOMPARE(tree(remote()), expected);
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("passive");
        QTest::newRow("binary 3 MiB") << QStringLiteral("data.bin") << binaryContent(3 << 20, 1) << true;
        QTest::newRow("empty") << QStringLiteral("empty.bin") << QByteArray() << true;
        QTest::newRow("blanks") << QStringLiteral("my file 1.txt") << QByteArray("a\r\nb\n") << true;
        QTest::newRow("Chinese") << QStringLiteral("文档 一.dat") << binaryContent(100000, 1) << true;
        QTest::newRow("URL characters")
            << QStringLiteral("100% a+b#;type=a?.txt") << QByteArray("x\r\ny\n") << true;
        QTest::newRow("active mode") << QStringLiteral("active.bin") << binaryContent(200000, 1) << false;
    }
    void roundTrip() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, passive);
        const Handle conn = passive ? m_conn : connect(false);
        QVERIFY(FtpSetCurrentDirectory(conn, QLatin1Char('/') + m_remote));
        QVERIFY(writeFile(local(QStringLiteral("source")), content));

        QVERIFY2(FtpPutFile(conn, local(QStringLiteral("source")), name),
                 qPrintable(InternetGetLastResponseInfo()));
        QCOMPARE(tree(remote()), QStringList{name});
        QVERIFY(readFile(remote(name)) == content);

        QVERIFY2(FtpGetFile(conn, name, local(name), true), qPrintable(InternetGetLastResponseInfo()));
        QVERIFY(readFile(local(name)) == content);
        QStringList both{QStringLiteral("source"), name};
        both.sort();
        QCOMPARE(tree(m_local->path()), both);
    }

    void replaceExisting() {
        QVERIFY(writeFile(local(QStringLiteral("old")), "old content"));
        QVERIFY(writeFile(local(QStringLiteral("new")), "new"));
        QVERIFY(FtpPutFile(m_conn, local(QStringLiteral("old")), QStringLiteral("doc")));
        QVERIFY(FtpPutFile(m_conn, local(QStringLiteral("new")), QStringLiteral("doc")));
        QCOMPARE(readFile(remote(QStringLiteral("doc"))), QByteArray("new"));
        QCOMPARE(tree(remote()), QStringList{QStringLiteral("doc")});

        QVERIFY(!FtpGetFile(m_conn, QStringLiteral("doc"), local(QStringLiteral("old")), true));
        QCOMPARE(lastError(), WO_INET_ERROR_FILE_EXISTS);
        QCOMPARE(readFile(local(QStringLiteral("old"))), QByteArray("old content"));
        QVERIFY(FtpGetFile(m_conn, QStringLiteral("doc"), local(QStringLiteral("old")), false));
        QCOMPARE(readFile(local(QStringLiteral("old"))), QByteArray("new"));
        QCOMPARE(tree(m_local->path()), (QStringList{QStringLiteral("new"), QStringLiteral("old")}));
    }

    void getFailures_data() {
        QTest::addColumn<QString>("remoteName");
        QTest::addColumn<QString>("localName");
        QTest::addColumn<int>("error");
        QTest::newRow("missing remote file")
            << QStringLiteral("nope.bin") << QStringLiteral("new") << WO_INET_ERROR_EXTENDED;
        QTest::newRow("missing remote file, local exists")
            << QStringLiteral("nope.bin") << QStringLiteral("existing") << WO_INET_ERROR_EXTENDED;
        QTest::newRow("remote folder")
            << QStringLiteral("sub") << QStringLiteral("existing") << WO_INET_ERROR_EXTENDED;
        QTest::newRow("missing local folder")
            << QStringLiteral("there.bin") << QStringLiteral("no/such") << WO_INET_ERROR_FILE_NOT_FOUND;
    }
    void getFailures() {
        QFETCH(QString, remoteName);
        QFETCH(QString, localName);
        QFETCH(int, error);
        QVERIFY(QDir(remote()).mkdir(QStringLiteral("sub")));
        QVERIFY(writeFile(remote(QStringLiteral("there.bin")), "there"));
        QVERIFY(writeFile(local(QStringLiteral("existing")), "keep me"));
        const QStringList before = tree(m_local->path());
        QVERIFY(!FtpGetFile(m_conn, remoteName, local(localName), false));
        QCOMPARE(lastError(), error);
        QCOMPARE(tree(m_local->path()), before);
        QCOMPARE(readFile(local(QStringLiteral("existing"))), QByteArray("keep me"));
    }

    // Whatever reply of an upload never comes, the call fails and leaves no temporary
    // file; a server that renamed before it died keeps the whole file.
    void serverDiesDuringUpload_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("code");
        for (const auto& [command, code] : {std::pair{"CWD", "250"},
                                            {"EPSV", "229"},
                                            {"TYPE", "200"},
                                            {"STOR", "1"},
                                            {"STOR", "226"},
                                            {"RNFR", "350"},
                                            {"RNTO", "250"}})
            QTest::addRow("%s %s", command, code)
                << QString::fromLatin1(command) << QString::fromLatin1(code);
    }
    void serverDiesDuringUpload() {
        QFETCH(QString, command);
        QFETCH(QString, code);
        QVERIFY(QDir(m_local->path()).mkpath(QStringLiteral("root/d")));
        const QString root = local(QStringLiteral("root"));
        const wo::test::DyingFtp server(root, command, code);
        QVERIFY(server.port != 0);
        QVERIFY(writeFile(local(QStringLiteral("source")), binaryContent(200000, 3)));
        const Handle conn = InternetConnect(m_session, QStringLiteral("127.0.0.1"), server.port,
                                            QStringLiteral("u"), QStringLiteral("p"), true);
        QVERIFY(conn != 0);

        QVERIFY(!FtpPutFile(conn, local(QStringLiteral("source")), QStringLiteral("d/doc.bin")));
        if (command == QLatin1String("RNTO")) {
            QCOMPARE(tree(root), QStringList({QStringLiteral("d"), QStringLiteral("d/doc.bin")}));
            QCOMPARE(readFile(root + QStringLiteral("/d/doc.bin")), binaryContent(200000, 3));
            QVERIFY(FtpDeleteFile(conn, QStringLiteral("d/doc.bin")));
        }
        QCOMPARE(tree(root), QStringList{QStringLiteral("d")});
        QVERIFY2(FtpPutFile(conn, local(QStringLiteral("source")), QStringLiteral("d/doc.bin")),
                 qPrintable(InternetGetLastResponseInfo()));
        QCOMPARE(readFile(root + QStringLiteral("/d/doc.bin")), binaryContent(200000, 3));
    }

    void putFailures_data() {
        QTest::addColumn<QString>("remoteName");
        QTest::addColumn<QString>("localName");
        QTest::addColumn<int>("error");
        QTest::newRow("missing remote folder")
            << QStringLiteral("nofolder/x.bin") << QStringLiteral("source") << WO_INET_ERROR_EXTENDED;
        // The upload succeeds, the rename fails: the partial file must go.
        QTest::newRow("name of a folder")
            << QStringLiteral("sub") << QStringLiteral("source") << WO_INET_ERROR_EXTENDED;
        QTest::newRow("missing local file")
            << QStringLiteral("x.bin") << QStringLiteral("absent") << WO_INET_ERROR_FILE_NOT_FOUND;
        QTest::newRow("line break") << QStringLiteral("x\r\nDELE keep.bin") << QStringLiteral("source")
                                    << WO_INET_ERROR_INVALID_ARGUMENT;
    }
    void putFailures() {
        QFETCH(QString, remoteName);
        QFETCH(QString, localName);
        QFETCH(int, error);
        QVERIFY(writeFile(remote(QStringLiteral("sub/inside.bin")), "inside"));
        QVERIFY(writeFile(remote(QStringLiteral("keep.bin")), "keep"));
        QVERIFY(writeFile(local(QStringLiteral("source")), binaryContent(50000, 1)));
        const QStringList before = tree(remote());
        QVERIFY(!FtpPutFile(m_conn, local(localName), remoteName));
        int number = 0;
        const QString text = InternetGetLastResponseInfo(&number);
        QCOMPARE(number, error);
        QVERIFY2(!text.contains(QLatin1String("left behind")), qPrintable(text));
        QCOMPARE(tree(remote()), before);
    }

    void deleteFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("present");
        QTest::newRow("present") << QStringLiteral("d.bin") << true;
        QTest::newRow("missing") << QStringLiteral("nope.bin") << false;
        QTest::newRow("blanks and Chinese") << QStringLiteral("删 除 me.bin") << true;
        QTest::newRow("in a subfolder") << QStringLiteral("a/d.bin") << true;
    }
    void deleteFile() {
        QFETCH(QString, name);
        QFETCH(bool, present);
        QVERIFY(writeFile(remote(QStringLiteral("other.bin")), "other"));
        if (present)
            QVERIFY(writeFile(remote(name), "doomed"));
        QStringList expected = tree(remote());
        expected.removeOne(name);
        QCOMPARE(FtpDeleteFile(m_conn, name), present);
        if (!present)
            QCOMPARE(lastError(), WO_INET_ERROR_EXTENDED);
        QCOMPARE(tree(remote()), expected);
    }

    void controlConnectionReused() {
        QVERIFY(writeFile(local(QStringLiteral("f")), binaryContent(1000, 1)));
        const int sessions = logCount("FTP session opened");
        QVERIFY(sessions > 0);
        const QString f = local(QStringLiteral("f"));
        const QString g = local(QStringLiteral("g"));
        const QList<std::function<bool()>> ops = {
            [&] { return FtpCreateDirectory(m_conn, QStringLiteral("d")); },
            [&] { return !FtpCreateDirectory(m_conn, QStringLiteral("d")); },
            [&] { return FtpSetCurrentDirectory(m_conn, QStringLiteral("d")); },
            [&] { return !FtpSetCurrentDirectory(m_conn, QStringLiteral("missing")); },
            [&] { return FtpPutFile(m_conn, f, QStringLiteral("one")); },
            [&] { return FtpPutFile(m_conn, f, QStringLiteral("two")); },
            [&] { return FtpGetFile(m_conn, QStringLiteral("one"), g, false); },
            [&] { return !FtpGetFile(m_conn, QStringLiteral("missing"), g, false); },
            [&] { return FtpDeleteFile(m_conn, QStringLiteral("one")); },
            [&] { return !FtpDeleteFile(m_conn, QStringLiteral("one")); },
            [&] { return !FtpPutFile(m_conn, f, QStringLiteral("missing/x")); },
            [&] { return FtpSetCurrentDirectory(m_conn, QStringLiteral("..")); },
            [&] { return FtpCreateDirectory(m_conn, QStringLiteral("e")); },
            [&] { return FtpPutFile(m_conn, f, QStringLiteral("e/three")); },
            [&] { return FtpGetFile(m_conn, QStringLiteral("e/three"), g, false); },
            [&] { return FtpDeleteFile(m_conn, QStringLiteral("e/three")); },
            [&] { return FtpDeleteFile(m_conn, QStringLiteral("d/two")); },
            [&] { return !FtpGetFile(m_conn, QStringLiteral("d/two"), g, false); },
            [&] { return FtpSetCurrentDirectory(m_conn, QStringLiteral("/")); },
            [&] { return FtpSetCurrentDirectory(m_conn, m_remote + QStringLiteral("/e")); },
        };
        for (qsizetype i = 0; i < ops.size(); ++i)
            QVERIFY2(
                ops[i](),
                qPrintable(QStringLiteral("operation %1: %2").arg(i).arg(InternetGetLastResponseInfo())));
        QCOMPARE(logCount("FTP session opened"), sessions);
        QCOMPARE(tree(remote()), (QStringList{QStringLiteral("d"), QStringLiteral("e")}));
    }

    void killedServer() {
        QTemporaryDir root;
        PrivateServer server(root.path());
        QVERIFY(server.port != 0);
        const Handle conn = InternetConnect(m_session, QStringLiteral("127.0.0.1"), server.port,
                                            QStringLiteral("u"), QStringLiteral("p"));
        QVERIFY2(conn != 0, qPrintable(InternetGetLastResponseInfo()));
        QVERIFY(writeFile(local(QStringLiteral("f")), "data"));
        QVERIFY(FtpPutFile(conn, local(QStringLiteral("f")), QStringLiteral("f")));
        server.kill();

        QElapsedTimer timer;
        timer.start();
        QVERIFY(!FtpSetCurrentDirectory(conn, QStringLiteral("/")));
        QVERIFY(!FtpCreateDirectory(conn, QStringLiteral("d")));
        QVERIFY(!FtpPutFile(conn, local(QStringLiteral("f")), QStringLiteral("g")));
        QVERIFY(!FtpGetFile(conn, QStringLiteral("f"), local(QStringLiteral("g")), false));
        QVERIFY(!FtpDeleteFile(conn, QStringLiteral("f")));
        QCOMPARE(lastError(), WO_INET_ERROR_CANNOT_CONNECT);
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!QFileInfo::exists(local(QStringLiteral("g"))));
        QCOMPARE(tree(root.path()), QStringList{QStringLiteral("f")});
        QVERIFY(InternetCloseHandle(conn));
    }

    // CR, LF or NUL would end an FTP command and start another: login texts and names
    // holding one are refused before anything reaches the server.
    void lineBreaksRefused_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("tail");
        QTest::newRow("password, CR LF (C)") << QStringLiteral("password") << QStringLiteral("\r\nDELE %1");
        QTest::newRow("user, LF") << QStringLiteral("user") << QStringLiteral("\nDELE %1");
        QTest::newRow("server, CR") << QStringLiteral("server") << QStringLiteral("\rDELE %1");
        QTest::newRow("folder, LF") << QStringLiteral("folder") << QStringLiteral("\nDELE %1");
        QTest::newRow("file name, CR LF") << QStringLiteral("file") << QStringLiteral("\r\nDELE %1");
        QTest::newRow("file name, NUL") << QStringLiteral("file") << QChar(0) + QStringLiteral("DELE %1");
    }
    void lineBreaksRefused() {
        QFETCH(QString, field);
        QFETCH(QString, tail);
        QVERIFY(writeFile(remote(QStringLiteral("victim.txt")), "keep"));
        const QString smuggled = tail.arg(QLatin1Char('/') + m_remote + QStringLiteral("/victim.txt"));
        QVERIFY(writeFile(local(QStringLiteral("f")), "data"));
        const int sessions = logCount("FTP session opened");
        const QString lo = QStringLiteral("127.0.0.1");
        bool done = false;
        if (field == QLatin1String("password")) {
            const QByteArray user = m_user.toUtf8();
            const QByteArray password = (m_password + smuggled).toUtf8();
            done = WoInternetConnect(m_session, "127.0.0.1", m_port, user.constData(), password.constData(),
                                     1, 0);
        } else if (field == QLatin1String("user")) {
            done = InternetConnect(m_session, lo, m_port, m_user + smuggled, m_password);
        } else if (field == QLatin1String("server")) {
            done = InternetConnect(m_session, lo + smuggled, m_port, m_user, m_password);
        } else if (field == QLatin1String("folder")) {
            done = FtpSetCurrentDirectory(m_conn, QStringLiteral("x") + smuggled);
        } else {
            done = FtpPutFile(m_conn, local(QStringLiteral("f")), QStringLiteral("x") + smuggled);
        }
        QVERIFY(!done);
        QCOMPARE(lastError(), WO_INET_ERROR_INVALID_ARGUMENT);
        QCOMPARE(readFile(remote(QStringLiteral("victim.txt"))), QByteArray("keep"));
        QCOMPARE(logCount("FTP session opened"), sessions);
        QCOMPARE(tree(remote()), QStringList{QStringLiteral("victim.txt")});
    }

    // Code run from inside a transfer (here its progress callback, as a host's queued
    // call runs from the component's progress window) that calls on the same connection
    // fails at once instead of waiting for itself; an exception thrown there ends the
    // transfer with its error, never crossing libcurl's frames, and leaves nothing.
    void callsFromInsideTransfer() {
        QVERIFY(writeFile(local(QStringLiteral("f")), binaryContent(256 << 10, 2)));
        int inner = -1;
        qint64 ms = -1;
        const bool put =
            FtpPutFile(m_conn, local(QStringLiteral("f")), QStringLiteral("f"), [&](qint64, qint64) {
                if (inner < 0) {
                    QElapsedTimer clock;
                    clock.start();
                    inner = FtpSetCurrentDirectory(m_conn, QStringLiteral("/")) ? 0 : lastError();
                    ms = clock.elapsed();
                }
                return true;
            });
        QVERIFY(put);
        QCOMPARE(inner, WO_INET_ERROR_TRANSFER_IN_PROGRESS);
        QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
        QVERIFY(
            !FtpPutFile(m_conn, local(QStringLiteral("f")), QStringLiteral("g"), [](qint64, qint64) -> bool {
                throw wo::err::make(wo::err::DiskFull, QStringLiteral("from the host"));
            }));
        QCOMPARE(lastError(), int(wo::err::DiskFull));
        QCOMPARE(tree(remote()), QStringList{QStringLiteral("f")});
        QVERIFY(FtpSetCurrentDirectory(m_conn, QStringLiteral("/")));
    }

    void cInterface() {
        const QByteArray user = m_user.toUtf8();
        const QByteArray password = m_password.toUtf8();
        const WoHInternet session = WoInternetOpen(nullptr);
        QVERIFY(session != 0);
        QCOMPARE(WoFtpDeleteFile(session, "x"), 0);

        int32_t number = 0;
        char small[4] = "xyz";
        size_t size = sizeof small;
        QCOMPARE(WoInternetGetLastResponseInfo(&number, small, &size), 0);
        QCOMPARE(number, WO_INET_ERROR_INCORRECT_HANDLE_TYPE);
        QVERIFY(size > sizeof small);
        QCOMPARE(QByteArray(small), QByteArray("xyz"));
        std::vector<char> text(size);
        QCOMPARE(WoInternetGetLastResponseInfo(nullptr, text.data(), &size), 1);
        QCOMPARE(size, text.size() - 1);
        QCOMPARE(QString::fromUtf8(text.data()), InternetGetLastResponseInfo());

        const WoHInternet conn =
            WoInternetConnect(session, "127.0.0.1", m_port, user.constData(), password.constData(), 1, 0);
        QVERIFY(conn != 0);
        const QByteArray dir = (QLatin1Char('/') + m_remote + QStringLiteral("/目录")).toUtf8();
        QVERIFY(WoFtpCreateDirectory(conn, dir.constData()));
        QVERIFY(WoFtpSetCurrentDirectory(conn, dir.constData()));
        QVERIFY(writeFile(local(QStringLiteral("f")), "c data"));
        const QByteArray source = local(QStringLiteral("f")).toUtf8();
        const QByteArray target = local(QStringLiteral("副本")).toUtf8();
        QVERIFY(WoFtpPutFile(conn, source.constData(), "文件 1"));
        QVERIFY(WoFtpGetFile(conn, "文件 1", target.constData(), 1));
        QCOMPARE(readFile(QString::fromUtf8(target)), QByteArray("c data"));
        QVERIFY(WoFtpDeleteFile(conn, "文件 1"));
        QVERIFY(tree(remote()) == QStringList{QStringLiteral("目录")});
        QVERIFY(WoInternetCloseHandle(session));
        QVERIFY(!WoFtpDeleteFile(conn, "x"));
        QCOMPARE(WoInternetCloseHandle(conn), 0);
    }
};

QTEST_GUILESS_MAIN(TestInet)
#include "tst_inet.moc"
