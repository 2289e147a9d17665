#pragma once

#include "record/ListedDocument.h"
#include "wo_internal_export.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QVariant>

// The documents of one record as both windows show them: one row per document, in
// list order, with what is known of its copy in the download cache. The list window
// owns it; the viewer shows the same model, so a copy fetched in either window is
// known to both.
namespace wo::ui {

// What became of a document's file the last time a window wanted it.
enum class LoadState {
    NotFetched, // no copy in the download cache
    Fetching,   // being fetched now
    Fetched,    // a copy is cached; not yet opened as a page image
    Image,      // the cached copy opened as a page image
    NotAnImage, // the cached copy is not a page image (a type icon stands for it)
    Failed,     // the fetch or the opening failed, and the user was told
};

class WO_INTERNAL DocumentModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    using Document = record::ListedDocument;
    enum Column { Number = 0, Name = 1, Type = 2, Path = 3, ColumnCount = 4 };
    enum Role {
        IdRole = Qt::UserRole,
        CachePathRole,
        LoadStateRole,
        // Roles from here on are free for per-document values other features keep
        // (text, thumbnails): stored as set, dropped with the row and when a move
        // re-creates it.
        FirstExtraRole = Qt::UserRole + 64,
    };

    explicit DocumentModel(QObject* parent = nullptr);

    // Replaces every row by the documents given, numbered 1, 2, ... in that order.
    void setDocuments(const QList<Document>& documents);
    // Appends a row with its sequence number text and, when known, its cached copy.
    void append(const QString& number, const Document& document, const QString& cachePath = {});
    void remove(int row);
    // Moves the row at `from` to stand before the row now at `to`, as re-creating it
    // there does: it keeps its number, name, type, path and ID, and loses its cached
    // copy (its next showing fetches again).
    void moveRecreated(int from, int to);
    void rename(int row, const QString& name);

    const Document& document(int row) const;
    // The documents' IDs in row order.
    QStringList ids() const;
    QString number(int row) const;
    // The path of the row's copy in the download cache; "" while it has none.
    QString cachePath(int row) const;
    // Records a fetched copy; the row is then Fetched.
    void setCachePath(int row, const QString& path);
    LoadState loadState(int row) const;
    void setLoadState(int row, LoadState state);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Texts by column; the tooltip of every column is the cached copy's path.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Takes the extra roles only; the rest changes through the functions above.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    struct Row {
        QString number;
        Document document;
        QString cachePath;
        LoadState state = LoadState::NotFetched;
        QHash<int, QVariant> extra;
    };
    void rowChanged(int row);

    QList<Row> m_rows;
};

} // namespace wo::ui
