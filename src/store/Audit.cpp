#include "store/Audit.h"

#include "platform/Error.h"
#include "platform/TemporaryNames.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/inet/Inet.h"
#include "record/RowRules.h"
#include "store/LocalQuarantine.h"
#include "store/LocalTree.h"
#include "store/PrintableName.h"
#include "store/RecordDocuments.h"
#include "store/Statements.h"
#include "transfer/StoredFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

namespace wo::store {

namespace {

constexpr qint64 kProgressRows = 1000;

struct StoredFile {
    qint64 size = -1;
    QDateTime modified;
    bool named = false;
};

// A folder's files and links by their names' bytes, and names never to be used.
struct Listing {
    bool exists = false;
    QHash<QByteArray, StoredFile> files;
    QHash<QByteArray, StoredFile> links;
    QList<QByteArray> folders;
    QList<QByteArray> hostile;
};

QString join(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

QByteArray joinBytes(const QByteArray& folder, const QByteArray& name) {
    return folder.isEmpty() ? name : folder + '/' + name;
}

// One spelling per folder, so that rows and listings meet: absolute and clean.
QString folderKey(const AuditStore& store, const QString& path) {
    if (store.ftpMode)
        return QDir::cleanPath(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path);
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The folder a row's file lies in, as the component reaches it.
QString rowFolder(const AuditStore& store, const QString& rootKey, const QString& path, const QString& id,
                  const QString& type) {
    if (store.ftpMode)
        return folderKey(store, path);
    return folderKey(store, QFileInfo(transfer::folderModeSource(rootKey, path, id, type)).path());
}

bool isMonth(const QByteArray& name) {
    static const QRegularExpression month(QStringLiteral("^[0-9]{4}-[0-9]{2}$"));
    return month.match(QString::fromLatin1(name)).hasMatch();
}

// Named as the component names new documents: a 20-digit identifier and a type.
bool isDocumentName(const QByteArray& name) {
    static const QRegularExpression document(QStringLiteral("^[0-9]{20}(\\.[^.]*)?$"));
    return document.match(QString::fromUtf8(name)).hasMatch();
}

// What a copy or an upload writes before its rename puts the file in place.
bool isTemporary(const QByteArray& name) {
    return temporary::isTemporaryName(QString::fromUtf8(name));
}

// A listed name that would reach beyond its folder, or end a command line, or that
// the server sent in bytes a command cannot repeat.
bool isHostile(const inet::FtpEntry& entry) {
    const QByteArray& raw = entry.rawName;
    return raw.isEmpty() || raw == "." || raw == ".." || raw.contains('/') || raw.contains('\r') ||
           raw.contains('\n') || raw.contains('\0') || entry.name.toUtf8() != raw;
}

// What the FTP layer said of its last failed call.
Error lastFtpError() {
    int number = 0;
    const QString text = inet::InternetGetLastResponseInfo(&number);
    return Error(number, text);
}

Listing listRemote(const AuditStore& store, const QString& folder) {
    Listing listing;
    QList<inet::FtpEntry> entries;
    if (!inet::FtpListDirectory(store.ftpConnection, folder, entries)) {
        const Error error = lastFtpError();
        // The server refused the folder: it is not there for the component either.
        if (error.number() == WO_INET_ERROR_EXTENDED)
            return listing;
        throw error;
    }
    listing.exists = true;
    for (const inet::FtpEntry& entry : entries) {
        if (isHostile(entry))
            listing.hostile << entry.rawName;
        else if (entry.folder)
            listing.folders << entry.rawName;
        else
            listing.files.insert(entry.rawName, {entry.size, entry.modified});
    }
    return listing;
}

// relative lies under root (bytes, "" for the root itself); a level that is a link
// or no folder makes the folder missing.
Listing listLocal(const FolderHandle& root, const QByteArray& relative, const QString& shownAs) {
    Listing listing;
    const FolderHandle folder = root.below(relative);
    if (!folder.isOpen()) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP)
            return listing;
        throw err::make(err::PermissionDenied, shownAs);
    }
    listing.exists = true;
    for (const LocalEntry& entry : listEntries(folder, shownAs)) {
        switch (entry.kind) {
        case LocalEntry::Kind::Folder:
            listing.folders << entry.name;
            break;
        case LocalEntry::Kind::File:
            listing.files.insert(entry.name, {entry.size, entry.modified});
            break;
        case LocalEntry::Kind::Link:
            listing.links.insert(entry.name, {entry.size, entry.modified});
            break;
        case LocalEntry::Kind::Other:
            break;
        }
    }
    return listing;
}

// The columns the audit reads, found by name without regard to case.
struct Columns {
    int id, name, type, record, order, path, size;

