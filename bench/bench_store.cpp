// Two timings of the document store against the database's own command-line client,
// each with the peak memory it takes. Not a test: prints timings, ratios and memory.
//   delete: DelFile removes 10 documents of one record from a table of 1,000,000
//           rows (one snapshot of the whole table), against the client reading the
//           whole table.
//   load:   the list window's Form_Load fills its list with a record of 10,000
//           documents, against the client reading those rows.
// bench_store DRIVER CONNECT-STRING CLIENT... : the client's command line, to which
// the statement is appended (for example: sqlite3 file.db, or psql -X -At -h ...).
// Times are medians of runs taken by turns with the client's; CPU times are given
// as well, since wall times on a busy machine wander.
#include "dialogs/ScriptedDialogs.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "settings/MyInit.h"
#include "store/ClsFileOperation.h"
#include "store/Statements.h"
#include "ui/list/FrmMainList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace wo;

namespace {

constexpr int TableRows = 1000000;
constexpr int DeletedDocuments = 10;
constexpr int SharedDocuments = 3;
constexpr int LoadedDocuments = 10000;
constexpr int DeleteRepeats = 5;
constexpr int LoadRepeats = 21;
const QString kDeleteRecord = QStringLiteral("BENCH-DEL");
const QString kLoadRecord = QStringLiteral("BENCH-LOAD");

struct Run {
    double ms = 0;
    double cpuMs = 0;  // user + system time of the process doing the work
    long peakKiB = 0;  // highest resident size while it ran
    long startKiB = 0; // resident size when it began
};

double cpuMs(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long statusKiB(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line; !(line = status.readLine()).isEmpty();)
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLong();
    return -1;
}

// Time and peak resident size of this process while `work` runs: freed memory is
// given back and the kernel's high-water mark reset to the current size first.
Run measureHere(const std::function<void()>& work) {
    malloc_trim(0);
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (!reset.open(QIODevice::WriteOnly) || reset.write("5") != 1)
        throw Error(1, QStringLiteral("cannot reset the peak memory mark"));
    reset.close();
    Run run;
    run.startKiB = statusKiB("VmRSS:");
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    work();
    run.ms = double(timer.nsecsElapsed()) / 1e6;
    getrusage(RUSAGE_SELF, &after);
    run.cpuMs = cpuMs(after) - cpuMs(before);
    run.peakKiB = statusKiB("VmHWM:");
    return run;
}

Run median(std::vector<Run> runs) {
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.ms < b.ms; });
    return runs[runs.size() / 2];
}

// Runs a command with its output to /dev/null; its time, and its CPU time from wait4.
Run spawn(const QStringList& command) {
    std::vector<QByteArray> args;
    for (const QString& a : command)
        args.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        throw Error(2, QStringLiteral("cannot start ") + command.first());
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Run run;
    run.ms = double(timer.nsecsElapsed()) / 1e6;
    run.cpuMs = cpuMs(usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw Error(3, command.join(u' ') + QStringLiteral(" failed"));
    return run;
}

// The client's peak size, from GNU time: a child inherits the high-water mark of the
// process it was spawned from, so only a small parent reports the client's own.
long clientPeakKiB(const QStringList& command) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("peak"));
    spawn(QStringList{QStringLiteral("/usr/bin/time"), QStringLiteral("-f"), QStringLiteral("%M"),
                      QStringLiteral("-o"), out} +
          command);
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(3, QStringLiteral("no peak size from /usr/bin/time"));
    return file.readAll().trimmed().toLong();
}

void report(const char* what, const Run& ours, const Run& client) {
    std::printf("%-7s ours %8.1f ms (cpu %8.1f)  client %8.1f ms (cpu %8.1f)  ratio %.2f (cpu %.2f)   "
                "peak memory: ours %ld MiB (%+ld MiB over the %ld MiB before), client %ld MiB\n",
                what, ours.ms, ours.cpuMs, client.ms, client.cpuMs, ours.ms / client.ms,
                ours.cpuMs / client.cpuMs, ours.peakKiB / 1024, (ours.peakKiB - ours.startKiB) / 1024,
                ours.startKiB / 1024, client.peakKiB / 1024);
    std::fflush(stdout);
}

