// wendra-audit: checks that a database's Original_Text and the stored files agree.
// Exit status 0 when they do, 1 with findings, 2 when the audit could not run (or a
// quarantine move failed).
#include "StoreOptions.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "store/Audit.h"
#include "store/PrintableName.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QUrl>
#include <optional>

using wo::store::AuditFinding;
using wo::store::FindingKind;

namespace {

constexpr int kClean = 0;
constexpr int kFindings = 1;
constexpr int kCouldNotRun = 2;

struct Options : wo::apps::StoreOptions {
    std::optional<QString> record;
    bool json = false;
    QString quarantine;
};

[[noreturn]] void usageError(const QString& text) {
    wo::apps::usageExit("wendra-audit", text, kCouldNotRun);
}

Options parseOptions(const QStringList& arguments) {
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Checks the document table Original_Text against the stored files: rows whose file is missing or "
        "differs in size, stored files no row names, temporaries of interrupted transfers, rows of one "
        "record sharing a FileOrder, and rows the component refuses. Exit status: 0 clean, 1 findings, "
        "2 could not run."));
    p.addHelpOption();
    const wo::apps::StoreOptionParser storeOptions(p);
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Audit this business record's rows only (the store's files are then not searched)."),
        QStringLiteral("id"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Write the report as JSON."));
    const QCommandLineOption quarantine(
        QStringLiteral("quarantine"),
        QStringLiteral(
            "Move the files no row names, and temporaries, older than ten minutes into this folder, "
            "keeping their month folder: a folder of yours outside the store on its file system, "
            "created with mode 0700 when missing (with --ftp an absolute remote folder outside the "
            "root). Files are only renamed; nothing is copied or deleted, no link followed."),
        QStringLiteral("folder"));
    p.addOptions({record, json, quarantine});
    if (!p.parse(arguments))
        usageError(p.errorText());
    if (p.isSet(QStringLiteral("help")))
        p.showHelp(kClean);
    if (!p.positionalArguments().isEmpty())
        usageError(QStringLiteral("unexpected argument %1").arg(p.positionalArguments().first()));

    Options o;
    static_cast<wo::apps::StoreOptions&>(o) = storeOptions.read(usageError);
    if (p.isSet(record))
        o.record = p.value(record);
    o.json = p.isSet(json);
    o.quarantine = p.value(quarantine);
    if (p.isSet(quarantine) && o.record)
        usageError(QStringLiteral("--quarantine works on the whole store, not with --record"));
    return o;
}

QString kindKey(FindingKind kind) {
    switch (kind) {
    case FindingKind::MissingFile:
        return QStringLiteral("missing-file");
    case FindingKind::SizeDiffers:
        return QStringLiteral("size-differs");
    case FindingKind::UnnamedFile:
        return QStringLiteral("unnamed-file");
    case FindingKind::Temporary:
        return QStringLiteral("temporary");
    case FindingKind::SameFileOrder:
        return QStringLiteral("same-file-order");
    case FindingKind::RefusedRow:
        return QStringLiteral("refused-row");
    case FindingKind::Link:
        return QStringLiteral("link");
    case FindingKind::HostileName:
        return QStringLiteral("hostile-name");
    case FindingKind::OutsideStore:
        return QStringLiteral("outside-store");
    }
    return {};
}

QString kindHeading(FindingKind kind) {
    switch (kind) {
    case FindingKind::MissingFile:
        return QStringLiteral("Rows whose file is missing");
    case FindingKind::SizeDiffers:
        return QStringLiteral("Rows whose file size differs from Size");
    case FindingKind::UnnamedFile:
        return QStringLiteral("Stored files no row names");
    case FindingKind::Temporary:
        return QStringLiteral("Temporary files of interrupted transfers");
    case FindingKind::SameFileOrder:
        return QStringLiteral("Rows of one record sharing a FileOrder");
    case FindingKind::RefusedRow:
        return QStringLiteral("Rows the component refuses");
    case FindingKind::Link:
        return QStringLiteral("Symbolic links (never followed, read or moved)");
    case FindingKind::HostileName:
        return QStringLiteral("Names in the server's listing that are never used");
    case FindingKind::OutsideStore:
        return QStringLiteral("Rows whose folder lies outside the store (their files are never deleted)");
    }
    return {};
}

