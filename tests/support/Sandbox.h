#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace wo::test {

// A private folder for one test; points the per-user cache, configuration and
// data folders into it so nothing outside it is touched.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();

    QString path(const QString& relative = QString()) const;
    // Writes a file (creating its folders) and returns its full path.
    QString writeFile(const QString& relative, const QByteArray& content) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldCache;
    QByteArray m_oldConfig;
    QByteArray m_oldData;
};

} // namespace wo::test
