#pragma once

#include "store/ShellPrinter.h"
#include "store/createdname.h"

#include <QString>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace wo::db {
class Recordset;
}

namespace wo::store {

// The document store operations of one command: made per command, released after.
// Printing of a document comes from ShellPrinter.
class ClsFileOperation : public ShellPrinter {
public:
    // Clock and randomness of new identifiers and month folders; defaults are the real ones.
    explicit ClsFileOperation(createdname names = createdname());

    // Lets the user pick files and adds each; the result of the last add, false when
    // a check, a cancel or an error stopped it. list may be null.
    bool AddFile(QTreeWidget* list);
    // Adds the given files in their order as AddFile adds the picked ones.
    bool AddFiles(const QStringList& paths, QTreeWidget* list);

    // Adds sourceFolder/sourceName as a document of the current record: stores the
    // file, inserts the row in one transaction with the copy or upload, and when a
    // list is given appends, selects and shows its row, its file already in the download
    // cache. True when committed and stored; false without a message when the user
    // cancels the transfer in its progress window, leaving no row and no file.
    bool AddFileToObj(const QString& sourceFolder, const QString& sourceName, QTreeWidget* list);

    // After the user confirms, removes the list's selected documents from the current
    // record, last row first: the row, then the stored file when no other record names
    // the same ID, then the item; finally selects and shows the first remaining item.
    // True when the pass completed; false when the user said No or an error stopped it
    // (after its message; what was done before it stays done).
    bool DelFile(QTreeWidget* list);

    // Type of a document named name: its last extension upper-cased with the ".",
    // "" when the name has no ".".
    static QString typeOf(const QString& name);

    // FTP storage needs both host handles; false after saying so.
    static bool ftpHandlesReady();

private:
    bool storageReady();
    // The result of the last add, as AddFile reports it.
    bool addEach(const QStringList& paths, QTreeWidget* list);
    QString uniqueId(const QString& type, const QString& folder);
    qint64 nextFileOrder();
    // True when no row of another record in the snapshot carries id; leaves the
    // snapshot filtered to those rows.
    static bool IsLastReference(db::Recordset& snapshot, const QString& id, const QString& recordId);
    static void deleteStoredFile(const QTreeWidgetItem* item);

public:
    // Runs in AddFileToObj after the file is stored and before the commit; lets tests
    // break the database connection at that moment.
    static inline std::function<void()> beforeCommit;

    createdname m_names;
};

} // namespace wo::store
