#include "Sandbox.h"
#include "TestDatabase.h"
#include "TestFiles.h"
#include "dialogs/ScriptedDialogs.h"
#include "platform/inet/Inet.h"
#include "settings/MyInit.h"
#include "store/ClsFileOperation.h"
#include "transfer/ModDownLoadFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

using namespace wo;

namespace {

// The run's FTP server that demands TLS of its local account; its certificate is
// DIR/ca.pem. Skips the test when the run could not start it.
#define TLS_SERVER(dir, port)                                                                                \
    const QString dir = qEnvironmentVariable("WO_TEST_VSFTPS_DIR");                                          \
    if (QFile::exists(dir + QStringLiteral("/skip")))                                                        \
        QSKIP(test::readFile(dir + QStringLiteral("/skip")).constData());                                    \
    const auto port = static_cast<quint16>(test::readFile(dir + QStringLiteral("/port")).trimmed().toUInt())

inet::Handle connectTls(inet::Handle session, quint16 port) {
    return inet::InternetConnect(session, QStringLiteral("127.0.0.1"), port,
                                 qEnvironmentVariable("WO_TEST_VSFTPS_USER"),
                                 qEnvironmentVariable("WO_TEST_VSFTPD_PASSWORD"), true, true);
}

int lastError() {
    int number = 0;
    inet::InternetGetLastResponseInfo(&number);
    return number;
}

} // namespace

class TestFtps : public QObject {
    Q_OBJECT
private slots:
    void addFetchDeleteOverTls();
    void certificateCheckedByDefault();
    void noPlainFallback();
};

// The component's adding, fetching and deleting on a server that takes no login
// and no data in the clear.
void TestFtps::addFetchDeleteOverTls() {
    TLS_SERVER(dir, port);
    test::TestDatabase db;
    db.createDocumentTable();
    test::Sandbox box;
    dialogs::ScriptedDialogsScope dialogs;
    const inet::Handle session = inet::InternetOpen(QStringLiteral("tst_ftps"));
    const auto close = qScopeGuard([&] { inet::InternetCloseHandle(session); });
    QVERIFY(inet::InternetSetCaFile(session, dir + QStringLiteral("/ca.pem")));
    const inet::Handle connection = connectTls(session, port);
    QVERIFY2(connection, qPrintable(inet::InternetGetLastResponseInfo()));
    const QString root = dir + QStringLiteral("/home/r%1").arg(QCoreApplication::applicationPid());
    QVERIFY2(inet::FtpCreateDirectory(connection, root), qPrintable(inet::InternetGetLastResponseInfo()));

    const settings::Storage storage{root, true, static_cast<int32_t>(session),
                                    static_cast<int32_t>(connection)};
    const settings::Record record{db.connectionPtr(), QStringLiteral("R"), storage};
    const QByteArray content = test::binaryContent(300000, 7);
    QVector<record::ListedDocument> listed;
    const bool added = store::ClsFileOperation(record).AddFiles(
        {box.writeFile(QStringLiteral("src/合同.pdf"), content)},
        [&](const store::AddedDocument& document) { listed.append(document.document); });
    QVERIFY2(dialogs->calls().isEmpty(), qPrintable(dialogs->calls().value(0).text));
    QVERIFY(added);
    QCOMPARE(listed.size(), 1);
    const QString stored = listed[0].path + u'/' + listed[0].id + QStringLiteral(".PDF");
    QCOMPARE(test::readFile(stored), content);

    const QString cached = transfer::DownloadToCache(listed[0], storage);
    QVERIFY(!cached.isEmpty());
    QCOMPARE(test::readFile(cached), content);

    dialogs->queueAnswer(dialogs::Answer::Yes);
    QVERIFY(store::ClsFileOperation(record).DelFile(listed, [](qsizetype) {}));
    QVERIFY(!QFile::exists(stored));
    QVERIFY(db.query(QStringLiteral("SELECT ID FROM Original_Text")).isEmpty());
    QCOMPARE(dialogs->calls().size(), 1);
}

void TestFtps::certificateCheckedByDefault() {
    TLS_SERVER(dir, port);
    const inet::Handle session = inet::InternetOpen(QStringLiteral("tst_ftps"));
    const auto close = qScopeGuard([&] { inet::InternetCloseHandle(session); });
    // The server's certificate is its own, in no system store.
    QCOMPARE(connectTls(session, port), inet::Handle(0));
    QCOMPARE(lastError(), WO_INET_ERROR_SECURITY);
    // A certificate of the same name that does not vouch for it changes nothing.
    QVERIFY(!inet::InternetSetCaFile(session, dir + QStringLiteral("/none.pem")));
    QCOMPARE(lastError(), WO_INET_ERROR_FILE_NOT_FOUND);
    QVERIFY(inet::InternetSetCaFile(session, dir + QStringLiteral("/other.pem")));
    QCOMPARE(connectTls(session, port), inet::Handle(0));
    QCOMPARE(lastError(), WO_INET_ERROR_SECURITY);
    // Its own certificate lets it in; "" returns to the system's store.
    QVERIFY(inet::InternetSetCaFile(session, dir + QStringLiteral("/ca.pem")));
    QVERIFY2(connectTls(session, port), qPrintable(inet::InternetGetLastResponseInfo()));
    QVERIFY(inet::InternetSetCaFile(session, QString()));
    QCOMPARE(connectTls(session, port), inet::Handle(0));
}

// A server without TLS is refused before the login: the password never goes out in the clear.
void TestFtps::noPlainFallback() {
    const QString plainDir = qEnvironmentVariable("WO_TEST_FTP_DIR");
    const auto port =
        static_cast<quint16>(test::readFile(plainDir + QStringLiteral("/port")).trimmed().toUInt());
    const inet::Handle session = inet::InternetOpen(QStringLiteral("tst_ftps"));
    const auto close = qScopeGuard([&] { inet::InternetCloseHandle(session); });
    const QString user = qEnvironmentVariable("WO_TEST_FTP_USER");
    const QString password = qEnvironmentVariable("WO_TEST_FTP_PASSWORD");
    QCOMPARE(inet::InternetConnect(session, QStringLiteral("127.0.0.1"), port, user, password, true, true),
             inet::Handle(0));
    QCOMPARE(lastError(), WO_INET_ERROR_SECURITY);
    QVERIFY(inet::InternetConnect(session, QStringLiteral("127.0.0.1"), port, user, password, true, false));
}

QTEST_MAIN(TestFtps)
#include "tst_ftps.moc"
