#include "ui/list/DroppedFiles.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

namespace wo::ui {

QStringList droppedPaths(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile() || url.toLocalFile().isEmpty())
            return {};
        paths << QDir::cleanPath(url.toLocalFile());
    }
    return paths;
}

bool dropAllowed(const QMimeData& data, Qt::DropActions possible, bool browseOnly, bool adding) {
    return !browseOnly && !adding && possible.testFlag(Qt::CopyAction) && !droppedPaths(data).isEmpty();
}

} // namespace wo::ui
