#include "platform/TemporaryNames.h"

#include <QRandomGenerator>
#include <QRegularExpression>

namespace wo::temporary {

QString freshName() {
    return QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

QString partName(const QString& name) {
    // Both at once: a "%" in the name is no place for the number.
    const QString number =
        QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    return QStringLiteral(".%1.part-%2").arg(name, number);
}

bool isTemporaryName(const QString& name) {
    static const QRegularExpression temporary(
        QStringLiteral("^\\.([0-9a-f]{16}\\.tmp|.+\\.part-[0-9a-f]{8})$"));
    return temporary.match(name).hasMatch();
}

} // namespace wo::temporary
