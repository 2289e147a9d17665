#include "store/Audit.h"

#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/inet/Inet.h"
#include "store/RecordDocuments.h"
#include "store/Statements.h"
#include "transfer/ModDownLoadFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace wo::store {

namespace {

constexpr qint64 kProgressRows = 1000;

struct StoredFile {
    qint64 size = -1;
    QDateTime modified;
    bool named = false;
};

struct Listing {
    bool exists = false;
    QHash<QString, StoredFile> files;
    QStringList folders;
};

QString join(const QString& folder, const QString& name) {
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
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

bool isMonth(const QString& name) {
    static const QRegularExpression month(QStringLiteral("^[0-9]{4}-[0-9]{2}$"));
    return month.match(name).hasMatch();
}

// Named as the component names new documents: a 20-digit identifier and a type.
bool isDocumentName(const QString& name) {
    static const QRegularExpression document(QStringLiteral("^[0-9]{20}(\\.[^.]*)?$"));
    return document.match(name).hasMatch();
}

// The fresh names stored copies are written under before their rename (".<16 hex
// digits>.tmp"), and the hidden names of FTP uploads (".<name>.part-<8 hex digits>").
bool isTemporary(const QString& name) {
    static const QRegularExpression temporary(
        QStringLiteral("^\\.([0-9a-f]{16}\\.tmp|.+\\.part-[0-9a-f]{8})$"));
    return temporary.match(name).hasMatch();
}

Listing listFolder(const AuditStore& store, const QString& folder) {
    Listing listing;
    if (store.ftpMode) {
        QList<inet::FtpEntry> entries;
        if (!inet::FtpListDirectory(store.ftpConnection, folder, entries)) {
            int number = 0;
            const QString text = inet::InternetGetLastResponseInfo(&number);
            // The server refused the folder: it is not there for the component either.
            if (number == WO_INET_ERROR_EXTENDED)
                return listing;
            throw Error(number, text);
        }
        listing.exists = true;
        for (const inet::FtpEntry& entry : entries) {
            if (entry.folder)
                listing.folders << entry.name;
            else
                listing.files.insert(entry.name, {entry.size, entry.modified});
        }
        return listing;
    }
    // One stat per entry, relative to the open folder: a store holds many files.
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(QFile::encodeName(folder).constData()),
                                                  &::closedir);
    if (!dir) {
        if (errno == ENOENT || errno == ENOTDIR)
            return listing;
        throw err::make(err::PermissionDenied, folder);
    }
    listing.exists = true;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &st, 0) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            listing.folders << QFile::decodeName(entry->d_name);
        else if (S_ISREG(st.st_mode))
            listing.files.insert(QFile::decodeName(entry->d_name),
                                 {st.st_size, QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec, Qt::UTC)});
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
            it = m_listings.insert(folder, listFolder(m_store, folder));
        return *it;
    }

    void listStore() {
        const QString stage = QStringLiteral("Listing folders");
        const Listing root = listing(m_rootKey);
        // A mistyped root would otherwise pass for a store whose files are all gone.
        if (!root.exists)
            throw err::make(err::PathNotFound, m_store.root);
        if (m_options.recordId)
            return;
        m_report.storeSearched = true;
        for (const QString& folder : root.folders)
            if (isMonth(folder))
                m_months << folder;
        m_months.sort();
        progress(stage, 0, m_months.size());
        for (qsizetype i = 0; i < m_months.size(); ++i) {
            listing(join(m_rootKey, m_months.at(i)));
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
        const transfer::RowFault fault = transfer::rowFault(path, id, type, m_store.ftpMode);
        if (fault != transfer::RowFault::None) {
            finding(FindingKind::RefusedRow).refusal =
                fault == transfer::RowFault::Path ? QStringLiteral("path") : QStringLiteral("name");
            return;
        }
        auto folder = m_rowFolders.constFind(path);
        if (folder == m_rowFolders.cend())
            folder = m_rowFolders.insert(path, rowFolder(m_store, m_rootKey, path, id, type));
        const QString name = id + type;
        Listing& files = listing(*folder);
        const auto file = files.files.find(name);
        const auto place = [&](AuditFinding& f) {
            f.file = join(*folder, name);
            const QString under = join(m_rootKey, QString());
            if (f.file.startsWith(under))
                f.relative = f.file.mid(under.size());
        };
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
                finding.recordId = record.key();
                finding.id = order->first();
                finding.fileOrder = order.key();
                finding.ids = *order;
                m_report.findings << finding;
            }
    }

    void reportStoreFiles() {
        reportFolder(m_rootKey, QString());
        for (const QString& month : m_months)
            reportFolder(join(m_rootKey, month), month);
    }

    void reportFolder(const QString& folder, const QString& month) {
        const Listing& files = m_listings.value(folder);
        for (auto file = files.files.cbegin(); file != files.files.cend(); ++file) {
            const QString& name = file.key();
            const bool temporary = isTemporary(name);
            if (!temporary && month.isEmpty() && !isDocumentName(name))
                continue;
            ++m_report.storedFiles;
            if (!temporary && file->named)
                continue;
            AuditFinding finding;
            finding.file = join(folder, name);
            finding.kind = temporary ? FindingKind::Temporary : FindingKind::UnnamedFile;
            finding.relative = month.isEmpty() ? name : month + QLatin1Char('/') + name;
            finding.actualSize = file->size;
            finding.modified = file->modified;
            m_report.findings << finding;
        }
    }

    db::Connection& m_connection;
    const AuditStore& m_store;
    const AuditOptions& m_options;
    const QString m_rootKey;
    AuditReport m_report;
    QStringList m_months;
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
        if (id + type == name &&
            transfer::rowFault(path, id, type, store.ftpMode) == transfer::RowFault::None &&
            rowFolder(store, rootKey, path, id, type) == folder)
            return true;
    }
    return false;
}

