#pragma once

#include "imaging/ImageAdminDialog.h"

#include <QList>
#include <QPrinter>
#include <QString>
#include <functional>

namespace wo::test {

// The print dialog answered in place of the user: the answer sets up the printer
// as the user's choices would and returns the dialog's result.
class AnsweringAdmin : public imaging::ImageAdminDialog {
public:
    using Answer = std::function<int(QPrinter&)>;
    AnsweringAdmin(QWidget* parent, Answer answer) : ImageAdminDialog(parent), m_answer(std::move(answer)) {}

    // An answer printing `range` (from..to for a page range) into the PDF file pdf.
    static Answer toPdf(const QString& pdf, QPrinter::PrintRange range, int from = 0, int to = 0);
    static Answer cancel();

protected:
    int execDialog(QPrintDialog& dialog) override;

private:
    Answer m_answer;
};

// Pages of a PDF file as pdfinfo counts them; 0 when it cannot read it.
int pdfPageCount(const QString& pdf);
// The page markers (TestImages' markedPage) of a printed PDF's pages, rendered
// at 100 dpi into work; 0 for a page without a clear marker.
QList<int> printedMarkers(const QString& pdf, const QString& work);

} // namespace wo::test
