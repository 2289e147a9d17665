#include "ui/list/ImageTypes.h"

#include <QStringList>

namespace wo::ui {

bool isImageType(const QString& type) {
    static const QStringList ImageTypes{
        QStringLiteral(".BMP"),  QStringLiteral(".TIF"), QStringLiteral(".GIF"), QStringLiteral(".JPG"),
        QStringLiteral(".TIFF"), QStringLiteral(".AWD"), QStringLiteral(".JPE"), QStringLiteral(".JPEG"),
        QStringLiteral(".PCX"),  QStringLiteral(".DCX"), QStringLiteral(".XIF"), QStringLiteral(".WIF")};
    return ImageTypes.contains(type.toUpper());
}

} // namespace wo::ui
