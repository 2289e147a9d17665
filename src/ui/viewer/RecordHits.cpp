#include "ui/viewer/RecordHits.h"

namespace wo::ui {

namespace {

// Every page of a record, however many hold the term.
constexpr int kAllPages = 1'000'000;

} // namespace

RecordHits::RecordHits(db::Connection& connection) : m_table(connection) {}

void RecordHits::setTerm(const QString& term, const QString& recordId) {
    m_words.clear();
    m_matches = term.isEmpty() ? TextMatches() : TextMatches(term, m_table.search(term, recordId, kAllPages));
}

QList<HitPlace> RecordHits::places(const QStringList& idsByRow) const {
    QList<HitPlace> out;
    for (qsizetype row = 0; row < idsByRow.size(); ++row)
        for (const int page : m_matches.pages(idsByRow[row]))
            out.append({int(row), page});
    return out;
}

const QList<text::Word>& RecordHits::words(const QString& id, int page) {
    const QPair<QString, int> key(id, page);
    const auto found = m_words.constFind(key);
    if (found != m_words.constEnd())
        return *found;
    return m_words[key] = m_table.words(id, page - 1);
}

} // namespace wo::ui
