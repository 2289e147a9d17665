#include "DyingFtp.h"
#include "Sandbox.h"
#include "TestFiles.h"
#include "TestFtp.h"
#include "dialogs/ScriptedDialogs.h"
#include "platform/Error.h"
#include "platform/inet/Inet.h"
#include "settings/MyInit.h"
#include "transfer/CacheFolder.h"
#include "transfer/ModDownLoadFile.h"
#include "transfer/SafeCopy.h"
#include "transfer/StoredFiles.h"
#include "transfer/TransferMeter.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <memory>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace wo;
using Call = dialogs::ScriptedDialogs::Call;

using wo::test::binaryContent;
using wo::test::readFile;
using wo::test::tree;
using wo::test::writeFile;

namespace {

int mode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void addModes(const char* name) {
    QTest::newRow(qPrintable(QStringLiteral("folder: ") + QLatin1String(name))) << false;
    QTest::newRow(qPrintable(QStringLiteral("ftp: ") + QLatin1String(name))) << true;
}

const QString kName = QStringLiteral("合同扫描件");

} // namespace

class TestTransfer : public QObject {
    Q_OBJECT

    std::unique_ptr<test::Sandbox> m_box;
    std::unique_ptr<test::TestFtp> m_ftp;
    QString m_areaName; // this test's folder, below either storage root
    QString m_area;     // and on the FTP server's disk
    std::unique_ptr<dialogs::ScriptedDialogsScope> m_dialogs;
    settings::Storage m_storage; // in folder mode; fetches in FTP mode take it with ftpMode set

    QString cache() const { return m_box->path(QStringLiteral("cache/wendra-original/temp")); }
    // A unique ID, since FTP-mode documents may lie in the server's shared root.
    QString id(const char* suffix) const { return m_areaName + QLatin1Char('-') + QLatin1String(suffix); }
    // The storage root on disk: gsPath in folder mode, the server's root in FTP mode.
    QString diskRoot(bool ftp) const {
        return ftp ? m_ftp->onDisk(QString()) : m_box->path(QStringLiteral("store"));
    }
    // This test's month folder, as a FilePath relative to the root.
    QString month(const QString& name) const { return m_areaName + QLatin1Char('/') + name; }
    QString diskPath(bool ftp, const QString& filePath, const QString& file = QString()) const {
        QString path = diskRoot(ftp);
        for (const QString& part : {filePath, file})
            if (!part.isEmpty())
                path += QLatin1Char('/') + part;
        return path;
    }
    // The Path column as the list shows it: FTP paths are absolute.
    static QString shownPath(bool ftp, const QString& filePath) {
        return ftp ? QLatin1Char('/') + filePath : filePath;
    }

    static record::ListedDocument item(bool ftp, const QString& filePath, const QString& id,
                                       const QString& type) {
        return {id, kName, type, shownPath(ftp, filePath)};
    }
    // Stores a document's file and returns the document.
    record::ListedDocument document(bool ftp, const QString& filePath, const QString& id, const QString& type,
                                    const QByteArray& data) {
        if (!writeFile(diskPath(ftp, filePath, id + type), data))
            QTest::qFail("cannot write the stored file", __FILE__, __LINE__);
        return item(ftp, filePath, id, type);
    }
    settings::Storage storage(bool ftp) const {
        settings::Storage storage = m_storage;
        storage.ftpMode = ftp;
        return storage;
    }
    QString fetch(bool ftp, const record::ListedDocument& document) const {
        return transfer::fetchToCache(document, storage(ftp));
    }
    // The single message shown: its text and icon, with OK and the default title.
    void expectMessage(const QString& text, dialogs::Icon icon) const {
        const QList<Call> calls = (*m_dialogs)->calls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].text, text);
        QCOMPARE(calls[0].icon, icon);
        QCOMPARE(calls[0].buttons, dialogs::Buttons::OK);
        QCOMPARE(calls[0].title, dialogs::defaultTitle());
    }