// Under the root as the store's own files are shown, else in full.
QString place(const AuditFinding& f) {
    return f.relative.isEmpty() ? f.file : f.relative;
}

QString row(const AuditFinding& f) {
    return QStringLiteral("record %1, ID %2 (%3)").arg(f.recordId, f.id, f.name);
}

QString fileTime(const AuditFinding& f) {
    return f.modified.isValid() ? f.modified.toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"))
                                : QStringLiteral("time unknown");
}

QString describe(const AuditFinding& f) {
    switch (f.kind) {
    case FindingKind::MissingFile:
        return row(f) + QStringLiteral(": ") + place(f);
    case FindingKind::SizeDiffers:
        return row(f) +
               QStringLiteral(": Size %1, file %2 bytes: %3").arg(f.sizeText).arg(f.actualSize).arg(place(f));
    case FindingKind::UnnamedFile:
    case FindingKind::Temporary:
        return QStringLiteral("%1 (%2 bytes, %3)").arg(place(f)).arg(f.actualSize).arg(fileTime(f));
    case FindingKind::SameFileOrder:
        return QStringLiteral("record %1, FileOrder %2: %3")
            .arg(f.recordId, f.fileOrder, f.ids.join(QStringLiteral(", ")));
    case FindingKind::RefusedRow:
        return row(f) +
               (f.refusal == QLatin1String("path")
                    ? QStringLiteral(": FilePath \"%1\" leaves the store").arg(f.filePath)
                    : QStringLiteral(": ID and Type \"%1\" are not a plain file name").arg(f.id + f.type));
    case FindingKind::Link:
        return f.row ? row(f) + QStringLiteral(": ") + place(f) : place(f);
    case FindingKind::HostileName:
        return place(f);
    case FindingKind::OutsideStore:
        return row(f) + QStringLiteral(": ") + f.file;
    }
    return {};
}

void writeText(QTextStream& out, const QString& where, const Options& o, const wo::store::AuditReport& report,
               const QList<wo::store::QuarantineMove>& moves) {
    out << "Audit of " << where << (o.ftp.isEmpty() ? " (folder)" : " (FTP)")
        << (o.record ? QStringLiteral(", record ") + *o.record : QString()) << "\n";
    out << report.rows << " rows";
    if (report.storeSearched)
        out << ", " << report.storedFiles << " stored files";
    else
        out << "; the store's files not searched (one record)";
    out << "\n";
    for (int k = int(FindingKind::MissingFile); k <= int(FindingKind::OutsideStore); ++k) {
        const auto kind = FindingKind(k);
        QStringList lines;
        for (const AuditFinding& f : report.findings)
            if (f.kind == kind)
                lines << describe(f);
        if (lines.isEmpty())
            continue;
        out << "\n" << kindHeading(kind) << " (" << lines.size() << ")\n";
        // Names come from a store and a table others write: none may start a line.
        for (const QString& line : lines)
            out << "  " << wo::store::printableText(line) << "\n";
    }
    out << "\n"
        << (report.findings.isEmpty()
                ? QStringLiteral("No findings.")
                : QStringLiteral("%1 finding%2.")
                      .arg(report.findings.size())
                      .arg(report.findings.size() == 1 ? QString() : QStringLiteral("s")))
        << "\n";
    if (o.quarantine.isEmpty())
        return;
    out << "\nQuarantine in " << o.quarantine << "\n";
    for (const auto& move : moves)
        out << wo::store::printableText(move.problem.isEmpty()
                                            ? QStringLiteral("  moved %1 to %2").arg(move.file, move.target)
                                            : QStringLiteral("  left %1: %2").arg(move.file, move.problem))
            << "\n";
}

