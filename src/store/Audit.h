#pragma once

#include "platform/inet/HandleTable.h"
#include "wo_internal_export.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace wo::db {
class Connection;
}

// Checks that Original_Text and the stored files agree, and moves files that no
// row names out of the store.
namespace wo::store {

// Where the documents' files lie, as a host hands it to the component: a folder, or
// a folder on an FTP server reached through the host's connection handle.
struct AuditStore {
    bool ftpMode = false;
    QString root;
    inet::Handle ftpConnection = 0;
};

enum class FindingKind {
    MissingFile,   // a row whose file is not there
    SizeDiffers,   // a row whose file's length is not its Size
    UnnamedFile,   // a stored file that no row names
    Temporary,     // what an interrupted transfer left
    SameFileOrder, // rows of one record sharing a FileOrder
    RefusedRow,    // a row the component never reads, stores or deletes
    Link,          // a symbolic link in the store's folders, never followed
    HostileName,   // a name in a server's listing that is never used in a command
    OutsideStore,  // an FTP row whose folder is not inside the root: its file is never deleted
};

struct AuditFinding {
    FindingKind kind = FindingKind::MissingFile;
    // True when the finding is about a row, whose fields follow.
    bool row = false;
    // The row.
    QString recordId;
    QString id;
    QString name;
    QString type;
    QString filePath;
    // The file: its full path (a remote path in FTP mode), and its place under the
    // root ("yyyy-mm/name", or "name" in the root; "" for a file outside the root),
    // both with the names' bytes made printable (printableName); rawRelative is the
    // place's exact bytes.
    QString file;
    QString relative;
    QByteArray rawRelative;
    QDateTime modified;
    // SizeDiffers: Size as the row holds it, and the file's length.
    QString sizeText;
    qint64 actualSize = -1;
    // SameFileOrder: the shared value and every ID carrying it (id is the first).
    QString fileOrder;
    QStringList ids;
    // RefusedRow: "path" (FilePath) or "name" (ID and Type).
    QString refusal;
};

struct AuditReport {
    qint64 rows = 0;
    qint64 storedFiles = 0;
    // False when one record was audited: files belong to no record, so the store's
    // folders are then not searched for unnamed files and temporaries.
    bool storeSearched = false;
    QList<AuditFinding> findings;
};

struct AuditOptions {
    std::optional<QString> recordId;
    // Called now and then on long runs: what is being done, how far, and of how many
    // (-1 when not known).
    std::function<void(const QString& stage, qint64 done, qint64 total)> progress;
};

// Reads the rows (all, or one record's) and the store's folders and reports where
// they disagree. The store's folders are the root and its "yyyy-mm" folders; in the
// root only files named like documents (20 digits and a type) and temporaries
// count, for a root may hold other things. Rows naming other folders are checked
// there; a folder the server refuses counts as missing. A local store is walked from
// the root's descriptor without following links; links are reported, never read.
// In FTP mode rows whose folder lies outside the root are reported, not looked at,
// and listed names holding "/", "..", CR, LF, NUL or bytes that are not UTF-8 are
// reported as hostile and never sent back. Throws wo::Error when the table, the
// root or a folder cannot be read.
WO_INTERNAL AuditReport audit(db::Connection& connection, const AuditStore& store,
                              const AuditOptions& options = {});

// A file's move into quarantine. A file left in place says why in problem; failed
// tells a move that was tried and refused from one that was not to be made.
struct QuarantineMove {
    QString file;
    QString target;
    QString problem;
    bool failed = false;
};

// Files changed this recently may belong to a transfer under way; they stay.
inline constexpr qint64 kQuarantineGraceSeconds = 600;

// Moves the unnamed files and temporaries of report into folder (a local folder,
// or an absolute remote folder in FTP mode), keeping their place under the root.
// The folder must lie outside the store; a local one must be on the store's file
// system and the running user's own (LocalQuarantine), else wo::Error is thrown and
// nothing moves. Nothing is copied or deleted; a file is left where it is when a row
// names it by now, its target exists, or its age is not known to exceed
// kQuarantineGraceSeconds: a local file's modification and status change times both,
// a remote file's time by MDTM, asked just before the move.
WO_INTERNAL QList<QuarantineMove> quarantine(db::Connection& connection, const AuditStore& store,
                                             const AuditReport& report, const QString& folder,
                                             const QDateTime& now = QDateTime::currentDateTimeUtc());

} // namespace wo::store
