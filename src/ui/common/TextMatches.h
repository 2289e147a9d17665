#pragma once

#include "text/TextTable.h"
#include "ui/common/DocumentModel.h"
#include "wo_internal_export.h"

#include <QHash>
#include <QList>
#include <QString>

namespace wo::ui {

// The documents of a record whose text holds a searched term, each with the pages
// (from 1) that hold it: what the list window filters by and the viewer can go through.
class WO_INTERNAL TextMatches {
public:
    // The model role that marks a matching row (true) while a search is shown.
    static constexpr int MatchRole = DocumentModel::FirstExtraRole;

    TextMatches() = default;
    // The documents of these hits, in the hits' order.
    TextMatches(const QString& term, const QList<text::Hit>& hits);

    QString term() const { return m_term; }
    // The number of matching documents.
    int count() const { return int(m_pages.size()); }
    bool contains(const QString& id) const { return m_pages.contains(id); }
    // The pages of a document that hold the term, ascending; none when it does not match.
    QList<int> pages(const QString& id) const { return m_pages.value(id); }

    // The first matching row after `from` (before it, when not forward) among the rows
    // whose IDs are `rowIds`, going round the end; `from` itself when it is the only
    // one; -1 when no row matches. From -1 forward is from the top, backward from the end.
    int step(const QStringList& rowIds, int from, bool forward) const;

    // Sets MatchRole of every row of the model: true for the matching ones.
    void mark(DocumentModel& model) const;
    // Takes the marks off every row.
    static void unmark(DocumentModel& model);

private:
    QString m_term;
    QHash<QString, QList<int>> m_pages;
};

} // namespace wo::ui