    explicit Columns(const db::Recordset& rows) {
        const auto column = [&](const char* name) {
            try {
                return rows.fieldIndex(QLatin1String(name));
            } catch (const Error&) {
                throw err::make(err::ItemNotFound, QStringLiteral("Original_Text.") + QLatin1String(name));
            }
        };
        id = column("ID");
        name = column("Original_Name");
        type = column("Type");
        this->record = column("RecordId");
        order = column("FileOrder");
        path = column("FilePath");
        size = column("Size");
    }
};

QString text(const db::Recordset& rows, int column) {
    return rows.field(column).toString();
}

// FileOrder compared as a number where it is one.
QString orderKey(const QVariant& value) {
    bool number = false;
    const qint64 order = value.toLongLong(&number);
    return number ? QString::number(order) : value.toString().trimmed();
}

class Auditor {
public:
    Auditor(db::Connection& connection, const AuditStore& store, const AuditOptions& options)
        : m_connection(connection), m_store(store), m_options(options),
          m_rootKey(folderKey(store, store.root)) {}

    AuditReport run() {
        if (!m_store.ftpMode) {
            m_root = FolderHandle::open(m_store.root);
            // A mistyped root would otherwise pass for a store whose files are all gone.
            if (!m_root.isOpen())
                throw err::make(errno == ENOENT || errno == ENOTDIR ? err::PathNotFound
                                                                    : err::PermissionDenied,
                                m_store.root);
        }
        // Folders are listed before the rows are read: a document added meanwhile
        // then has its row read, or its file not yet seen, never a file without a row.
        listStore();
        readRows();
        reportDuplicates();
        if (!m_options.recordId)
            reportStoreFiles();
        std::stable_sort(m_report.findings.begin(), m_report.findings.end(),
                         [](const AuditFinding& a, const AuditFinding& b) {
                             return std::tie(a.kind, a.recordId, a.id, a.file) <
                                    std::tie(b.kind, b.recordId, b.id, b.file);
                         });
        return m_report;
    }

private:
    void progress(const QString& stage, qint64 done, qint64 total) const {
        if (m_options.progress)
            m_options.progress(stage, done, total);
    }

    Listing& listing(const QString& folder) {
        auto it = m_listings.find(folder);
        if (it == m_listings.end())
            it = m_listings.insert(folder, m_store.ftpMode ? listRemote(m_store, folder)
                                                           : listLocal(m_root, underRoot(folder), folder));
        return *it;
    }

    // A local folder's place under the root; rowFault keeps rows' folders there.
    QByteArray underRoot(const QString& folder) const {
        return folder == m_rootKey ? QByteArray() : QFile::encodeName(folder.mid(join(m_rootKey, {}).size()));
    }

    void listStore() {
        const QString stage = QStringLiteral("Listing folders");
        const Listing root = listing(m_rootKey);
        if (!root.exists)
            throw err::make(err::PathNotFound, m_store.root);
        if (m_options.recordId)
            return;
        m_report.storeSearched = true;
        for (const QByteArray& folder : root.folders)
            if (isMonth(folder))
                m_months << folder;
        std::sort(m_months.begin(), m_months.end());
        progress(stage, 0, m_months.size());
        for (qsizetype i = 0; i < m_months.size(); ++i) {
            listing(join(m_rootKey, QString::fromLatin1(m_months.at(i))));
            progress(stage, i + 1, m_months.size());
        }
    }

