#include "ui/common/TypeIcon.h"

#include "platform/Error.h"
#include "platform/profile/ComponentFolder.h"
#include "platform/profile/Profile.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

namespace wo::ui {

void ShowTypeIcon(QLabel* ImgTypeICO, const QLabel* ImgBack, const QString& type, ErrorPolicy policy) {
    const QString folder = profile::componentFolder();
    const QString name = profile::GetPrivateProfileString(QStringLiteral("ICON"), type, QString(),
                                                          folder + QStringLiteral("/FileType.INI"));
    ImgTypeICO->setPixmap(QPixmap());
    const QString picture = folder + QStringLiteral("/图库/") + name;
    if (name.isEmpty() || !QFileInfo::exists(picture)) {
        ImgTypeICO->setPixmap(ImgBack->pixmap());
        return;
    }
    const QImage image = QImageReader(picture).read();
    if (!image.isNull())
        ImgTypeICO->setPixmap(QPixmap::fromImage(image));
    else if (policy == ErrorPolicy::Throw)
        throw err::make(err::InvalidPicture);
}

} // namespace wo::ui