private slots:
    void init() {
        m_box = std::make_unique<test::Sandbox>();
        m_ftp = std::make_unique<test::TestFtp>();
        m_areaName = m_ftp->remoteFolder().mid(1);
        m_area = m_ftp->onDisk(m_ftp->remoteFolder());
        m_storage = {diskRoot(false), false, static_cast<std::int32_t>(m_ftp->session()),
                     static_cast<std::int32_t>(m_ftp->connection())};
        m_dialogs = std::make_unique<dialogs::ScriptedDialogsScope>();
    }

    void cleanup() {
        m_dialogs.reset();
        m_ftp.reset();
        m_box.reset();
    }

    void fetch_data() {
        QTest::addColumn<bool>("ftp");
        QTest::addColumn<bool>("inMonth");
        QTest::addColumn<QString>("type");
        for (const bool ftp : {false, true}) {
            const char* prefix = ftp ? "ftp: " : "folder: ";
            QTest::addRow("%smonth folder", prefix) << ftp << true << QStringLiteral(".TIF");
            QTest::addRow("%sempty FilePath", prefix) << ftp << false << QStringLiteral(".pdf");
            QTest::addRow("%sno type", prefix) << ftp << true << QString();
        }
    }
    void fetch() {
        QFETCH(bool, ftp);
        QFETCH(bool, inMonth);
        QFETCH(QString, type);
        const QByteArray data = binaryContent(300000, 1);
        const QString filePath = inMonth ? month(QStringLiteral("2024-05")) : QString();
        record::ListedDocument it = document(ftp, filePath, id("a"), type, data);
        QVERIFY(!QFileInfo::exists(cache()));

        const QString got = fetch(ftp, it);
        QCOMPARE(got, cache() + QLatin1Char('/') + id("a") + type);
        QCOMPARE(readFile(got), data);
        QVERIFY((*m_dialogs)->calls().isEmpty());
        QCOMPARE(tree(cache()), QStringList{id("a") + type});
        QCOMPARE(mode(cache()), 0700);
        QCOMPARE(mode(QFileInfo(cache()).path()), 0700);
    }

    void fetchTwiceOverwrites_data() {
        QTest::addColumn<bool>("ftp");
        addModes("fetch twice");
    }
    void fetchTwiceOverwrites() {
        QFETCH(bool, ftp);
        const QString filePath = month(QStringLiteral("2024-05"));
        record::ListedDocument it =
            document(ftp, filePath, id("a"), QStringLiteral(".TIF"), binaryContent(100000, 2));
        QVERIFY(!fetch(ftp, it).isEmpty());
        const QByteArray shorter = binaryContent(5000, 3);
        QVERIFY(writeFile(diskPath(ftp, filePath, id("a") + QStringLiteral(".TIF")), shorter));

        QCOMPARE(readFile(fetch(ftp, it)), shorter);
        QCOMPARE(tree(cache()), QStringList{id("a") + QStringLiteral(".TIF")});
    }

    void missingStoredFile_data() {
        QTest::addColumn<bool>("ftp");
        addModes("missing file");
    }
    void missingStoredFile() {
        QFETCH(bool, ftp);
        const QString filePath = month(QStringLiteral("2024-05"));
        QVERIFY(QDir().mkpath(diskPath(ftp, filePath)));
        record::ListedDocument it = item(ftp, filePath, id("gone"), QStringLiteral(".TIF"));

        QCOMPARE(fetch(ftp, it), QString());
        expectMessage(ftp ? QStringLiteral("在FTP服务器上找不到") + kName + QStringLiteral("文件")
                          : QStringLiteral("在找不到") + kName + QStringLiteral("文件"),
                      dialogs::Icon::None);
        QCOMPARE(tree(cache()), QStringList());
    }

    // Rows other programs wrote, whose values, naively joined, lead to a victim file
    // outside the store: neither fetched nor deleted, and told apart as not found.
    void plantedRows_data() {
        QTest::addColumn<bool>("ftp");
        QTest::addColumn<QString>("filePath"); // "<victims>" stands for the victims' folder
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("badPath");
        const QString tif = QStringLiteral(".TIF");
        const QString v = QStringLiteral("V");
        const auto row = [](bool ftp, const char* name) {
            return &QTest::addRow("%s%s", ftp ? "ftp: " : "folder: ", name);
        };
        for (const bool ftp : {false, true}) {
            *row(ftp, "FilePath up and over")
                << ftp << QStringLiteral("<store>/../<victims>") << v << tif << true;
            *row(ftp, "FilePath up with backslashes")
                << ftp << QStringLiteral("<store>\\..\\<victims>") << v << tif << true;
            *row(ftp, "ID with a path")
                << ftp << QStringLiteral("<store>") << QStringLiteral("../<victims>/V") << tif << false;
            *row(ftp, "type with a path") << ftp << QStringLiteral("<store>") << QStringLiteral("..")
                                          << QStringLiteral("/<victims>/V.TIF") << false;
            *row(ftp, "control character")
                << ftp << QStringLiteral("<store>") << QStringLiteral("a\x01") << tif << false;
            *row(ftp, "line break in the type")
                << ftp << QStringLiteral("<store>") << v << QStringLiteral("\n.TIF") << false;
            *row(ftp, "empty ID") << ftp << QStringLiteral("<store>") << QString() << tif << false;
        }
        *row(false, "absolute FilePath") << false << QStringLiteral("<victims>") << v << tif << true;
        *row(true, "FilePath of dots only") << true << QStringLiteral("../..") << v << tif << true;
    }
    void plantedRows() {
        QFETCH(bool, ftp);
        QFETCH(QString, filePath);
        QFETCH(QString, id);
        QFETCH(QString, type);
        QFETCH(bool, badPath);
        // The store's folder and, beside it, the victims'.
        const QString store = ftp ? QLatin1Char('/') + m_areaName : QStringLiteral("store");
        const QString victims = ftp ? m_areaName + QStringLiteral("-victims") : QStringLiteral("victims");
        const QString victimsOnDisk = ftp ? m_ftp->onDisk(QLatin1Char('/') + victims) : m_box->path(victims);
        const QString victimsInRow =
            ftp || !filePath.startsWith(QLatin1String("<victims>")) ? victims : victimsOnDisk;
        const QByteArray bait = "victim's bytes, never to be read";
        QVERIFY(writeFile(victimsOnDisk + QStringLiteral("/V.TIF"), bait));
        // Dots from the FTP login folder end at the server's root: a victim there too.
        QVERIFY(writeFile(m_ftp->onDisk(QStringLiteral("/V.TIF")), bait));
        const auto fill = [&](QString text) {
            return text.replace(QLatin1String("<store>"), ftp ? store : QString())
                .replace(QLatin1String("<victims>"), victimsInRow);
        };
        filePath = fill(filePath);
        if (!ftp && filePath.startsWith(QLatin1Char('/')) && !filePath.startsWith(victimsOnDisk))
            filePath = filePath.mid(1);
        id = fill(id);
        type = fill(type);
        m_storage.root = ftp ? store : m_box->path(QStringLiteral("store"));
        QVERIFY(QDir().mkpath(m_box->path(QStringLiteral("store"))));
        const record::ListedDocument it{id, kName, type, filePath};

        QCOMPARE(fetch(ftp, it), QString());
        const QString notFound =
            ftp && badPath ? QStringLiteral("在FTP服务器上找不到") + filePath + QStringLiteral("路径")
            : ftp          ? QStringLiteral("在FTP服务器上找不到") + kName + QStringLiteral("文件")
                           : QStringLiteral("在找不到") + kName + QStringLiteral("文件");
        expectMessage(notFound, dialogs::Icon::None);
        QCOMPARE(tree(cache()), QStringList());

        transfer::deleteStoredFile(storage(ftp), filePath, id, type);
        QCOMPARE(readFile(victimsOnDisk + QStringLiteral("/V.TIF")), bait);
        QCOMPARE(readFile(m_ftp->onDisk(QStringLiteral("/V.TIF"))), bait);
    }

    // Another user of the machine prepares the cache: only a private folder of ours
    // is used, and nothing planted in it is followed.
    void foreignCache_data() {
        QTest::addColumn<bool>("ftp");
        QTest::addColumn<QString>("plant");
        QTest::addColumn<bool>("used");
        for (const bool ftp : {false, true}) {
            const char* mode = ftp ? "ftp: " : "folder: ";
            QTest::addRow("%ssymbolic link as the folder", mode)
                << ftp << QStringLiteral("folder link") << false;
            QTest::addRow("%sforeign open folder", mode) << ftp << QStringLiteral("foreign folder") << false;
            QTest::addRow("%sour open folder, link at the name", mode)
                << ftp << QStringLiteral("name link") << true;
        }
    }
    void foreignCache() {
        QFETCH(bool, ftp);
        QFETCH(QString, plant);
        QFETCH(bool, used);
        if (::geteuid() != 0)
            QSKIP("planting as another user needs root to create and act as that user");
        const QString intruder = QStringLiteral("wo-cache-intruder");
        if (!::getpwnam("wo-cache-intruder"))
            QCOMPARE(QProcess::execute(QStringLiteral("useradd"), {QStringLiteral("--no-create-home"),
                                                                   QStringLiteral("--system"), intruder}),
                     0);
        const passwd* other = ::getpwnam("wo-cache-intruder");
        QVERIFY(other);
        const QByteArray bait = "the intruder's file";
        const QString victim = m_box->writeFile(QStringLiteral("victim/V.TIF"), bait);
        const QString name = id("a") + QStringLiteral(".TIF");
        QVERIFY(QDir().mkpath(QFileInfo(cache()).path()));
        const QByteArray folder = QFile::encodeName(cache());
        if (plant == QLatin1String("folder link")) {
            QVERIFY(QFile::link(QFileInfo(victim).path(), cache()));
            QCOMPARE(::lchown(folder.constData(), other->pw_uid, other->pw_gid), 0);
        } else {
            QVERIFY(QDir().mkdir(cache()));
            QCOMPARE(::chmod(folder.constData(), 0777), 0);
            if (plant == QLatin1String("foreign folder"))
                QCOMPARE(::chown(folder.constData(), other->pw_uid, other->pw_gid), 0);
            else {
                const QByteArray link = QFile::encodeName(cache() + QLatin1Char('/') + name);
                QVERIFY(QFile::link(victim, cache() + QLatin1Char('/') + name));
                QCOMPARE(::lchown(link.constData(), other->pw_uid, other->pw_gid), 0);
            }
        }
        const QByteArray data = binaryContent(20000, 9);
        record::ListedDocument it =
            document(ftp, month(QStringLiteral("2024-05")), id("a"), QStringLiteral(".TIF"), data);

        const QString got = fetch(ftp, it);
        QCOMPARE(readFile(victim), bait);
        QCOMPARE(tree(QFileInfo(victim).path()), QStringList{QStringLiteral("V.TIF")});
        if (used) {
            QCOMPARE(got, cache() + QLatin1Char('/') + name);
            QVERIFY(!QFileInfo(got).isSymLink());
            QCOMPARE(readFile(got), data);
            QCOMPARE(mode(cache()), 0700);
            QCOMPARE(mode(got), 0600);
        } else {
            QCOMPARE(got, QString());
            if (ftp)
                expectMessage(QStringLiteral("在FTP服务器上找不到") + kName + QStringLiteral("文件"),
                              dialogs::Icon::None);
            else
                QVERIFY((*m_dialogs)->calls().isEmpty());
        }
    }

    void unwritableCache_data() {
        QTest::addColumn<bool>("ftp");
        addModes("file in the cache folder's place");
    }
    void unwritableCache() {
        QFETCH(bool, ftp);
        QVERIFY(writeFile(cache(), "not a folder"));
        record::ListedDocument it = document(ftp, month(QStringLiteral("2024-05")), id("a"),
                                             QStringLiteral(".TIF"), binaryContent(1000, 4));

        QCOMPARE(fetch(ftp, it), QString());
        if (ftp)
            expectMessage(QStringLiteral("在FTP服务器上找不到") + kName + QStringLiteral("文件"),
                          dialogs::Icon::None);
        else
            QVERIFY((*m_dialogs)->calls().isEmpty());
        QCOMPARE(readFile(cache()), QByteArray("not a folder"));
    }

    void missingRemoteDirectory() {
        const QString filePath = month(QStringLiteral("1999-01"));
        record::ListedDocument it = item(true, filePath, id("a"), QStringLiteral(".TIF"));

        QCOMPARE(transfer::DownloadToCache(it, storage(true)), QString());
        expectMessage(QStringLiteral("在FTP服务器上找不到") + shownPath(true, filePath) +
                          QStringLiteral("路径"),
                      dialogs::Icon::None);
        QCOMPARE(tree(cache()), QStringList());
    }

    void documentsInDifferentMonths_data() {
        QTest::addColumn<bool>("ftp");
        addModes("two months");
    }
    void documentsInDifferentMonths() {
        QFETCH(bool, ftp);
        const QString january = month(QStringLiteral("2024-01"));
        const QString february = month(QStringLiteral("2024-02"));
        record::ListedDocument a =
            document(ftp, january, id("a"), QStringLiteral(".TIF"), binaryContent(2000, 5));
        record::ListedDocument b =
            document(ftp, february, id("b"), QStringLiteral(".TIF"), binaryContent(3000, 6));
        // Same name in the other month: found only by reading from the wrong folder.
        QVERIFY(writeFile(diskPath(ftp, january, id("b") + QStringLiteral(".TIF")), "decoy"));

        QCOMPARE(readFile(fetch(ftp, a)), binaryContent(2000, 5));
        QCOMPARE(readFile(fetch(ftp, b)), binaryContent(3000, 6));
        QVERIFY((*m_dialogs)->calls().isEmpty());
    }

    void prepareUploadDirectory_data() {
        QTest::addColumn<QString>("slash");
        QTest::newRow("root") << QString();
        QTest::newRow("root with trailing slash") << QStringLiteral("/");
    }
    void prepareUploadDirectory() {
        QFETCH(QString, slash);
        const QString root = QLatin1Char('/') + m_areaName;
        const QString local = m_box->writeFile(QStringLiteral("upload"), "scan");

        for (const QString& name : {QStringLiteral("first"), QStringLiteral("second")}) {
            settings::Storage storage = this->storage(true);
            storage.root = root + slash;
            QCOMPARE(transfer::prepareUploadDirectory(storage, QStringLiteral("2024-05")),
                     root + QStringLiteral("/2024-05"));
            QVERIFY(inet::FtpPutFile(m_ftp->connection(), local, name));
        }
        QCOMPARE(tree(m_area), QStringList({QStringLiteral("2024-05"), QStringLiteral("2024-05/first"),
                                            QStringLiteral("2024-05/second")}));
    }

    void deleteRemoteFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("left");
        const QString m = QStringLiteral("2024-05/");
        QTest::newRow("present") << QStringLiteral("doc.TIF")
                                 << QStringList{QStringLiteral("2024-05"), m + QStringLiteral("other.TIF"),
                                                QStringLiteral("victim")};
        QTest::newRow("missing") << QStringLiteral("gone.TIF")
                                 << QStringList{QStringLiteral("2024-05"), m + QStringLiteral("doc.TIF"),
                                                m + QStringLiteral("other.TIF"), QStringLiteral("victim")};
        QTest::newRow("name with a path")
            << QStringLiteral("../victim")
            << QStringList{QStringLiteral("2024-05"), m + QStringLiteral("doc.TIF"),
                           m + QStringLiteral("other.TIF"), QStringLiteral("victim")};
    }
    void deleteRemoteFile() {
        QFETCH(QString, name);
        QFETCH(QStringList, left);
        for (const char* file : {"2024-05/doc.TIF", "2024-05/other.TIF", "victim"})
            QVERIFY(writeFile(m_area + QLatin1Char('/') + QLatin1String(file), "x"));

        transfer::deleteRemoteFile(storage(true), QLatin1Char('/') + month(QStringLiteral("2024-05")), name);
        QCOMPARE(tree(m_area), left);
    }

    void cacheFolderLocation_data() {
        QTest::addColumn<QByteArray>("xdg");
        QTest::addColumn<QString>("base");
        QTest::newRow("absolute XDG_CACHE_HOME") << QByteArray("/xdg") << QStringLiteral("/xdg");
        QTest::newRow("relative XDG_CACHE_HOME") << QByteArray("xdg") << QStringLiteral("/home/.cache");
        QTest::newRow("no XDG_CACHE_HOME") << QByteArray() << QStringLiteral("/home/.cache");
    }
    void cacheFolderLocation() {
        QFETCH(QByteArray, xdg);
        QFETCH(QString, base);
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldCwd = QDir::currentPath().toLocal8Bit();
        QDir::setCurrent(m_box->path());
        qputenv("HOME", m_box->path(QStringLiteral("home")).toLocal8Bit());
        if (xdg.isEmpty())
            qunsetenv("XDG_CACHE_HOME");
        else
            qputenv("XDG_CACHE_HOME", xdg.startsWith('/') ? m_box->path().toLocal8Bit() + xdg : xdg);

        const QString folder = transfer::cacheFolder();
        qputenv("HOME", oldHome);
        QDir::setCurrent(QString::fromLocal8Bit(oldCwd));
        QCOMPARE(folder, m_box->path() + base + QStringLiteral("/wendra-original/temp"));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void folderModeSource_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("filePath");
        QTest::addColumn<QString>("expected");
        QTest::newRow("month") << "/data"
                               << "2024-05"
                               << "/data/2024-05/7.TIF";
        QTest::newRow("root with slash") << "/data/"
                                         << "2024-05"
                                         << "/data/2024-05/7.TIF";
        QTest::newRow("no FilePath") << "/data/" << QString() << "/data/7.TIF";
    }
    void folderModeSource() {
        QFETCH(QString, root);
        QFETCH(QString, filePath);
        QFETCH(QString, expected);
        QCOMPARE(transfer::folderModeSource(root, filePath, QStringLiteral("7"), QStringLiteral(".TIF")),
                 expected);
    }

    void insideRemoteRoot_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("filePath");
        QTest::addColumn<bool>("inside");
        QTest::newRow("month") << "/docs"
                               << "/docs/2024-05" << true;
        QTest::newRow("the root itself") << "/docs/"
                                         << "/docs" << true;
        QTest::newRow("dots resolved") << "/docs"
                                       << "/x/../docs/./2024-05" << true;
        QTest::newRow("climbing above / stays at /") << "/docs"
                                                     << "/../../docs/2024-05" << true;
        QTest::newRow("server's root") << "/docs"
                                       << "/" << false;
        QTest::newRow("another folder") << "/docs"
                                        << "/other" << false;
        QTest::newRow("a name sharing the start") << "/docs"
                                                  << "/docs-old/2024-05" << false;
        QTest::newRow("climbing out") << "/docs"
                                      << "/docs/2024-05/../.." << false;
        QTest::newRow("empty: the current folder") << "/docs"
                                                   << "" << false;
        QTest::newRow("relative in relative") << "docs"
                                              << "docs/2024-05" << true;
        QTest::newRow("relative climbing above its start") << "docs"
                                                           << "../docs/2024-05" << false;
        QTest::newRow("relative against absolute") << "/docs"
                                                   << "docs/2024-05" << false;
        QTest::newRow("server's root as root") << "/"
                                               << "/other" << true;
        QTest::newRow("empty root: the login folder's months") << ""
                                                               << "/2024-05" << true;
    }
    // Where the server would take a row's folder, against the store's root.
    void insideRemoteRoot() {
        QFETCH(QString, root);
        QFETCH(QString, filePath);
        QFETCH(bool, inside);
        QCOMPARE(transfer::insideRemoteRoot(root, filePath), inside);
    }

    void copyFileSafely_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("number");
        QTest::newRow("replaces the target") << "src/a"
                                             << "dst/a" << 0;
        QTest::newRow("missing source") << "src/none"
                                        << "dst/a" << err::FileNotFound;
        QTest::newRow("source is a folder") << "src"
                                            << "dst/a" << 75;
        QTest::newRow("target is a folder") << "src/a"
                                            << "dst/folder" << 75;
        QTest::newRow("target folder missing") << "src/a"
                                               << "none/a" << 75;
        QTest::newRow("unreadable source") << "src/locked"
                                           << "dst/a" << err::PermissionDenied;
        QTest::newRow("read-only target folder") << "src/a"
                                                 << "ro/a" << err::PermissionDenied;
    }
    void copyFileSafely() {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(int, number);
        if (number == err::PermissionDenied && ::geteuid() == 0)
            QSKIP("permissions do not bind root");
        const QByteArray data = binaryContent(200000, 7);
        m_box->writeFile(QStringLiteral("w/src/a"), data);
        m_box->writeFile(QStringLiteral("w/src/locked"), data);
        m_box->writeFile(QStringLiteral("w/dst/a"), "old");
        m_box->writeFile(QStringLiteral("w/ro/a"), "old");
        QVERIFY(QDir().mkpath(m_box->path(QStringLiteral("w/dst/folder"))));
        QVERIFY(QFile::setPermissions(m_box->path(QStringLiteral("w/src/locked")), QFile::WriteOwner));
        QVERIFY(
            QFile::setPermissions(m_box->path(QStringLiteral("w/ro")), QFile::ReadOwner | QFile::ExeOwner));
        const QString work = m_box->path(QStringLiteral("w"));
        const QStringList before = tree(work);

        int thrown = 0;
        try {
            transfer::copyFileSafely(work + QLatin1Char('/') + source, work + QLatin1Char('/') + target);
        } catch (const Error& e) {
            thrown = e.number();
        }
        QFile::setPermissions(m_box->path(QStringLiteral("w/ro")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(thrown, number);
        QCOMPARE(tree(work), before);
        if (QFileInfo(work + QLatin1Char('/') + target).isFile())
            QCOMPARE(readFile(work + QLatin1Char('/') + target), number == 0 ? data : QByteArray("old"));
    }

    // Cancel pressed in a fetch's progress window: no message, no cached file and no
    // temporary one, no cached path. The download runs against a server held to 1 MiB/s,
    // so its window comes after a second as for a person; the folder copy is too quick
    // for that and shows its window at once.
    void cancelledFetchLeavesNoCacheFile_data() {
        QTest::addColumn<bool>("ftp");
        addModes("cancelled");
    }
    void cancelledFetchLeavesNoCacheFile() {
        QFETCH(bool, ftp);
        const QByteArray data = binaryContent(8 << 20, 6);
        const QString root = m_box->path(QStringLiteral("server"));
        std::optional<test::ThrottledFtp> server;
        const auto showAfter = transfer::TransferMeter::showAfter;
        const auto restore = qScopeGuard([showAfter] { transfer::TransferMeter::showAfter = showAfter; });
        record::ListedDocument it;
        qint64 cancelAt = 0;
        if (ftp) {
            QVERIFY(writeFile(root + QStringLiteral("/docs/x.TIF"), data));
            server.emplace(root, 1 << 20);
            m_storage.ftpConnection = static_cast<std::int32_t>(inet::InternetConnect(
                static_cast<inet::Handle>(m_ftp->session()), QStringLiteral("127.0.0.1"), server->port,
                QStringLiteral("u"), QStringLiteral("p")));
            QVERIFY2(m_storage.ftpConnection != 0, qPrintable(inet::InternetGetLastResponseInfo()));
            it = item(false, QStringLiteral("/docs"), QStringLiteral("x"), QStringLiteral(".TIF"));
            cancelAt = 2 << 20;
        } else {
            it = document(false, month(QStringLiteral("2024-05")), id("x"), QStringLiteral(".TIF"), data);
            transfer::TransferMeter::showAfter = std::chrono::milliseconds(0);
        }
        (*m_dialogs)->queueTransferCancel(cancelAt);

        QCOMPARE(fetch(ftp, it), QString());
        const QList<Call> calls = (*m_dialogs)->calls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].kind, dialogs::ScriptedDialogs::Kind::TransferProgress);
        QCOMPARE(calls[0].text, kName);
        QCOMPARE(calls[0].totalBytes, qint64(data.size()));
        QVERIFY2(calls[0].bytes >= cancelAt && calls[0].bytes <= data.size() - (ftp ? 1 : 0),
                 qPrintable(QString::number(calls[0].bytes)));
        QCOMPARE(tree(cache()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
