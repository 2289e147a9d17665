#include "record/RowRules.h"

#include "platform/Error.h"

#include <QRegularExpression>

namespace wo::record {

bool isPlainName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

RowFault rowFault(const QString& filePath, const QString& id, const QString& type, bool ftpMode) {
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    if (!ftpMode && (filePath.startsWith(QLatin1Char('/')) || filePath.startsWith(QLatin1Char('\\'))))
        return RowFault::Path;
    if (filePath.split(separators).contains(QLatin1String("..")))
        return RowFault::Path;
    return isPlainName(id) && isPlainName(id + type) ? RowFault::None : RowFault::Name;
}

QString storedFileName(const QString& id, const QString& type) {
    const QString name = id + type;
    if (!isPlainName(id) || !isPlainName(name))
        throw err::make(err::BadFileName, name);
    return name;
}

} // namespace wo::record
