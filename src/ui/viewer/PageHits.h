#pragma once

#include "text/PageText.h"
#include "wo_internal_export.h"

#include <QList>
#include <QRect>
#include <QRectF>
#include <QTransform>
#include <compare>
#include <optional>

// Where a searched term stands on a page's words, and how word boxes (kept in
// ten-thousandths of the page) meet the view the page is shown in.
namespace wo::ui {

// A page with hits: its document's row in the list (from 0) and the page (from 1).
struct HitPlace {
    int row = 0;
    int page = 0;
    auto operator<=>(const HitPlace&) const = default;
};

// The parts of the words a term's matches cover, in ten-thousandths of the page. A
// match is found in the words folded and joined as the text table keeps a page (no
// space next to a Chinese character, one between Latin words), so it may run over
// several words; in a longer word only its own characters are covered, taken in
// proportion to the word's folded length. One box per covered run of a word.
WO_INTERNAL QList<QRect> matchBoxes(const QList<text::Word>& words, const QString& term);

// A box in ten-thousandths of a page of `page` pixels, in widget pixels through the
// transform the page is drawn with.
WO_INTERNAL QRectF boxToWidget(QRect box, QSize page, const QTransform& imageToWidget);
// A rectangle of widget pixels in ten-thousandths of the page; empty when the
// transform cannot be inverted.
WO_INTERNAL QRect widgetToBox(QRectF area, QSize page, const QTransform& imageToWidget);

// The text of the words whose box centres lie in `area` (ten-thousandths), line by
// line: a space between Latin words, none next to a Chinese character, a line break
// between lines.
WO_INTERNAL QString wordsIn(const QList<text::Word>& words, QRect area);

// The first hit after `from` (before it, going back) in `sorted`; past the last
// (first) it starts again from the other end. None without hits.
WO_INTERNAL std::optional<HitPlace> nextHit(const QList<HitPlace>& sorted, HitPlace from, bool forward);

} // namespace wo::ui
