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
    if (dladdr(reinterpret_cast<void*>(&moduleFolder), &info) && info.dli_fname)
        return QFileInfo(QFile::decodeName(info.dli_fname)).canonicalPath();
    return QDir::currentPath();
}

} // namespace wo::profile
