#pragma once

#include "store/LocalTree.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace wo::store {

// A local store's root and the quarantine its files are moved into. Every move is a
// rename between folders held open, reached without following a link, so the audit
// (root, often) never reads, writes or moves anything outside the two, whatever the
// store's users plant there; nothing is copied, nothing deleted.
class LocalQuarantine {
public:
    // Opens the store's root and the quarantine folder, which is created (mode 0700)
    // when missing. Throws wo::Error when the quarantine is a link or no folder, is not
    // the running user's own or others may write it, lies inside the store or holds it,
    // or lies on another file system than the store.
    LocalQuarantine(const QString& storeRoot, const QString& folder);

    // The file name of the store's folder month ("" for the root) as it is now; nullopt
    // when the folder is gone or a link, or the name is gone.
    std::optional<LocalEntry> current(const QByteArray& month, const QByteArray& name) const;
    // Moves it to the same place under the quarantine, never over an existing file;
    // expected is what current() gave, and a file swapped for another meanwhile goes
    // back. Throws wo::Error when the file cannot be moved or was swapped.
    void move(const QByteArray& month, const LocalEntry& expected);

private:
    FolderHandle target(const QByteArray& month) const;

    QString m_folder;
    FolderHandle m_root;
    FolderHandle m_quarantine;
};

} // namespace wo::store
