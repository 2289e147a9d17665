// Transfer timings of a host calling the component, against the command-line tools
// doing the same transfer. Not a test: prints medians, rates and ratios.
//   folder add: AddOriginalFile stores a large file in folder mode (copy, flush,
//               rename, row), against cp of the same file followed by sync -d of the copy.
//   FTP add:    AddOriginalFile uploads a file to the FTP server, against curl -T.
//   FTP fetch:  the preview's download of that document into the download cache,
//               against curl -o.
// bench_transfer WORK PORT USER PASSWORD ROOT RUNS
//   WORK holds host.db (with Original_Text), folder.bin, ftp.bin and store/; the FTP
//   server listens on 127.0.0.1:PORT and USER may write the absolute folder ROOT.
// Pairs run by turns, the peer first every other run.
#include "BenchTiming.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "settings/MyInit.h"
#include "transfer/ModDownLoadFile.h"
#include "wendra/Wendra_Original.h"
#include "wendra/dialogs_scripted.h"
#include "wendra/inet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <memory>

using namespace wo;

namespace {

struct Host {
    WoObject* connection = nullptr;
    WoObject* clsMain = nullptr;
};

void fail(const char* step) {
    char text[512] = "";
    const int32_t number = WoGetErrorInfo(text, sizeof text);
    std::fprintf(stderr, "%s failed: %d %s\n", step, int(number), text);
    std::exit(1);
}

// What the host's user does: "添加原文", picking `file` in the open-file dialog.
void addThroughComponent(const Host& host, const QString& file) {
    WoScriptedDialogs_Begin();
    const QByteArray path = QFile::encodeName(file);
    const char* files[] = {path.constData()};
    WoScriptedDialogs_QueueFiles(files, 1);
    int16_t added = 0;
    if (WoClsMain_AddOriginalFile(host.clsMain, &added) != WO_S_OK || !added)
        fail("AddOriginalFile");
    WoScriptedDialogs_End();
}

// The stored document's row as the list window shows it, for the preview's fetch.
record::ListedDocument lastAdded(db::Connection& connection) {
    db::Recordset row;
    row.open(QStringLiteral("SELECT ID, Original_Name, Type, FilePath FROM Original_Text WHERE ID = '%1'")
                 .arg(MyInit::gsOriginalID),
             connection);
    return {row.field(QStringLiteral("ID")).toString(), row.field(QStringLiteral("Original_Name")).toString(),
            row.field(QStringLiteral("Type")).toString(), row.field(QStringLiteral("FilePath")).toString()};
}

void run(const QString& program, const QStringList& arguments) {
    if (QProcess::execute(program, arguments) != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2)
               : QString();
}

struct Pair {
    const char* what;
    const char* peer;
    qint64 bytes;
    std::vector<double> ours, theirs;
};

// Times `ours` and `theirs` by turns, `runs` times each; `after` tidies up outside the timing.
void timePair(Pair& pair, int runs, const std::function<void()>& ours, const std::function<void()>& theirs,
              const std::function<void()>& after) {
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            pair.ours.push_back(test::elapsedMs(ours));
            pair.theirs.push_back(test::elapsedMs(theirs));
        } else {
            pair.theirs.push_back(test::elapsedMs(theirs));
            pair.ours.push_back(test::elapsedMs(ours));
        }
        after();
        std::printf("  %s run %d: %.0f ms, %s %.0f ms\n", pair.what, i + 1, pair.ours.back(), pair.peer,
                    pair.theirs.back());
        std::fflush(stdout);
    }
}

