#pragma once

#include "record/ListedDocument.h"
#include "settings/MyInit.h"
#include "store/ShellPrinter.h"
#include "store/createdname.h"
#include "wo_internal_export.h"

#include <QString>
#include <QVector>
#include <functional>

namespace wo::db {
class Recordset;
}

namespace wo::store {

// A document an add has just stored: its row, and its copy in the download cache
// ("" when none was made).
struct AddedDocument {
    record::ListedDocument document;
    qint64 fileOrder = 0;
    QString cachePath;
};

// The document store operations of one command on one record: made per command,
// released after. Printing of a document comes from ShellPrinter.
class WO_INTERNAL ClsFileOperation : public ShellPrinter {
public:
    // Called once per document an add stored, before the next file's add starts.
    using Added = std::function<void(const AddedDocument&)>;
    // Called with the index, in the given documents, of each one a delete removed.
    using Removed = std::function<void(qsizetype)>;

    // Clock and randomness of new identifiers and month folders; defaults are the real ones.
    explicit ClsFileOperation(settings::Record record, createdname names = createdname());

    // Lets the user pick files and adds each; the result of the last add, false when
    // a check, a cancel or an error stopped it.
    bool AddFile(const Added& added = {});
    // Adds the given files in their order as AddFile adds the picked ones.
    bool AddFiles(const QStringList& paths, const Added& added = {});

    // Adds sourceFolder/sourceName as a document of the record: stores the file and
    // inserts the row in one transaction with the copy or upload; when `added` is
    // given, seeds the download cache with the source's bytes and reports the new
    // document to it. True when committed and stored; false without a message when
    // the user cancels the transfer in its progress window, leaving no row and no file.
    bool AddFileToObj(const QString& sourceFolder, const QString& sourceName, const Added& added = {});

    // After the user confirms, removes the selected documents (in list order) from
    // the record, last first: the row, then the stored file when no other record
    // names the same ID, then reports its index to `removed`. True when the pass
    // completed; false when the user said No or an error stopped it (after its
    // message; what was done before it stays done).
    bool DelFile(const QVector<record::ListedDocument>& selected, const Removed& removed);

    // Type of a document named name: its last extension upper-cased with the ".",
    // "" when the name has no ".".
    static QString typeOf(const QString& name);

    // FTP storage needs both host handles; false after saying so.
    static bool ftpHandlesReady(const settings::Storage& storage);

private:
    bool storageReady();
    // The result of the last add, as AddFile reports it.
    bool addEach(const QStringList& paths, const Added& added);
    QString uniqueId(const QString& type, const QString& folder);
    qint64 nextFileOrder();
    db::Connection& connection() const { return *m_record.connection; }
    // True when no row of another record in the snapshot carries id; leaves the
    // snapshot filtered to those rows.
    static bool IsLastReference(db::Recordset& snapshot, const QString& id, const QString& recordId);

public:
    // Runs in AddFileToObj after the file is stored and before the commit; lets tests
    // break the database connection at that moment.
    static inline std::function<void()> beforeCommit;
    // Runs in AddFileToObj after the source's length is recorded and before it is
    // stored; lets tests change the source at that moment.
    static inline std::function<void()> beforeStore;

    settings::Record m_record;
    createdname m_names;
};

} // namespace wo::store