    void readRows() {
        const QString stage = QStringLiteral("Checking rows");
        db::Recordset query;
        query.open(m_options.recordId ? sql::SelectRecordDocuments(*m_options.recordId)
                                      : sql::SelectAllDocuments(),
                   m_connection);
        const Columns c(query);
        for (; !query.eof(); query.moveNext()) {
            const QString id = text(query, c.id);
            const QString type = text(query, c.type);
            const QString path = displayPath(query.field(c.path), m_store.ftpMode);
            // Most rows are sound: a finding's other fields are read only for a finding.
            const auto finding = [&](FindingKind kind) -> AuditFinding& {
                AuditFinding& f = m_report.findings.emplace_back();
                f.kind = kind;
                f.row = true;
                f.recordId = text(query, c.record);
                f.id = id;
                f.name = text(query, c.name);
                f.type = type;
                f.filePath = path;
                return f;
            };
            checkRow(id, type, path, query.field(c.size), finding);
            const QVariant order = query.field(c.order);
            if (!order.isNull())
                m_orders[text(query, c.record)][orderKey(order)] << id;
            if (++m_report.rows % kProgressRows == 0)
                progress(stage, m_report.rows, -1);
        }
        progress(stage, m_report.rows, m_report.rows);
    }

    template <typename Finding>
    void checkRow(const QString& id, const QString& type, const QString& path, const QVariant& size,
                  const Finding& finding) {
        const record::RowFault fault = record::rowFault(path, id, type, m_store.ftpMode);
        if (fault != record::RowFault::None) {
            finding(FindingKind::RefusedRow).refusal =
                fault == record::RowFault::Path ? QStringLiteral("path") : QStringLiteral("name");
            return;
        }
        auto folder = m_rowFolders.constFind(path);
        if (folder == m_rowFolders.cend())
            folder = m_rowFolders.insert(path, rowFolder(m_store, m_rootKey, path, id, type));
        const QString name = id + type;
        const auto place = [&](AuditFinding& f) {
            f.file = join(*folder, printableText(name));
            const QString under = join(m_rootKey, QString());
            if (f.file.startsWith(under))
                f.relative = f.file.mid(under.size());
        };
        // The component deletes such a row's file never; neither is its folder listed.
        if (m_store.ftpMode && !transfer::insideRemoteRoot(m_store.root, path)) {
            place(finding(FindingKind::OutsideStore));
            return;
        }
        Listing& files = listing(*folder);
        const QByteArray bytes = name.toUtf8();
        if (const auto link = files.links.find(bytes); link != files.links.end()) {
            link->named = true;
            place(finding(FindingKind::Link));
            return;
        }
        const auto file = files.files.find(bytes);
        if (file == files.files.end()) {
            place(finding(FindingKind::MissingFile));
            return;
        }
        file->named = true;
        bool number = false;
        const qint64 expected = size.toLongLong(&number);
        if (!number || expected != file->size) {
            AuditFinding& f = finding(FindingKind::SizeDiffers);
            place(f);
            f.sizeText = size.isNull() ? QStringLiteral("NULL") : size.toString();
            f.actualSize = file->size;
            f.modified = file->modified;
        }
    }

    void reportDuplicates() {
        for (auto record = m_orders.cbegin(); record != m_orders.cend(); ++record)
            for (auto order = record->cbegin(); order != record->cend(); ++order) {
                if (order->size() < 2)
                    continue;
                AuditFinding finding;
                finding.kind = FindingKind::SameFileOrder;
                finding.row = true;
                finding.recordId = record.key();
                finding.id = order->first();
                finding.fileOrder = order.key();
                finding.ids = *order;
                m_report.findings << finding;
            }
    }

    void reportStoreFiles() {
        reportFolder(m_rootKey, {});
        for (const QByteArray& month : m_months)
            reportFolder(join(m_rootKey, QString::fromLatin1(month)), month);
    }

    // A link counts anywhere in a month folder, and in the root where it is named like
    // a month folder or a file of the store's.
    static bool storeName(const QByteArray& name, const QByteArray& month) {
        return !month.isEmpty() || isTemporary(name) || isDocumentName(name) || isMonth(name);
    }

    AuditFinding& storeFinding(FindingKind kind, const QString& folder, const QByteArray& month,
                               const QByteArray& name) {
        AuditFinding& finding = m_report.findings.emplace_back();
        finding.kind = kind;
        finding.file = join(folder, printableName(name));
        finding.rawRelative = joinBytes(month, name);
        finding.relative = printableName(finding.rawRelative);
        return finding;
    }