QJsonObject toJson(const AuditFinding& f) {
    QJsonObject o{{QStringLiteral("kind"), kindKey(f.kind)}};
    const auto put = [&](const char* key, const QString& value) {
        if (!value.isEmpty())
            o.insert(QLatin1String(key), value);
    };
    if (f.row) {
        o.insert(QStringLiteral("record"), f.recordId);
        o.insert(QStringLiteral("id"), f.id);
        put("name", f.name);
        put("type", f.type);
        put("filePath", f.filePath);
    }
    put("file", f.file);
    put("relative", f.relative);
    if (f.modified.isValid())
        o.insert(QStringLiteral("modified"), f.modified.toString(Qt::ISODate));
    if (f.kind == FindingKind::SizeDiffers)
        o.insert(QStringLiteral("size"), f.sizeText);
    if (f.actualSize >= 0)
        o.insert(QStringLiteral("fileSize"), f.actualSize);
    if (f.kind == FindingKind::SameFileOrder) {
        o.insert(QStringLiteral("fileOrder"), f.fileOrder);
        o.insert(QStringLiteral("ids"), QJsonArray::fromStringList(f.ids));
    }
    put("refusal", f.refusal);
    return o;
}

void writeJson(QTextStream& out, const QString& where, const Options& o, const wo::store::AuditReport& report,
               const QList<wo::store::QuarantineMove>& moves) {
    QJsonArray findings;
    for (const AuditFinding& f : report.findings)
        findings << toJson(f);
    QJsonObject root{
        {QStringLiteral("store"), where},
        {QStringLiteral("mode"), o.ftp.isEmpty() ? QStringLiteral("folder") : QStringLiteral("ftp")},
        {QStringLiteral("record"), o.record ? QJsonValue(*o.record) : QJsonValue()},
        {QStringLiteral("rows"), report.rows},
        {QStringLiteral("storeSearched"), report.storeSearched},
        {QStringLiteral("storedFiles"), report.storedFiles},
        {QStringLiteral("findings"), findings}};
    if (!o.quarantine.isEmpty()) {
        QJsonArray list;
        for (const auto& move : moves) {
            QJsonObject m{{QStringLiteral("file"), move.file},
                          {QStringLiteral("target"), move.target},
                          {QStringLiteral("moved"), move.problem.isEmpty()}};
            if (!move.problem.isEmpty())
                m.insert(QStringLiteral("problem"), move.problem);
            list << m;
        }
        root.insert(QStringLiteral("quarantine"), list);
    }
    out << QJsonDocument(root).toJson(QJsonDocument::Indented);
}

int run(const Options& o) {
    const auto connection = wo::db::Connection::open(o.driver, o.connectString);
    std::optional<wo::apps::FtpSession> ftp;
    wo::store::AuditStore store;
    QString where;
    if (o.ftp.isEmpty()) {
        store.root = o.store;
        where = o.store;
    } else {
        ftp.emplace(o.ftp, o.ftpCa, QStringLiteral("wendra-audit"));
        store.ftpMode = true;
        store.root = o.ftp.path();
        store.ftpConnection = ftp->connection;
        where = o.ftp.toString(QUrl::RemoveUserInfo);
    }
    wo::store::AuditReport report;
    {
        wo::apps::ProgressLine progress;
        report = wo::store::audit(*connection, store,
                                  {o.record, [&](const QString& stage, qint64 done, qint64 total) {
                                       progress.show(stage, done, total);
                                   }});
    }
    QList<wo::store::QuarantineMove> moves;
    if (!o.quarantine.isEmpty())
        moves = wo::store::quarantine(*connection, store, report, o.quarantine);
    QTextStream out(stdout);
    if (o.json)
        writeJson(out, where, o, report, moves);
    else
        writeText(out, where, o, report, moves);
    for (const auto& move : moves)
        if (move.failed)
            return kCouldNotRun;
    return report.findings.isEmpty() ? kClean : kFindings;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app.arguments());
    return wo::apps::runReporting("wendra-audit", kCouldNotRun, [&] { return run(options); });
}
