#pragma once

#include "text/TextTable.h"
#include "ui/common/TextMatches.h"
#include "ui/viewer/PageHits.h"
#include "wo_internal_export.h"

#include <QHash>
#include <QList>
#include <QString>

namespace wo::ui {

// A searched term's pages in the documents of one record, and the words of the pages
// shown, read from the text table when first wanted.
class WO_INTERNAL RecordHits {
public:
    // Throws when the database has no text table a search could read.
    explicit RecordHits(db::Connection& connection);

    // Whether the text tables are there to read.
    bool available() { return m_table.exists(); }
    // Searches the record's documents; an empty term forgets the hits. Words read
    // before are read again, as documents may have got their text meanwhile.
    void setTerm(const QString& term, const QString& recordId);
    QString term() const { return m_matches.term(); }
    // The pages (from 1) of a document that hold the term, in order.
    QList<int> pages(const QString& id) const { return m_matches.pages(id); }
    // Every page with hits, of the documents listed by ID in row order, in that order.
    QList<HitPlace> places(const QStringList& idsByRow) const;
    // The words of a page (from 1); none when it has no text.
    const QList<text::Word>& words(const QString& id, int page);

private:
    text::TextTable m_table;
    TextMatches m_matches;
    QHash<QPair<QString, int>, QList<text::Word>> m_words;
};

} // namespace wo::ui
