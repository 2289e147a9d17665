#include "Sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace wo::test {

Sandbox::Sandbox()
    : m_oldCache(qgetenv("XDG_CACHE_HOME")), m_oldConfig(qgetenv("XDG_CONFIG_HOME")),
      m_oldData(qgetenv("XDG_DATA_HOME")) {
    qputenv("XDG_CACHE_HOME", path(QStringLiteral("cache")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", path(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", path(QStringLiteral("data")).toLocal8Bit());
}

Sandbox::~Sandbox() {
    qputenv("XDG_CACHE_HOME", m_oldCache);
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
}

QString Sandbox::path(const QString& relative) const {
    return relative.isEmpty() ? m_dir.path() : m_dir.filePath(relative);
}

QString Sandbox::writeFile(const QString& relative, const QByteArray& content) const {
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(full));
    return full;
}

} // namespace wo::test
