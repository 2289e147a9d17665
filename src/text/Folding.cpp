#include "text/Folding.h"

namespace wo::text {

namespace {

QString hex(char32_t c) {
    return QStringLiteral("%1").arg(uint(c), 6, 16, QLatin1Char('0'));
}

} // namespace

bool isCjk(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || // radicals, CJK punctuation, kana, unified ideographs
           (c >= 0xAC00 && c <= 0xD7AF) || // Hangul syllables
           (c >= 0xF900 && c <= 0xFAFF) || // compatibility ideographs
           (c >= 0xFF00 && c <= 0xFFEF) || // full-width forms NFKC leaves (e.g. half-width kana)
           (c >= 0x20000 && c <= 0x3FFFF); // supplementary ideographs
}

QString searchForm(const QString& text) {
    const QList<uint> points = text.normalized(QString::NormalizationForm_KC).toCaseFolded().toUcs4();
    QList<uint> out;
    out.reserve(points.size());
    bool pendingSpace = false;
    for (const uint c : points) {
        if (QChar::isSpace(c)) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (pendingSpace && !isCjk(out.last()) && !isCjk(c))
            out.append(u' ');
        pendingSpace = false;
        out.append(c);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(out.constData()), out.size());
}

QString pairTokens(const QString& folded) {
    const QList<uint> points = folded.toUcs4();
    QString tokens;
    tokens.reserve(points.size() * 14);
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (i)
            tokens += u' ';
        tokens += u'p' + hex(points[i]) + hex(i + 1 < points.size() ? points[i + 1] : 0);
    }
    return tokens;
}

QString pairToken(const QString& term) {
    const QList<uint> points = term.toUcs4();
    QString token = QStringLiteral("p");
    for (const uint c : points)
        token += hex(c);
    return token;
}

} // namespace wo::text
