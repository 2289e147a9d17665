#include "ui/common/TextMatches.h"

#include <algorithm>

namespace wo::ui {

TextMatches::TextMatches(const QString& term, const QList<text::Hit>& hits) : m_term(term) {
    for (const text::Hit& hit : hits) {
        QList<int>& pages = m_pages[hit.id];
        if (!pages.contains(hit.page))
            pages.append(hit.page);
    }
    for (QList<int>& pages : m_pages)
        std::sort(pages.begin(), pages.end());
}

int TextMatches::step(const QStringList& rowIds, int from, bool forward) const {
    const int rows = int(rowIds.size());
    if (rows == 0)
        return -1;
    if (from < 0 || from >= rows)
        from = forward ? rows - 1 : 0;
    for (int n = 1; n <= rows; ++n) {
        const int row = ((forward ? from + n : from - n) % rows + rows) % rows;
        if (contains(rowIds.at(row)))
            return row;
    }
    return -1;
}

void TextMatches::mark(DocumentModel& model) const {
    for (int row = 0; row < model.rowCount(); ++row) {
        const bool match = contains(model.document(row).id);
        const QModelIndex index = model.index(row, 0);
        if (index.data(MatchRole).toBool() != match)
            model.setData(index, match, MatchRole);
    }
}

void TextMatches::unmark(DocumentModel& model) {
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, 0);
        if (index.data(MatchRole).toBool())
            model.setData(index, false, MatchRole);
    }
}

} // namespace wo::ui
