#include "imaging/ImageAdminDialog.h"

#include "dialogs/QtTexts.h"
#include "imaging/PageDocument.h"
#include "platform/Error.h"

#include <QPrintDialog>

namespace wo::imaging {

ImageAdminDialog::ImageAdminDialog(QWidget* dialogParent) : m_parent(dialogParent) {}

QPrinter& ImageAdminDialog::printer() {
    // Kept once made: the next print starts from the choices of the last.
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

int ImageAdminDialog::execDialog(QPrintDialog& dialog) {
    return dialog.exec();
}

void ImageAdminDialog::showPrintDialog() {
    const int pages = PageDocument(m_file).pageCount();
    QPrinter& target = printer();
    target.setPrintRange(QPrinter::AllPages);
    target.setFromTo(1, pages);
    // Qt's dialog takes its texts as it is made.
    const dialogs::QtChineseTexts chinese;
    QPrintDialog dialog(&target, m_parent);
    dialog.setMinMax(1, pages);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (execDialog(dialog) != QDialog::Accepted)
        throw err::make(err::PrintDialogCancelled);
    switch (target.printRange()) {
    case QPrinter::PageRange:
        m_range = 1;
        m_first = target.fromPage();
        m_last = target.toPage();
        break;
    case QPrinter::CurrentPage:
        m_range = 2;
        m_first = m_last = 0;
        break;
    default:
        m_range = 0;
        m_first = 1;
        m_last = pages;
        break;
    }
}

} // namespace wo::imaging
