#pragma once

#include "wo_internal_export.h"

#include <QString>
#include <QStringList>

// The form texts are compared in: pages are stored in it and search terms are put
// into it, so that one substring test answers every search on every engine.
namespace wo::text {

// NFKC (full-width letters and digits become half-width), case folded, white space
// next to a Chinese, Japanese or Korean character dropped (recognisers put spaces
// between such characters), other runs of white space made one space, trimmed.
WO_INTERNAL QString searchForm(const QString& text);
// A Chinese, Japanese or Korean character (or punctuation of theirs): no space is kept
// next to one.
WO_INTERNAL bool isCjk(char32_t c);

// The character pairs of a text in search form, each as a token of letters and
// digits only ("p" + two code points in hex), the last character paired with the
// end: what finds terms of one or two characters in a word index.
WO_INTERNAL QString pairTokens(const QString& folded);
// The token that finds a term of two characters, or the prefix (without "*") that
// finds one of one character.
WO_INTERNAL QString pairToken(const QString& term);

} // namespace wo::text