// Moves a local file without replacing anything at the target; across file
// systems by a safe copy, then removal of the original.
void moveLocal(const QString& file, const QString& target) {
    const QString folder = QFileInfo(target).path();
    if (!QDir().mkpath(folder))
        throw err::make(err::PathFileAccessError, folder);
    const QByteArray from = QFile::encodeName(file);
    const QByteArray to = QFile::encodeName(target);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return;
    const int failure = errno;
    if (failure == EEXIST)
        throw Error(err::PathFileAccessError, QStringLiteral("目标已存在：") + target);
    if (failure != EXDEV && failure != EINVAL)
        throw err::make(err::PermissionDenied, file);
    if (QFileInfo::exists(target))
        throw Error(err::PathFileAccessError, QStringLiteral("目标已存在：") + target);
    if (failure == EINVAL) {
        // A file system without RENAME_NOREPLACE.
        if (::rename(from.constData(), to.constData()) != 0)
            throw err::make(err::PermissionDenied, file);
        return;
    }
    transfer::copyFileSafely(file, target);
    if (!QFile::remove(file))
        throw Error(err::PermissionDenied, QStringLiteral("已复制到隔离文件夹，但原文件无法移走：") + file);
}

// Remote folders made or found on the way to quarantine targets, and their files.
class RemoteQuarantine {
public:
    explicit RemoteQuarantine(inet::Handle connection) : m_connection(connection) {}

    void move(const QString& file, const QString& target) {
        const QString folder = QFileInfo(target).path();
        const QString name = QFileInfo(target).fileName();
        makeFolder(folder);
        if (m_names[folder].contains(name))
            throw Error(err::PathFileAccessError, QStringLiteral("目标已存在：") + target);
        if (!inet::FtpRenameFile(m_connection, file, target))
            throw lastError();
        m_names[folder].insert(name);
    }

private:
    Error lastError() const {
        int number = 0;
        const QString text = inet::InternetGetLastResponseInfo(&number);
        return Error(number, text);
    }

    void makeFolder(const QString& folder) {
        if (m_names.contains(folder))
            return;
        const QString parent = QFileInfo(folder).path();
        if (parent != folder)
            makeFolder(parent);
        QList<inet::FtpEntry> entries;
        if (!inet::FtpListDirectory(m_connection, folder, entries)) {
            if (!inet::FtpCreateDirectory(m_connection, folder))
                throw lastError();
            entries.clear();
        }
        QSet<QString>& names = m_names[folder];
        for (const inet::FtpEntry& entry : entries)
            names.insert(entry.name);
    }

    inet::Handle m_connection;
    QHash<QString, QSet<QString>> m_names;
};

} // namespace

AuditReport audit(db::Connection& connection, const AuditStore& store, const AuditOptions& options) {
    return Auditor(connection, store, options).run();
}

QList<QuarantineMove> quarantine(db::Connection& connection, const AuditStore& store,
                                 const AuditReport& report, const QString& folder, const QDateTime& now) {
    if (store.ftpMode && !folder.startsWith(QLatin1Char('/')))
        throw Error(err::InvalidArgument, QStringLiteral("FTP 隔离文件夹须为绝对路径：") + folder);
    const QString targetRoot = folderKey(store, folder);
    const QString rootKey = folderKey(store, store.root);
    // The quarantine may lie inside the root, but be neither the root nor in a month folder.
    const QString under = QDir(rootKey).relativeFilePath(targetRoot);
    if (targetRoot == rootKey ||
        (!under.startsWith(QLatin1String("..")) && isMonth(under.section(QLatin1Char('/'), 0, 0))))
        throw Error(err::InvalidArgument,
                    QStringLiteral("隔离文件夹不能是存储的根目录或月份文件夹：") + folder);
    RemoteQuarantine remote(store.ftpConnection);
    QList<QuarantineMove> moves;
    for (const AuditFinding& finding : report.findings) {
        if (finding.kind != FindingKind::UnnamedFile && finding.kind != FindingKind::Temporary)
            continue;
        QuarantineMove move{finding.file, join(targetRoot, finding.relative), {}, false};
        try {
            if (finding.modified.isValid() && finding.modified.secsTo(now) < kQuarantineGraceSeconds)
                move.problem =
                    QStringLiteral("changed within the last %1 minutes").arg(kQuarantineGraceSeconds / 60);
            else if (namedNow(connection, store, finding.file))
                move.problem = QStringLiteral("a row names it now");
            else if (store.ftpMode)
                remote.move(finding.file, move.target);
            else
                moveLocal(finding.file, move.target);
        } catch (const Error& error) {
            move.problem = error.description();
            move.failed = true;
        }
        moves << move;
    }
    return moves;
}

} // namespace wo::store