// Our operation and the client's reading by turns, so that both meet the machine
// alike; medians of the times, the client's peak from one more run.
void compare(const char* what, int repeats, const std::function<Run()>& ours, const QStringList& client) {
    std::vector<Run> mine, theirs;
    for (int i = 0; i < repeats; ++i) {
        mine.push_back(ours());
        theirs.push_back(spawn(client));
    }
    Run reading = median(theirs);
    reading.peakKiB = clientPeakKiB(client);
    report(what, median(mine), reading);
}

QString id(int n) {
    return QStringLiteral("%1").arg(n, 20, 10, QLatin1Char('0'));
}

// The table as a host would keep it, keyed for its lookups by document and by
// record, filled in one statement by the engine itself. Rows 1..10,000 are the
// loaded record; the next 10 the record to delete from, 3 of them also named by
// another record; the rest spread over 99,000 records.
void fillTable(db::Connection& db, bool postgres) {
    db.execute(QStringLiteral("DROP TABLE IF EXISTS Original_Text"));
    db.execute(QStringLiteral(
        "CREATE TABLE Original_Text (ID varchar(40) NOT NULL, Original_Name varchar(255), Type varchar(20), "
        "RecordId varchar(100), FileOrder integer, FilePath varchar(255), Size bigint)"));
    const auto n = [](int v) { return QString::number(v); };
    const QString last = n(TableRows - SharedDocuments);
    // The last rows name the last documents of the record to delete from once more.
    const QString ident = QStringLiteral("CASE WHEN x > ") + last + QStringLiteral(" THEN x - ") + last +
                          QStringLiteral(" + ") + n(LoadedDocuments + DeletedDocuments - SharedDocuments) +
                          QStringLiteral(" ELSE x END");
    const QString record = QStringLiteral("CASE WHEN x <= ") + n(LoadedDocuments) +
                           QStringLiteral(" THEN '") + kLoadRecord + QStringLiteral("' WHEN x <= ") +
                           n(LoadedDocuments + DeletedDocuments) + QStringLiteral(" THEN '") + kDeleteRecord +
                           QStringLiteral("' WHEN x > ") + last +
                           QStringLiteral(" THEN 'SHARED' ELSE 'R' || (x % 99000) END");
    const QString select = QStringLiteral("SELECT ") +
                           (postgres ? QStringLiteral("lpad((") + ident + QStringLiteral(")::text, 20, '0')")
                                     : QStringLiteral("printf('%020d', ") + ident + QStringLiteral(")")) +
                           QStringLiteral(", 'Document ' || x || '.pdf', '.PDF', ") + record +
                           QStringLiteral(", x, '2006-03', 1000 + x");
    db.execute(
        postgres
            ? QStringLiteral("INSERT INTO Original_Text ") + select +
                  QStringLiteral(" FROM generate_series(1, ") + n(TableRows) + QStringLiteral(") AS x")
            : QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < ") +
                  n(TableRows) + QStringLiteral(") INSERT INTO Original_Text ") + select +
                  QStringLiteral(" FROM n"));
    db.execute(QStringLiteral("CREATE INDEX Original_Text_ID ON Original_Text (ID)"));
    db.execute(QStringLiteral("CREATE INDEX Original_Text_Record ON Original_Text (RecordId)"));
    db.execute(postgres ? QStringLiteral("VACUUM ANALYZE Original_Text") : QStringLiteral("ANALYZE"));
}

