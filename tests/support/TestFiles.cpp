#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace wo::test {

QByteArray binaryContent(qsizetype size, quint32 seed) {
    QByteArray data(size, '\0');
    QRandomGenerator random(seed);
    for (char& byte : data)
        byte = static_cast<char>(random.bounded(256));
    for (int i = 0; i < 256 && i < size; ++i)
        data[i] = static_cast<char>(i);
    const QByteArray endings("\r\n\n\r\r\r\n\x1a\r\n");
    for (qsizetype at = 280; at + endings.size() < size; at += std::max<qsizetype>(size / 7, endings.size()))
        data.replace(at, endings.size(), endings);
    return data;
}

QByteArray officeLike() {
    const QByteArray member = "[Content_Types].xml";
    QByteArray zip("PK\x03\x04\x14\x00\x00\x00\x00\x00", 10);
    zip += QByteArray(16, '\0');
    zip += char(member.size());
    zip += QByteArray(3, '\0');
    return zip + member + "<Types/>";
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QStringList tree(const QString& dir) {
    QStringList paths;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        paths << QDir(dir).relativeFilePath(it.next());
    paths.sort();
    return paths;
}

} // namespace wo::test
