#include "imaging/DesktopOpener.h"

#include "platform/Error.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>

namespace wo::imaging {

namespace {

// xdg-mime reads a few small files; a hung helper must not freeze the window.
constexpr int QueryTimeoutMs = 10000;

QString associatedProgram(const QString& mimeType) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(QueryTimeoutMs)) {
        const QString reason = query.errorString();
        query.kill();
        query.waitForFinished();
        throw err::make(err::ProgramStartFailed, QStringLiteral("xdg-mime：") + reason);
    }
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

void DesktopOpener::openInOwnApplication(const QString& path) {
    const QFileInfo file(path);
    if (!file.isFile())
        throw err::make(err::FileNotFound, path);
    const QString mimeType = QMimeDatabase().mimeTypeForFile(file).name();
    if (associatedProgram(mimeType).isEmpty())
        throw err::make(err::NoAssociatedProgram, file.fileName());
    QProcess opener;
    opener.setProgram(QStringLiteral("xdg-open"));
    opener.setArguments({file.absoluteFilePath()});
    if (!opener.startDetached())
        throw err::make(err::ProgramStartFailed, QStringLiteral("xdg-open：") + opener.errorString());
}

} // namespace wo::imaging
