#include "platform/profile/ComponentFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>

namespace wo::profile {

QString componentFolder() {
    const QString overridden = qEnvironmentVariable("WO_COMPONENT_DIR");
    return overridden.isEmpty() ? moduleFolder() : overridden;
}

QString moduleFolder() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&moduleFolder), &info) || !info.dli_fname)
        return QDir::currentPath();
    const QDir libraryFolder = QFileInfo(QFile::decodeName(info.dli_fname)).canonicalPath();
    // Installed, the component's files lie in a folder of their own beside the
    // library; in the build tree, beside the library itself.
    const QString installed = libraryFolder.filePath(QStringLiteral(WO_COMPONENT_SUBDIR));
    return QFileInfo(installed).isDir() ? installed : libraryFolder.path();
}

} // namespace wo::profile
