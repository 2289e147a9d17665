#pragma once

#include "platform/db/Connection.h"
#include "text/PageText.h"
#include "wo_internal_export.h"

#include <QList>
#include <QString>
#include <optional>

namespace wo::text {

enum class Engine { SQLite, PostgreSQL, MariaDB };

// One page of a document of a record that holds the searched text.
struct Hit {
    QString recordId;
    QString id;
    QString name;
    int page = 0; // from 1
    QString snippet;
};

// Hits as hosts get them: a JSON array of objects with RecordId, ID, Original_Name,
// Page (from 1) and Snippet, in the hits' order.
QByteArray hitsJson(const QList<Hit>& hits);

// The statements that create the text tables on an engine, as shipped in
// resources/sql (page_text.<engine>.sql), one statement each, and whether each may
// fail (what needs an extension the server may lack).
struct CreateStatement {
    QString text;
    bool optional = false;
};
QList<CreateStatement> createStatements(Engine engine);

// The page texts of the stored documents (Original_PageText), on the component's own
// connection. Every value is bound.
class WO_INTERNAL TextTable {
public:
    // Throws SearchUnavailable for a database none of the engines serves.
    explicit TextTable(db::Connection& connection);

    Engine engine() const { return m_engine; }
    // True when the tables are there.
    bool exists();
    // Creates the tables when missing; throws SearchUnavailable, with the database's
    // reason, when they cannot be created.
    void ensure();

    // Replaces the text of a document by these pages, in one transaction.
    void store(const QString& id, const QList<PageText>& pages);
    // Forgets a document's text and reading state.
    void remove(const QString& id);
    // The pages whose text holds `text` (in search form), of one record or of all,
    // in the order of the records' lists, at most `limit`.
    QList<Hit> search(const QString& text, const std::optional<QString>& recordId, int limit = 50);
    // The words and boxes of a page (from 0); none when it has no text.
    QList<Word> words(const QString& id, int page);

    // Documents of the lists read in order, a few first, before the index is asked.
    static constexpr int FirstDocuments = 4;
    static constexpr int LeadingDocuments = 340;

private:
    // PostgreSQL tables made before pages kept their character pairs get the column, filled
    // from the pages' text, and its index.
    void addPairs();
    void storeOnce(const QString& id, const QList<PageText>& pages);
    // The condition that page `t` holds the term, its value appended to `values`.
    QString holdsTerm(const QString& term, QVariantList& values) const;
    // Whether reading the lists in order is likely cheaper than the index.
    bool readInOrderFirst(const QString& term, const std::optional<QString>& recordId, int limit);
    // Puts the SQLite full-text table that finds `term` for %1 in `s`, its MATCH value after.
    void indexMatch(const QString& term, db::Statement& s) const;
    // Hits among `documents` documents of the lists from the `from`th on.
    QList<Hit> searchLeading(const QString& term, const std::optional<QString>& recordId, qint64 from,
                             qint64 documents, int limit);
    // Hits among all documents, through the engine's index.
    QList<Hit> searchIndexed(const QString& term, const std::optional<QString>& recordId, int limit);
    // The first `limit` rows of `s` in list order, as hits.
    QList<Hit> hitsOf(db::Statement s, const QString& term, int limit);
    // How many document rows (of one record or all) there are, counted up to `most`.
    qint64 documentsUpTo(const std::optional<QString>& recordId, qint64 most);

    db::Connection& m_connection;
    Engine m_engine;
};

} // namespace wo::text
