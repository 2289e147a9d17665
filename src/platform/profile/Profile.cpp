#include "platform/profile/Profile.h"

#include <QFile>
#include <QStringView>

namespace wo::profile {

namespace {
// The host's buffer holds 255 characters including the terminator.
constexpr qsizetype MaxValueLength = 254;
} // namespace

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultText,
                                const QString& file) {
    QFile f(file);
    if (key.trimmed().isEmpty() || !f.open(QIODevice::ReadOnly))
        return defaultText;
    QString text = QString::fromUtf8(f.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QString wantedSection = section.trimmed();
    const QString wantedKey = key.trimmed();
    bool inSection = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QStringView name = close < 0 ? line.mid(1) : line.mid(1, close - 1);
            inSection = name.trimmed().compare(wantedSection, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inSection || eq < 0 || line.left(eq).trimmed().compare(wantedKey, Qt::CaseInsensitive) != 0)
            continue;
        const QStringView value = line.mid(eq + 1).trimmed();
        return value.isEmpty() ? defaultText : value.left(MaxValueLength).toString();
    }
    return defaultText;
}

} // namespace wo::profile
