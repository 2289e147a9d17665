#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File helpers the suites share.
namespace wo::test {

// Random bytes (fixed by seed) that also hold every byte value and the line endings
// a text-mode transfer would rewrite.
QByteArray binaryContent(qsizetype size, quint32 seed);
// The start of an office document: a zip whose first member names its content types.
QByteArray officeLike();
// The file's bytes, or "<unreadable>" when it cannot be read.
QByteArray readFile(const QString& path);
// Writes the file, creating its folders; false when it cannot.
bool writeFile(const QString& path, const QByteArray& content);
// Every file and folder below dir, hidden ones included, relative and sorted.
QStringList tree(const QString& dir);

} // namespace wo::test