    void reportFolder(const QString& folder, const QByteArray& month) {
        const Listing& files = m_listings.value(folder);
        for (auto file = files.files.cbegin(); file != files.files.cend(); ++file) {
            const QByteArray& name = file.key();
            const bool temporary = isTemporary(name);
            if (!temporary && month.isEmpty() && !isDocumentName(name))
                continue;
            ++m_report.storedFiles;
            if (!temporary && file->named)
                continue;
            AuditFinding& finding = storeFinding(
                temporary ? FindingKind::Temporary : FindingKind::UnnamedFile, folder, month, name);
            finding.actualSize = file->size;
            finding.modified = file->modified;
        }
        for (auto link = files.links.cbegin(); link != files.links.cend(); ++link)
            if (!link->named && storeName(link.key(), month))
                storeFinding(FindingKind::Link, folder, month, link.key());
        for (const QByteArray& name : files.hostile)
            storeFinding(FindingKind::HostileName, folder, month, name);
    }

    db::Connection& m_connection;
    const AuditStore& m_store;
    const AuditOptions& m_options;
    const QString m_rootKey;
    FolderHandle m_root;
    AuditReport m_report;
    QList<QByteArray> m_months;
    QHash<QString, Listing> m_listings;
    // The folder of each FilePath met: a row's ID and Type, once they pass rowFault,
    // do not change it.
    QHash<QString, QString> m_rowFolders;
    // IDs by record and FileOrder.
    QHash<QString, QHash<QString, QStringList>> m_orders;
};

// True when a row names file by now (it was added after the audit read the rows).
bool namedNow(db::Connection& connection, const AuditStore& store, const QString& file) {
    const QFileInfo info(file);
    const QString name = info.fileName();
    const QString folder = folderKey(store, info.path());
    // An ID is the name, or the name cut before one of its dots (the type follows).
    QStringList ids{name};
    for (qsizetype dot = name.indexOf(QLatin1Char('.'), 1); dot > 0;
         dot = name.indexOf(QLatin1Char('.'), dot + 1))
        ids << name.left(dot);
    db::Recordset rows;
    rows.open(sql::SelectDocumentsByIds(ids), connection);
    const Columns c(rows);
    const QString rootKey = folderKey(store, store.root);
    for (; !rows.eof(); rows.moveNext()) {
        const QString id = text(rows, c.id);
        const QString type = text(rows, c.type);
        const QString path = displayPath(rows.field(c.path), store.ftpMode);
        if (id + type == name && record::rowFault(path, id, type, store.ftpMode) == record::RowFault::None &&
            rowFolder(store, rootKey, path, id, type) == folder)
            return true;
    }
    return false;
}

// Remote folders made or found on the way to quarantine targets, and their files:
// the quarantine and its month folders only, so no command goes anywhere else.
class RemoteQuarantine {
public:
    RemoteQuarantine(inet::Handle connection, QString folder)
        : m_connection(connection), m_folder(std::move(folder)) {}

    void move(const QString& file, const QByteArray& relative) {
        const qsizetype slash = relative.indexOf('/');
        const QString folder = slash < 0 ? m_folder : join(m_folder, QString::fromUtf8(relative.left(slash)));
        const QString name = QString::fromUtf8(relative.mid(slash + 1));
        if (folder != m_folder)
            makeFolder(m_folder);
        makeFolder(folder);
        if (m_names[folder].contains(name))
            throw Error(err::PathFileAccessError, QStringLiteral("目标已存在：") + join(folder, name));
        if (!inet::FtpRenameFile(m_connection, file, join(folder, name)))
            throw lastFtpError();
        m_names[folder].insert(name);
    }

private:
    void makeFolder(const QString& folder) {
        if (m_names.contains(folder))
            return;
        QList<inet::FtpEntry> entries;
        if (!inet::FtpListDirectory(m_connection, folder, entries)) {
            if (!inet::FtpCreateDirectory(m_connection, folder))
                throw lastFtpError();
            entries.clear();
        }
        QSet<QString>& names = m_names[folder];
        for (const inet::FtpEntry& entry : entries)
            names.insert(entry.name);
    }

