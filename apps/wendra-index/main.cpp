// wendra-index: reads the text of every document of a store (or of one record) that
// has none yet, so that it can be searched; or searches it. Several may run at once
// on one database: each document is claimed through the database and read once.
// Exit status 0 done, 1 some documents failed, 2 could not run.
#include "StoreOptions.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "text/Indexer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <optional>

namespace {

constexpr int kDone = 0;
constexpr int kSomeFailed = 1;
constexpr int kCouldNotRun = 2;

struct Options : wo::apps::StoreOptions {
    std::optional<QString> record;
    std::optional<QString> search;
    bool json = false;
    int limit = 50;
    int claimTimeout = 600;
    wo::text::ReadOptions read;
};

[[noreturn]] void usageError(const QString& text) {
    wo::apps::usageExit("wendra-index", text, kCouldNotRun);
}

int positiveNumber(const QCommandLineParser& p, const QCommandLineOption& option, int fallback) {
    if (!p.isSet(option))
        return fallback;
    bool ok = false;
    const int value = p.value(option).toInt(&ok);
    if (!ok || value <= 0)
        usageError(QStringLiteral("--%1 wants a positive number").arg(option.names().first()));
    return value;
}

// The reading program installed beside the component's module, else the build tree's.
QString readerProgram() {
    const QDir here(QCoreApplication::applicationDirPath());
    for (const char* relative : {WO_READER_INSTALLED, WO_READER_BUILT}) {
        const QString path = here.filePath(QLatin1String(relative) + QStringLiteral("/wendra-ocr"));
        if (QFileInfo(path).isExecutable())
            return QDir::cleanPath(path);
    }
    usageError(QStringLiteral("the reading program wendra-ocr is not installed"));
}

Options parseOptions(const QStringList& arguments) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Reads the text of every stored document that has none yet (a PDF's text layer, recognised text of "
        "scanned pages, the content of text files), so that it can be searched; with --search, prints the "
        "pages that hold a text. Several may run at once on one database, on one machine or on many: each "
        "document is read once. An interrupted run goes on where it stopped. Exit status: 0 done, 1 some "
        "documents could not be read, 2 could not run."));
    p.addHelpOption();
    const wo::apps::StoreOptionParser storeOptions(p);
    const QCommandLineOption record(QStringLiteral("record"),
                                    QStringLiteral("This business record's documents only."),
                                    QStringLiteral("id"));
    const QCommandLineOption search(QStringLiteral("search"),
                                    QStringLiteral("Print the pages whose text holds this text instead."),
                                    QStringLiteral("text"));
    const QCommandLineOption limit(QStringLiteral("limit"),
                                   QStringLiteral("With --search: at most this many pages (default 50)."),
                                   QStringLiteral("count"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Write the summary or the hits as JSON."));
    const QCommandLineOption lang(
        QStringLiteral("lang"), QStringLiteral("Recognition languages, tesseract's names (default chi_sim)."),
        QStringLiteral("languages"));
    const QCommandLineOption pageSeconds(
        QStringLiteral("page-seconds"),
        QStringLiteral("End the reading of a page after this many seconds (default 60); its document fails."),
        QStringLiteral("seconds"));
    const QCommandLineOption claimTimeout(
        QStringLiteral("claim-timeout"),
        QStringLiteral("Take over a document another reader claimed this many seconds ago (default 600)."),
        QStringLiteral("seconds"));
    p.addOptions({record, search, limit, json, lang, pageSeconds, claimTimeout});
    if (!p.parse(arguments))
        usageError(p.errorText());
    if (p.isSet(QStringLiteral("help")))
        p.showHelp(kDone);
    if (!p.positionalArguments().isEmpty())
        usageError(QStringLiteral("unexpected argument %1").arg(p.positionalArguments().first()));
    Options o;
    if (p.isSet(search))
        o.search = p.value(search);
    // Searching reads only the database.
    static_cast<wo::apps::StoreOptions&>(o) = storeOptions.read(usageError, !o.search);
    if (p.isSet(record))
        o.record = p.value(record);
    o.json = p.isSet(json);
    o.limit = positiveNumber(p, limit, o.limit);
    o.claimTimeout = positiveNumber(p, claimTimeout, o.claimTimeout);
    o.read.pageSeconds = positiveNumber(p, pageSeconds, o.read.pageSeconds);
    if (p.isSet(lang))
        o.read.languages = p.value(lang);
    if (!o.search)
        o.read.program = readerProgram();
    return o;
}

int searchText(const Options& o, wo::text::TextTable& table) {
    const QList<wo::text::Hit> hits = table.search(*o.search, o.record, o.limit);
    QTextStream out(stdout);
    if (o.json) {
        out << wo::text::hitsJson(hits) << "\n";
        return kDone;
    }
    for (const wo::text::Hit& h : hits)
        out << h.recordId << "\t" << h.id << "\t" << h.name << "\t" << h.page << "\t"
            << QString(h.snippet).replace(u'\n', u' ') << "\n";
    return kDone;
}

int readTexts(const Options& o, wo::db::Connection& connection, wo::text::TextTable& table) {
    std::optional<wo::apps::FtpSession> ftp;
    wo::settings::Storage storage;
    if (o.ftp.isEmpty()) {
        storage.root = o.store;
    } else {
        ftp.emplace(o.ftp, o.ftpCa, QStringLiteral("wendra-index"));
        storage.ftpMode = true;
        storage.root = o.ftp.path();
        storage.ftpConnection = ftp->connection;
        storage.ftpSession = ftp->session;
    }
    wo::text::TextQueue queue(connection, wo::text::TextQueue::newOwner(), o.claimTimeout);
    wo::text::IndexSummary summary;
    {
        wo::apps::ProgressLine progress;
        const wo::text::IndexOptions options{
            .recordId = o.record,
            .read = o.read,
            .progress =
                [&](int finished, int waiting, const QString& name) {
                    progress.show(QStringLiteral("reading"), finished, waiting, name);
                },
            .stop = {},
            .localFile = {},
        };
        summary = wo::text::indexDocuments(table, queue, storage, options);
    }
    const wo::text::TextQueue::Counts counts = queue.counts(o.record);
    QTextStream out(stdout);
    if (o.json) {
        const QJsonObject root{{QStringLiteral("record"), o.record ? QJsonValue(*o.record) : QJsonValue()},
                               {QStringLiteral("read"), summary.done},
                               {QStringLiteral("failed"), summary.failed},
                               {QStringLiteral("failures"), QJsonArray::fromStringList(summary.failures)},
                               {QStringLiteral("documents"), counts.documents},
                               {QStringLiteral("withText"), counts.done},
                               {QStringLiteral("unreadable"), counts.failed}};
        out << QJsonDocument(root).toJson(QJsonDocument::Indented);
    } else {
        out << "Read " << summary.done << " documents, " << summary.failed << " failed; " << counts.done
            << " of " << counts.documents << " documents have their text, " << counts.failed
            << " cannot be read.\n";
        for (const QString& failure : summary.failures)
            out << "  " << QString(failure).replace(u'\n', u' ') << "\n";
    }
    return summary.failed ? kSomeFailed : kDone;
}

int run(const Options& o) {
    const auto connection = wo::db::Connection::open(o.driver, o.connectString);
    wo::text::TextTable table(*connection);
    if (o.search) {
        if (!table.exists())
            throw wo::err::make(wo::err::SearchUnavailable);
        return searchText(o, table);
    }
    table.ensure();
    return readTexts(o, *connection, table);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app.arguments());
    return wo::apps::runReporting("wendra-index", kCouldNotRun, [&] { return run(options); });
}
