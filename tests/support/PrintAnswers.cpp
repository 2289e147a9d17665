#include "PrintAnswers.h"

#include "TestImages.h"

#include <QDialog>
#include <QDir>
#include <QPrintDialog>
#include <QProcess>
#include <QRegularExpression>

namespace wo::test {

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

AnsweringAdmin::Answer AnsweringAdmin::toPdf(const QString& pdf, QPrinter::PrintRange range, int from,
                                             int to) {
    return [=](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPrintRange(range);
        if (range == QPrinter::PageRange)
            printer.setFromTo(from, to);
        return int(QDialog::Accepted);
    };
}

AnsweringAdmin::Answer AnsweringAdmin::cancel() {
    return [](QPrinter&) { return int(QDialog::Rejected); };
}

int AnsweringAdmin::execDialog(QPrintDialog& dialog) {
    return m_answer(*dialog.printer());
}

int pdfPageCount(const QString& pdf) {
    const auto pages =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {pdf}));
    return pages.hasMatch() ? pages.captured(1).toInt() : 0;
}

QList<int> printedMarkers(const QString& pdf, const QString& work) {
    QDir().mkpath(work);
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-png"), pdf,
                                     work + QStringLiteral("/page")});
    QList<int> markers;
    const QDir dir(work);
    for (const QString& png : dir.entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name))
        markers << markerOf(QImage(dir.filePath(png)).scaled(240, 160));
    return markers;
}

} // namespace wo::test