    inet::Handle m_connection;
    const QString m_folder;
    QHash<QString, QSet<QString>> m_names;
};

// The reason a file of that time stays, or "" when it is old enough to move.
QString tooRecent(const QDateTime& time, const QDateTime& now) {
    if (!time.isValid())
        return QStringLiteral("the store gives no time for it");
    if (time.secsTo(now) < kQuarantineGraceSeconds)
        return QStringLiteral("changed within the last %1 minutes").arg(kQuarantineGraceSeconds / 60);
    return {};
}

// Moves a file of a local store found at relative ("month/name" or "name") unless it
// is not a file by now, too recent, or named; returns why it stays, "" once moved.
template <typename Unnamed>
QString moveLocal(LocalQuarantine& quarantine, const QByteArray& relative, const QDateTime& now,
                  const Unnamed& unnamed) {
    const qsizetype slash = relative.indexOf('/');
    const QByteArray month = slash < 0 ? QByteArray() : relative.left(slash);
    const std::optional<LocalEntry> entry = quarantine.current(month, relative.mid(slash + 1));
    if (!entry || entry->kind != LocalEntry::Kind::File)
        return QStringLiteral("no longer a file there");
    // A file's own time can be set back by whoever may write it; the status change
    // time cannot.
    QString problem = tooRecent(entry->modified, now);
    if (problem.isEmpty())
        problem = tooRecent(entry->changed, now);
    if (problem.isEmpty() && !unnamed())
        problem = QStringLiteral("a row names it now");
    if (problem.isEmpty())
        quarantine.move(month, *entry);
    return problem;
}

// The same for a remote file, whose time the server tells by MDTM now, whatever its
// listing said.
template <typename Unnamed>
QString moveRemote(RemoteQuarantine& quarantine, inet::Handle connection, const QString& file,
                   const QByteArray& relative, const QDateTime& now, const Unnamed& unnamed) {
    QDateTime modified;
    inet::FtpGetFileTime(connection, file, modified);
    QString problem = tooRecent(modified, now);
    if (problem.isEmpty() && !unnamed())
        problem = QStringLiteral("a row names it now");
    if (problem.isEmpty())
        quarantine.move(file, relative);
    return problem;
}

} // namespace

AuditReport audit(db::Connection& connection, const AuditStore& store, const AuditOptions& options) {
    return Auditor(connection, store, options).run();
}

QList<QuarantineMove> quarantine(db::Connection& connection, const AuditStore& store,
                                 const AuditReport& report, const QString& folder, const QDateTime& now) {
    const QString rootKey = folderKey(store, store.root);
    const QString targetRoot = folderKey(store, folder);
    std::optional<LocalQuarantine> local;
    if (store.ftpMode) {
        if (!folder.startsWith(QLatin1Char('/')))
            throw Error(err::InvalidArgument, QStringLiteral("FTP 隔离文件夹须为绝对路径：") + folder);
        if (transfer::insideRemoteRoot(rootKey, targetRoot) ||
            transfer::insideRemoteRoot(targetRoot, rootKey))
            throw Error(err::InvalidArgument,
                        QStringLiteral("隔离文件夹不能在存储之内，也不能包含存储：") + folder);
    } else {
        local.emplace(store.root, folder);
    }
    RemoteQuarantine remote(store.ftpConnection, targetRoot);
    QList<QuarantineMove> moves;
    for (const AuditFinding& finding : report.findings) {
        if (finding.kind != FindingKind::UnnamedFile && finding.kind != FindingKind::Temporary)
            continue;
        QuarantineMove move{finding.file, join(targetRoot, finding.relative), {}, false};
        const QString file = join(rootKey, QString::fromUtf8(finding.rawRelative));
        const auto unnamed = [&] { return !namedNow(connection, store, file); };
        try {
            move.problem =
                local ? moveLocal(*local, finding.rawRelative, now, unnamed)
                      : moveRemote(remote, store.ftpConnection, file, finding.rawRelative, now, unnamed);
        } catch (const Error& error) {
            move.problem = error.description();
            move.failed = true;
        }
        moves << move;
    }
    return moves;
}

} // namespace wo::store
