#include "store/PrintableName.h"

#include <QList>
#include <QStringDecoder>

namespace wo::store {

namespace {

QString escaped(char32_t c) {
    switch (c) {
    case U'\n':
        return QStringLiteral("\\n");
    case U'\r':
        return QStringLiteral("\\r");
    case U'\t':
        return QStringLiteral("\\t");
    default:
        // Bytes that are not UTF-8 are "\x80" and above; characters from U+0080 on differ.
        return c < 0x80 ? QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'))
                        : QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
    }
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c < 0xa0);
}

void append(QString& out, char32_t c) {
    if (isControl(c))
        out += escaped(c);
    else
        out += QString::fromUcs4(&c, 1);
}

} // namespace

QString printableName(const QByteArray& bytes) {
    QString out;
    for (qsizetype i = 0; i < bytes.size();) {
        // The longest run that decodes cleanly goes at once; a byte that does not start
        // valid UTF-8 is escaped on its own.
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const qsizetype length = lead < 0x80 ? 1 : lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : 2;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString one = decoder.decode(bytes.mid(i, length));
        if (lead >= 0xc2 && lead <= 0xf4 && i + length <= bytes.size() && !decoder.hasError() &&
            one.size() >= 1) {
            for (const char32_t c : one.toUcs4())
                append(out, c);
            i += length;
            continue;
        }
        if (lead < 0x80) {
            if (lead == '\\')
                out += QStringLiteral("\\\\");
            else
                append(out, lead);
        } else {
            out += QStringLiteral("\\x%1").arg(uint(lead), 2, 16);
        }
        ++i;
    }
    return out;
}

QString printableText(const QString& text) {
    QString out;
    for (const char32_t c : text.toUcs4())
        append(out, c);
    return out;
}

} // namespace wo::store