void report(const Pair& pair) {
    const double ours = test::median(pair.ours);
    const double theirs = test::median(pair.theirs);
    const double mib = double(pair.bytes) / (1024.0 * 1024.0);
    std::printf("%-34s %8.0f ms %7.1f MiB/s | %-22s %8.0f ms %7.1f MiB/s | time ratio %.2f, speed %.2f x\n",
                pair.what, ours, mib * 1000.0 / ours, pair.peer, theirs, mib * 1000.0 / theirs, ours / theirs,
                theirs / ours);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: bench_transfer WORK PORT USER PASSWORD ROOT RUNS\n");
        return 2;
    }
    const QString work = QString::fromLocal8Bit(argv[1]);
    const QString port = QString::fromLocal8Bit(argv[2]);
    const QByteArray user = argv[3], password = argv[4];
    const QString root = QString::fromLocal8Bit(argv[5]);
    const int runs = std::max(1, atoi(argv[6]));
    const QString folderFile = work + QStringLiteral("/folder.bin");
    const QString ftpFile = work + QStringLiteral("/ftp.bin");
    const QString store = work + QStringLiteral("/store");
    const QByteArray database =
        QFile::encodeName(QStringLiteral("Database=") + work + QStringLiteral("/host.db"));

    Host host;
    if (WoConnection_Open("QSQLITE", database.constData(), &host.connection) != WO_S_OK)
        fail("WoConnection_Open");
    if (WoCreateObject(WO_PROGID_CLSMAIN, &host.clsMain) != WO_S_OK)
        fail("WoCreateObject");
    WoClsMain_putref_Connection(host.clsMain, host.connection);
    WoClsMain_put_gsRecordID(host.clsMain, "BENCH-XFER");
    std::printf("load average at start: %s\n", qPrintable(loadAverage()));

    // Folder mode.
    WoClsMain_put_gsPath(host.clsMain, QFile::encodeName(store).constData());
    Pair folder{"folder add (AddOriginalFile)", "cp + sync -d", QFileInfo(folderFile).size(), {}, {}};
    const QString copy = work + QStringLiteral("/cp-copy.bin");
    timePair(
        folder, runs, [&] { addThroughComponent(host, folderFile); },
        [&] {
            run(QStringLiteral("cp"), {folderFile, copy});
            run(QStringLiteral("sync"), {QStringLiteral("-d"), copy});
        },
        [&] {
            QFile::remove(copy);
            for (const QFileInfo& month : QDir(store).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
                QDir(month.absoluteFilePath()).removeRecursively();
        });

    // FTP mode on the same host.
    const WoHInternet session = WoInternetOpen("bench_transfer");
    const WoHInternet ftp = WoInternetConnect(session, "127.0.0.1", uint16_t(port.toUInt()), user.constData(),
                                              password.constData(), 1, 0);
    if (!session || !ftp)
        fail("WoInternetConnect");
    WoClsMain_put_GetCopyRight(host.clsMain, "SQL SERVER");
    WoClsMain_put_gsOpen(host.clsMain, int32_t(session));
    WoClsMain_put_gsConn(host.clsMain, int32_t(ftp));
    WoClsMain_put_gsPath(host.clsMain, QFile::encodeName(root).constData());
    // "%2F" starts the path at the server's root.
    const QString url = QStringLiteral("ftp://%1:%2@127.0.0.1:%3/")
                            .arg(QString::fromUtf8(user), QString::fromUtf8(password), port) +
                        QStringLiteral("%2F") + root.mid(1) + QLatin1Char('/');
    // One CWD to the folder, as the component does.
    const QStringList curl{QStringLiteral("-sS"), QStringLiteral("--ftp-method"),
                           QStringLiteral("singlecwd")};
    const qint64 ftpBytes = QFileInfo(ftpFile).size();
    Pair upload{"FTP add (AddOriginalFile)", "curl -T", ftpBytes, {}, {}};
    Pair download{"FTP preview fetch (DownloadToCache)", "curl -o", ftpBytes, {}, {}};
    const auto reader = db::Connection::open(QStringLiteral("QSQLITE"), QString::fromUtf8(database));
    const QString fetched = work + QStringLiteral("/curl-fetched.bin");
    QString lastCached;
    record::ListedDocument item;
    timePair(
        upload, runs, [&] { addThroughComponent(host, ftpFile); },
        [&] {
            run(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("-T"), ftpFile, url});
        },
        [&] {
            // Each add stores a new file while curl writes over its one name: all but
            // the newest are removed after each run, so that neither side pays for
            // the other's pages still waiting to be written.
            item = lastAdded(*reader);
            QFile::remove(root + QLatin1Char('/') + QFileInfo(ftpFile).fileName());
            const QString newest = item.id + item.type;
            for (const QFileInfo& month : QDir(root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
                for (const QFileInfo& stored : QDir(month.absoluteFilePath()).entryInfoList(QDir::Files))
                    if (stored.fileName() != newest)
                        QFile::remove(stored.absoluteFilePath());
        });
    // curl fetches its own copy, put back untimed.
    run(QStringLiteral("curl"), {QStringLiteral("-sS"), QStringLiteral("-T"), ftpFile, url});
    timePair(
        download, runs,
        [&] {
            lastCached = transfer::DownloadToCache(item, MyInit::storage());
            if (QFileInfo(lastCached).size() != ftpBytes)
                fail("DownloadToCache");
        },
        [&] {
            run(QStringLiteral("curl"),
                curl + QStringList{QStringLiteral("-o"), fetched, url + QFileInfo(ftpFile).fileName()});
        },
        [&] {
            QFile::remove(fetched);
            QFile::remove(lastCached);
        });
    // What every curl run spends beside the transfer (start, connect, log in, quit),
    // which the component's kept connection does not: curl -I asks for the size only.
    std::vector<double> fixed;
    for (int i = 0; i < runs; ++i)
        fixed.push_back(test::elapsedMs([&] {
            run(QStringLiteral("curl"),
                curl + QStringList{QStringLiteral("-I"), QStringLiteral("-o"), QStringLiteral("/dev/null"),
                                   url + QFileInfo(ftpFile).fileName()});
        }));
    WoInternetCloseHandle(ftp);
    WoInternetCloseHandle(session);

    std::printf("load average at end: %s\n", qPrintable(loadAverage()));
    std::printf("medians of %d runs; time ratio = component / peer, speed = peer time / component time\n",
                runs);
    report(folder);
    report(upload);
    report(download);
    const double overhead = test::median(fixed);
    std::printf(
        "curl's own start, login and quit (curl -I): %.0f ms; without it, time ratios %.2f (add) and %.2f "
        "(fetch)\n",
        overhead, test::median(upload.ours) / (test::median(upload.theirs) - overhead),
        test::median(download.ours) / (test::median(download.theirs) - overhead));
    WoRelease(host.clsMain);
    WoRelease(host.connection);
    return 0;
}
