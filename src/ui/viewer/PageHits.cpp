#include "ui/viewer/PageHits.h"

#include "text/Folding.h"

#include <algorithm>

namespace wo::ui {

namespace {

char32_t firstOf(const QString& text) {
    return QStringView(text).toUcs4().first();
}

char32_t lastOf(const QString& text) {
    return QStringView(text).toUcs4().last();
}

// Whether the folding keeps a space between two texts: only between non-Chinese characters.
bool spaced(const QString& before, const QString& after) {
    return !text::isCjk(lastOf(before)) && !text::isCjk(firstOf(after));
}

// The part [from, to) of a word's `length` characters, as a slice of its box.
QRect slice(QRect box, int from, int to, int length) {
    const int left = box.x() + box.width() * from / length;
    const int right = box.x() + box.width() * to / length;
    return QRect(left, box.y(), right - left, box.height());
}

} // namespace

QList<QRect> matchBoxes(const QList<text::Word>& words, const QString& term) {
    const QString folded = text::searchForm(term);
    if (folded.isEmpty())
        return {};
    QString page;
    // Where each word's folded text starts in `page`, and its length; 0 for a word that folds to nothing.
    QList<qsizetype> starts(words.size(), 0);
    QList<qsizetype> lengths(words.size(), 0);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString piece = text::searchForm(words[i].text);
        if (piece.isEmpty())
            continue;
        if (!page.isEmpty() && spaced(page, piece))
            page += u' ';
        starts[i] = page.size();
        lengths[i] = piece.size();
        page += piece;
    }
    QList<bool> covered(page.size(), false);
    for (qsizetype at = page.indexOf(folded); at >= 0; at = page.indexOf(folded, at + 1))
        std::fill(covered.begin() + at, covered.begin() + at + folded.size(), true);

    QList<QRect> boxes;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const qsizetype start = starts[i];
        const int length = int(lengths[i]);
        for (int from = 0; from < length;) {
            if (!covered[start + from]) {
                ++from;
                continue;
            }
            int to = from;
            while (to < length && covered[start + to])
                ++to;
            boxes.append(slice(words[i].box, from, to, length));
            from = to;
        }
    }
    return boxes;
}

QRectF boxToWidget(QRect box, QSize page, const QTransform& imageToWidget) {
    const QTransform toImage =
        QTransform::fromScale(double(page.width()) / text::BoxUnits, double(page.height()) / text::BoxUnits);
    return (toImage * imageToWidget).mapRect(QRectF(box));
}

QRect widgetToBox(QRectF area, QSize page, const QTransform& imageToWidget) {
    if (page.isEmpty() || !imageToWidget.isInvertible())
        return {};
    const QTransform toUnits =
        QTransform::fromScale(double(text::BoxUnits) / page.width(), double(text::BoxUnits) / page.height());
    return (imageToWidget.inverted() * toUnits).mapRect(area).toRect();
}

QString wordsIn(const QList<text::Word>& words, QRect area) {
    QList<const text::Word*> inside;
    for (const text::Word& w : words)
        if (!w.text.isEmpty() && area.contains(w.box.center()))
            inside.append(&w);
    std::stable_sort(inside.begin(), inside.end(), [](const text::Word* a, const text::Word* b) {
        return a->line != b->line ? a->line < b->line : a->box.x() < b->box.x();
    });
    QString out;
    for (qsizetype i = 0; i < inside.size(); ++i) {
        if (i > 0 && inside[i]->line != inside[i - 1]->line)
            out += u'\n';
        else if (i > 0 && spaced(inside[i - 1]->text, inside[i]->text))
            out += u' ';
        out += inside[i]->text;
    }
    return out;
}

std::optional<HitPlace> nextHit(const QList<HitPlace>& sorted, HitPlace from, bool forward) {
    if (sorted.isEmpty())
        return std::nullopt;
    if (forward) {
        const auto after = std::upper_bound(sorted.begin(), sorted.end(), from);
        return after != sorted.end() ? *after : sorted.first();
    }
    const auto before = std::lower_bound(sorted.begin(), sorted.end(), from);
    return before != sorted.begin() ? *(before - 1) : sorted.last();
}

} // namespace wo::ui
