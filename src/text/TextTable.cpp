#include "text/TextTable.h"

#include "platform/Error.h"
#include "platform/db/Recordset.h"
#include "text/Folding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDriver>
#include <algorithm>
#include <cmath>

namespace wo::text {

// The shipped statements, put into the library when it is built.
QString pageTextScript(Engine engine);

namespace {

using db::Statement;

Engine engineOf(db::Connection& connection) {
    const QSqlDatabase db = connection.database();
    switch (db.driver() ? db.driver()->dbmsType() : QSqlDriver::UnknownDbms) {
    case QSqlDriver::SQLite:
        return Engine::SQLite;
    case QSqlDriver::PostgreSQL:
        return Engine::PostgreSQL;
    case QSqlDriver::MySqlServer:
        return Engine::MariaDB;
    default:
        throw Error(err::SearchUnavailable, err::description(err::SearchUnavailable) +
                                                QStringLiteral("（不支持的数据库 %1）").arg(db.driverName()));
    }
}

// A LIKE pattern that finds `term` anywhere, '!' escaping the pattern's own characters.
QString containsPattern(const QString& term) {
    QString escaped = term;
    escaped.replace(u'!', QStringLiteral("!!"))
        .replace(u'%', QStringLiteral("!%"))
        .replace(u'_', QStringLiteral("!_"));
    return u'%' + escaped + u'%';
}

QString snippetOf(const QString& body, const QString& term) {
    constexpr qsizetype around = 16;
    const qsizetype at = body.indexOf(term);
    if (at < 0)
        return body.left(2 * around);
    const qsizetype from = std::max<qsizetype>(0, at - around);
    const qsizetype to = std::min(body.size(), at + term.size() + around);
    return (from > 0 ? QStringLiteral("…") : QString()) + body.mid(from, to - from) +
           (to < body.size() ? QStringLiteral("…") : QString());
}

} // namespace

QByteArray hitsJson(const QList<Hit>& hits) {
    QJsonArray list;
    for (const Hit& h : hits)
        list.append(QJsonObject{{QStringLiteral("RecordId"), h.recordId},
                                {QStringLiteral("ID"), h.id},
                                {QStringLiteral("Original_Name"), h.name},
                                {QStringLiteral("Page"), h.page},
                                {QStringLiteral("Snippet"), h.snippet}});
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

QList<CreateStatement> createStatements(Engine engine) {
    QList<CreateStatement> statements;
    QString current;
    bool optional = false;
    bool inBlock = false;
    for (const QString& raw : pageTextScript(engine).split(u'\n')) {
        const QString line = raw.trimmed();
        if (current.isEmpty() && line.startsWith(QLatin1String("--"))) {
            optional = optional || line == QLatin1String("-- optional");
            continue;
        }
        if (line.isEmpty())
            continue;
        current += (current.isEmpty() ? QString() : QStringLiteral("\n")) + raw;
        if (line.endsWith(QLatin1String("BEGIN")))
            inBlock = true;
        if (!line.endsWith(u';') || (inBlock && line != QLatin1String("END;")))
            continue;
        current.chop(1);
        statements.append({current, optional});
        current.clear();
        optional = inBlock = false;
    }
    return statements;
}

TextTable::TextTable(db::Connection& connection) : m_connection(connection), m_engine(engineOf(connection)) {}

bool TextTable::exists() {
    try {
        m_connection.execute(
            Statement{QStringLiteral("SELECT COUNT(*) FROM Original_PageText WHERE 1 = 0"), {}});
        m_connection.execute(
            Statement{QStringLiteral("SELECT COUNT(*) FROM Original_TextState WHERE 1 = 0"), {}});
        return true;
    } catch (const Error&) {
        return false;
    }
}

namespace {

// The first column of a statement's first row; null when it gives none.
QVariant firstValue(const Statement& statement, db::Connection& connection) {
    db::Recordset rs;
    rs.open(statement, connection);
    return rs.state() == db::Recordset::adStateOpen && !rs.eof() ? rs.field(0) : QVariant();
}

Error unavailable(const Error& reason) {
    return Error(err::SearchUnavailable,
                 err::description(err::SearchUnavailable) + QStringLiteral("：") + reason.description());
}

// The pairs pairTokens() makes, made by the server from a page's text: "p", then each
// character's code point and the next one's (0 after the last) in six hex digits.
const QString kPairsOfBody = QStringLiteral(
    "strip(to_tsvector('simple', coalesce((SELECT string_agg('p' || lpad(to_hex(ascii(substr(Body, i, 1))), "
    "6, "
    "'0') || lpad(to_hex(CASE WHEN i < length(Body) THEN ascii(substr(Body, i + 1, 1)) ELSE 0 END), 6, '0'), "
    "' ' ORDER BY i) FROM generate_series(1, length(Body)) AS i), '')))");

} // namespace

void TextTable::ensure() {
    if (exists()) {
        if (m_engine == Engine::PostgreSQL)
            addPairs();
        return;
    }
    for (const CreateStatement& statement : createStatements(m_engine)) {
        try {
            m_connection.execute(statement.text);
        } catch (const Error& e) {
            if (!statement.optional)
                throw unavailable(e);
        }
    }
}

void TextTable::addPairs() {
    const QVariant found =
        firstValue({QStringLiteral("SELECT COUNT(*) FROM information_schema.columns WHERE table_name = "
                                   "'original_pagetext' AND column_name = 'pairs' AND table_schema = "
                                   "current_schema()"),
                    {}},
                   m_connection);
    if (found.isNull() || found.toInt() > 0)
        return;
    m_connection.beginTrans();
    try {
        m_connection.execute(QStringLiteral("ALTER TABLE Original_PageText ADD COLUMN Pairs tsvector"));
        m_connection.execute(QStringLiteral("UPDATE Original_PageText SET Pairs = ") + kPairsOfBody);
        m_connection.execute(QStringLiteral("ALTER TABLE Original_PageText ALTER COLUMN Pairs SET NOT NULL"));
        m_connection.execute(QStringLiteral(
            "CREATE INDEX IF NOT EXISTS Original_PageText_Pairs ON Original_PageText USING gin (Pairs)"));
        m_connection.commitTrans();
    } catch (const Error& e) {
        m_connection.rollbackTrans();
        throw unavailable(e);
    }
}

void TextTable::store(const QString& id, const QList<PageText>& pages) {
    // Readers storing other documents at the same moment may deadlock on the index's
    // gaps (InnoDB); the engine then ends one transaction, which is simply run again.
    constexpr int attempts = 3;
    for (int attempt = 1;; ++attempt) {
        try {
            storeOnce(id, pages);
            return;
        } catch (const Error&) {
            if (attempt == attempts)
                throw;
        }
    }
}

void TextTable::storeOnce(const QString& id, const QList<PageText>& pages) {
    m_connection.beginTrans();
    try {
        m_connection.execute(Statement{QStringLiteral("DELETE FROM Original_PageText WHERE ID = ?"), {id}});
        for (const PageText& page : pages) {
            const QString body = searchForm(page.text());
            const QString words = QString::fromUtf8(page.wordsJson());
            if (m_engine == Engine::SQLite)
                m_connection.execute(Statement{QStringLiteral("INSERT INTO Original_PageText (ID, Page, "
                                                              "Body, Pairs, Words) VALUES (?, ?, ?, ?, ?)"),
                                               {id, page.page, body, pairTokens(body), words}});
            else if (m_engine == Engine::PostgreSQL)
                m_connection.execute(Statement{
                    QStringLiteral("INSERT INTO Original_PageText (ID, Page, Body, Pairs, Words) VALUES "
                                   "(?, ?, ?, strip(to_tsvector('simple', ?)), ?)"),
                    {id, page.page, body, pairTokens(body), words}});
            else
                m_connection.execute(Statement{
                    QStringLiteral(
                        "INSERT INTO Original_PageText (ID, Page, Body, Words) VALUES (?, ?, ?, ?)"),
                    {id, page.page, body, words}});
        }
        m_connection.commitTrans();
    } catch (...) {
        m_connection.rollbackTrans();
        throw;
    }
}

void TextTable::remove(const QString& id) {
    m_connection.execute(Statement{QStringLiteral("DELETE FROM Original_PageText WHERE ID = ?"), {id}});
    m_connection.execute(Statement{QStringLiteral("DELETE FROM Original_TextState WHERE ID = ?"), {id}});
}

QList<Hit> TextTable::search(const QString& text, const std::optional<QString>& recordId, int limit) {
    const QString term = searchForm(text);
    if (term.isEmpty() || limit <= 0)
        return {};
    if (!readInOrderFirst(term, recordId, limit))
        return searchIndexed(term, recordId, limit);
    // Documents read in list order, a few first, then as many as the hits so far say
    // are needed: a frequent term fills the limit early, without gathering and sorting
    // every page that holds it. Past LeadingDocuments the index finds the rest.
    QList<Hit> hits;
    qint64 read = 0;
    qint64 documents = FirstDocuments;
    while (read < LeadingDocuments) {
        hits += searchLeading(term, recordId, read, documents, int(limit - hits.size()));
        read += documents;
        if (hits.size() >= limit || documentsUpTo(recordId, read + 1) <= read)
            return hits;
        const double perDocument = double(std::max<qsizetype>(hits.size(), 1)) / double(read);
        documents = std::clamp(qint64(std::ceil(1.25 * double(limit - hits.size()) / perDocument)),
                               qint64(FirstDocuments), 2 * read);
    }
    return searchIndexed(term, recordId, limit);
}

bool TextTable::readInOrderFirst(const QString& term, const std::optional<QString>& recordId, int limit) {
    // PostgreSQL's planner itself reads the lists in order when a term is frequent and
    // stops at the limit. Elsewhere, within a record, or where no index counts the
    // pages (MariaDB), the record's list is the shorter way.
    if (m_engine == Engine::PostgreSQL)
        return false;
    if (recordId || m_engine == Engine::MariaDB)
        return true;
    // Reading a page in order costs about as much as fetching and sorting a page the
    // index found, and finds `limit` hits after limit * pages / matches pages: it is
    // the cheaper way while matches^2 > limit * pages.
    const double pages =
        firstValue({QStringLiteral("SELECT max(Row) FROM Original_PageText"), {}}, m_connection).toDouble();
    const double enough = std::ceil(std::sqrt(double(limit) * pages));
    if (enough >= pages)
        return false;
    Statement s{QStringLiteral("SELECT COUNT(*) FROM (SELECT rowid FROM %1 WHERE %1 MATCH ? LIMIT ?) m"), {}};
    indexMatch(term, s);
    s.values << qint64(enough) + 1;
    return firstValue(s, m_connection).toDouble() > enough;
}

void TextTable::indexMatch(const QString& term, Statement& s) const {
    // Trigrams find terms of three characters and more, character pairs shorter ones.
    const qsizetype length = term.toUcs4().size();
    if (length >= 3) {
        s.text = s.text.arg(QStringLiteral("Original_PageText_Body"));
        s.values << u'"' + QString(term).replace(u'"', QStringLiteral("\"\"")) + u'"';
    } else {
        s.text = s.text.arg(QStringLiteral("Original_PageText_Pairs"));
        s.values << pairToken(term) + (length == 1 ? QStringLiteral("*") : QString());
    }
}

QString TextTable::holdsTerm(const QString& term, QVariantList& values) const {
    if (m_engine == Engine::SQLite) {
        values << term;
        return QStringLiteral("instr(t.Body, ?) > 0");
    }
    values << containsPattern(term);
    return QStringLiteral("t.Body LIKE ? ESCAPE '!'");
}

QList<Hit> TextTable::searchLeading(const QString& term, const std::optional<QString>& recordId, qint64 from,
                                    qint64 documents, int limit) {
    Statement s;
    s.text = QStringLiteral("SELECT o.RecordId, o.ID, o.Original_Name, t.Page, t.Body FROM (SELECT RecordId, "
                            "FileOrder, ID, Original_Name FROM Original_Text");
    if (recordId) {
        s.text += QStringLiteral(" WHERE RecordId = ?");
        s.values << *recordId;
    }
    s.text +=
        QStringLiteral(" ORDER BY RecordId, FileOrder, ID LIMIT ? OFFSET ?) o JOIN Original_PageText t ON "
                       "t.ID = o.ID WHERE ");
    s.values << documents << from;
    s.text += holdsTerm(term, s.values);
    return hitsOf(s, term, limit);
}

QList<Hit> TextTable::searchIndexed(const QString& term, const std::optional<QString>& recordId, int limit) {
    Statement s;
    s.text =
        QStringLiteral("SELECT o.RecordId, o.ID, o.Original_Name, t.Page, t.Body FROM Original_PageText t "
                       "JOIN Original_Text o ON o.ID = t.ID WHERE ");
    if (m_engine == Engine::SQLite) {
        // instr() below keeps the pages that really hold the term.
        s.text += QStringLiteral("t.Row IN (SELECT rowid FROM %1 WHERE %1 MATCH ?) AND ");
        indexMatch(term, s);
    } else if (m_engine == Engine::PostgreSQL && term.toUcs4().size() <= 2) {
        // Trigrams cannot find one or two characters; the pairs' index can.
        s.text += QStringLiteral("t.Pairs @@ to_tsquery('simple', ?) AND ");
        s.values << pairToken(term) + (term.toUcs4().size() == 1 ? QStringLiteral(":*") : QString());
    }
    s.text += holdsTerm(term, s.values);
    if (recordId) {
        s.text += QStringLiteral(" AND o.RecordId = ?");
        s.values << *recordId;
    }
    return hitsOf(s, term, limit);
}

QList<Hit> TextTable::hitsOf(Statement s, const QString& term, int limit) {
    s.text += QStringLiteral(" ORDER BY o.RecordId, o.FileOrder, o.ID, t.Page LIMIT ?");
    s.values << limit;
    db::Recordset rs;
    rs.open(s, m_connection);
    QList<Hit> hits;
    if (rs.state() != db::Recordset::adStateOpen)
        return hits;
    for (; !rs.eof(); rs.moveNext())
        hits.append({rs.field(0).toString(), rs.field(1).toString(), rs.field(2).toString(),
                     rs.field(3).toInt() + 1, snippetOf(rs.field(4).toString(), term)});
    return hits;
}

qint64 TextTable::documentsUpTo(const std::optional<QString>& recordId, qint64 most) {
    Statement s{QStringLiteral("SELECT COUNT(*) FROM (SELECT ID FROM Original_Text"), {}};
    if (recordId) {
        s.text += QStringLiteral(" WHERE RecordId = ?");
        s.values << *recordId;
    }
    s.text += QStringLiteral(" LIMIT ?) n");
    s.values << most;
    const QVariant documents = firstValue(s, m_connection);
    return documents.isNull() ? most : documents.toLongLong();
}

QList<Word> TextTable::words(const QString& id, int page) {
    return PageText::wordsFromJson(
        firstValue(
            {QStringLiteral("SELECT Words FROM Original_PageText WHERE ID = ? AND Page = ?"), {id, page}},
            m_connection)
            .toString()
            .toUtf8());
}

} // namespace wo::text
