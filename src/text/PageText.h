#pragma once

#include "wo_internal_export.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>

namespace wo::text {

// Boxes are kept in ten-thousandths of the page's width and height, so that a view
// maps them at any resolution and rotation the page is shown in.
inline constexpr int BoxUnits = 10000;

struct Word {
    QRect box;
    QString text;
    // Words of one line share it; lines count from 0 down the page.
    int line = 0;
};

// The text of one page (index from 0) and where it came from.
struct WO_INTERNAL PageText {
    enum class Source { Layer, Recognised, Plain };
    int page = 0;
    Source source = Source::Plain;
    QList<Word> words;

    // The words, a space between those of a line, a line break between lines.
    QString text() const;
    // The words as compact JSON ([[x, y, w, h, line, "text"], …]), and back; a
    // damaged text gives no words.
    QByteArray wordsJson() const;
    static QList<Word> wordsFromJson(const QByteArray& json);
};

} // namespace wo::text
