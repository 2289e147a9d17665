#pragma once

#include <QImage>
#include <QString>

namespace wo::test {

// A small white page at 300 dpi with lines of black text in a Chinese font, large
// enough to be recognised and small enough to be recognised quickly.
QImage textPage(const QStringList& lines, QImage::Format format = QImage::Format_RGB32);
// Writes a one-page PDF: the lines as text (a text layer) or, with asPicture, only
// a picture of them (no text layer).
bool writeTextPdf(const QString& path, const QStringList& lines, bool asPicture);

} // namespace wo::test
