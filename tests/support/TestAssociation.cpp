#include "TestAssociation.h"

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace wo::test {

TestAssociation::TestAssociation(const Sandbox& box, const QStringList& mimeTypes)
    : m_record(box.path(QStringLiteral("record.txt"))) {
    qputenv("XDG_DATA_HOME", box.path(QStringLiteral("data")).toLocal8Bit());
    // The system's MIME database but none of its programs.
    QDir().mkpath(box.path(QStringLiteral("shared")));
    QFile::link(QStringLiteral("/usr/share/mime"), box.path(QStringLiteral("shared/mime")));
    qputenv("XDG_DATA_DIRS", box.path(QStringLiteral("shared")).toLocal8Bit());
    // xdg-utils' own lookup, not a desktop environment's, and it only opens files with a display.
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "DE", "KDE_FULL_SESSION", "BROWSER"})
        qunsetenv(name);
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("DISPLAY", ":99");

    writeScript(box, QStringLiteral("record.sh"), "printf '%s' \"$1\" > '" + m_record.toLocal8Bit() + "'\n");
    box.writeFile(QStringLiteral("data/applications/wo-recorder.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" +
                      box.path(QStringLiteral("record.sh")).toLocal8Bit() +
                      " %f\nMimeType=" + mimeTypes.join(u';').toLatin1() + ";\n");
    for (const QString& type : mimeTypes)
        if (QProcess::execute(QStringLiteral("xdg-mime"),
                              {QStringLiteral("default"), QStringLiteral("wo-recorder.desktop"), type}) != 0)
            qFatal("xdg-mime cannot associate %s", qPrintable(type));
}

QByteArray TestAssociation::recorded() const {
    return QFile::exists(m_record) ? readFile(m_record) : QByteArray();
}

void TestAssociation::writeScript(const Sandbox& box, const QString& relative, const QByteArray& body) {
    QFile script(box.writeFile(relative, "#!/bin/sh\n" + body));
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

} // namespace wo::test
