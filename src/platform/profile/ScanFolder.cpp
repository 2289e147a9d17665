#include "platform/profile/ScanFolder.h"

#include "platform/Error.h"

#include <QDir>
#include <QFileInfo>

namespace wo::profile {

namespace {} // namespace

QString scanFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    const QString ours = base + QStringLiteral("/wendra-original");
    const QString folder = ours + QStringLiteral("/scan");
    QDir dir;
    const auto fail = [](const QString& path) {
        return Error(err::PathFileAccessError, QStringLiteral("不能建立扫描文件夹：") + path);
    };
    if (!dir.mkpath(base))
        throw fail(base);
    for (const QString& level : {ours, folder})
        if (!QFileInfo(level).isDir() &&
            !dir.mkdir(level, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            throw fail(level);
    return folder;
}

} // namespace wo::profile
