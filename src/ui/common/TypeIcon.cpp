#include "ui/common/TypeIcon.h"

#include "imaging/PictureFile.h"
#include "platform/Error.h"
#include "platform/profile/ComponentFolder.h"
#include "platform/profile/Profile.h"

#include <QFileInfo>
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
    // A metafile no library here reads is not a damaged picture: no icon, and no error.
    const imaging::Picture read = imaging::readPicture(picture);
    if (read.state == imaging::Picture::State::Read)
        ImgTypeICO->setPixmap(QPixmap::fromImage(read.image));
    else if (read.state == imaging::Picture::State::Unreadable && policy == ErrorPolicy::Throw)
        throw err::make(err::InvalidPicture);
}

} // namespace wo::ui
