#include "wendra/comhost.h"

#include <QDir>
#include <QSettings>

namespace wo::com::registry {

namespace {

QString progIdKey(const QString& progId) {
    return QStringLiteral("ProgID/") + progId;
}
QString classGroup(const QString& clsid) {
    return QStringLiteral("CLSID/") + clsid;
}
QString libraryKey(const QString& clsid) {
    return classGroup(clsid) + QStringLiteral("/InprocServer32");
}
QString classProgIdKey(const QString& clsid) {
    return classGroup(clsid) + QStringLiteral("/ProgID");
}

bool written(QSettings& settings) {
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

QString filePath() {
    const QString explicitFile = qEnvironmentVariable("WO_COM_REGISTRY");
    if (!explicitFile.isEmpty())
        return explicitFile;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/wendra-com/registry.ini");
}

bool registerClass(const QString& progId, const CLSID& clsid, const QString& library) {
    QSettings settings(filePath(), QSettings::IniFormat);
    const QString id = guidToString(clsid);
    settings.setValue(progIdKey(progId), id);
    settings.setValue(libraryKey(id), library);
    settings.setValue(classProgIdKey(id), progId);
    return written(settings);
}

bool unregisterClass(const QString& progId, const CLSID& clsid, const QString& library) {
    QSettings settings(filePath(), QSettings::IniFormat);
    const QString id = guidToString(clsid);
    if (settings.value(libraryKey(id)).toString() != library)
        return true;
    settings.remove(classGroup(id));
    if (settings.value(progIdKey(progId)).toString() == id)
        settings.remove(progIdKey(progId));
    return written(settings);
}

std::optional<ClassEntry> lookup(const QString& progId) {
    const QSettings settings(filePath(), QSettings::IniFormat);
    const std::optional<CLSID> clsid = guidFromString(settings.value(progIdKey(progId)).toString());
    if (!clsid)
        return std::nullopt;
    const QString library = settings.value(libraryKey(guidToString(*clsid))).toString();
    if (library.isEmpty())
        return std::nullopt;
    return ClassEntry{*clsid, library};
}

} // namespace wo::com::registry