// The record to delete from, as before the first run: its rows, its stored files
// and every one of its documents, as selected in the list.
QVector<record::ListedDocument> prepareDeletion(db::Connection& db, const QString& store) {
    db.execute(QStringLiteral("DELETE FROM Original_Text WHERE RecordId = '%1'").arg(kDeleteRecord));
    QVector<record::ListedDocument> selected;
    QDir().mkpath(store + QStringLiteral("/2006-03"));
    for (int k = 1; k <= DeletedDocuments; ++k) {
        const int n = LoadedDocuments + k;
        const QString name = QStringLiteral("Document %1.pdf").arg(n);
        db.execute(store::sql::InsertDocument(
            {id(n), name, QStringLiteral(".PDF"), kDeleteRecord, k, QStringLiteral("2006-03"), 1000 + n}));
        QFile file(store + QStringLiteral("/2006-03/") + id(n) + QStringLiteral(".PDF"));
        if (!file.open(QIODevice::WriteOnly) || file.write("%PDF-1.4 stored document\n") <= 0)
            throw Error(75, QStringLiteral("cannot write ") + file.fileName());
        selected.append({id(n), name, QStringLiteral(".PDF"), QStringLiteral("2006-03")});
    }
    return selected;
}

int storedFiles(const QString& store) {
    return int(QDir(store + QStringLiteral("/2006-03")).entryList(QDir::Files).size());
}

int run(const QStringList& args) {
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench_store DRIVER CONNECT-STRING CLIENT...\n");
        return 2;
    }
    const QString driver = args[1];
    const bool postgres = driver == QLatin1String("QPSQL");
    const QStringList client = args.mid(3);
    auto connection = db::Connection::open(driver, args[2]);
    QTemporaryDir sandbox;
    qputenv("XDG_CACHE_HOME", sandbox.filePath(QStringLiteral("cache")).toLocal8Bit());
    const QString store = sandbox.filePath(QStringLiteral("store"));

    QElapsedTimer filling;
    filling.start();
    fillTable(*connection, postgres);
    std::printf("%s: %d rows loaded in %.1f s\n", qPrintable(driver), TableRows,
                double(filling.elapsed()) / 1000);

    MyInit::reset();
    MyInit::Connection = connection;
    MyInit::gsPath = store;
    dialogs::ScriptedDialogsScope dialogs;

    // Deleting 10 documents, 3 of them shared, while the table holds a million rows.
    MyInit::gsRecordID = kDeleteRecord;
    compare(
        "delete", DeleteRepeats,
        [&] {
            const QVector<record::ListedDocument> selected = prepareDeletion(*connection, store);
            dialogs->queueAnswer(dialogs::Answer::Yes);
            bool done = false;
            qsizetype removed = 0;
            const Run run = measureHere([&] {
                done = store::ClsFileOperation(MyInit::record()).DelFile(selected, [&](qsizetype) {
                    ++removed;
                });
            });
            if (!done || removed != selected.size() || storedFiles(store) != SharedDocuments)
                throw Error(1, QStringLiteral("the deletion did not complete as expected"));
            return run;
        },
        client + QStringList{QStringLiteral("SELECT * FROM Original_Text")});

    // Loading a record of 10,000 documents. A start document that no row carries
    // means nothing is opened or previewed.
    MyInit::gsRecordID = kLoadRecord;
    MyInit::gsOriginalID = QStringLiteral("none");
    compare(
        "load", LoadRepeats,
        [&] {
            ui::FrmMainList window;
            const Run run = measureHere([&] { window.Form_Load(); });
            if (window.LVOrder->model()->rowCount() != LoadedDocuments)
                throw Error(
                    1, QStringLiteral("the list holds %1 rows").arg(window.LVOrder->model()->rowCount()));
            return run;
        },
        client +
            QStringList{QStringLiteral("select * from Original_Text where RecordID = '%1' Order by FileOrder")
                            .arg(kLoadRecord)});
    if (dialogs->calls().size() != DeleteRepeats)
        throw Error(1, QStringLiteral("unexpected dialogs were shown"));
    MyInit::reset();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    try {
        return run(app.arguments());
    } catch (const Error& e) {
        std::fprintf(stderr, "bench_store: %d: %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
}
