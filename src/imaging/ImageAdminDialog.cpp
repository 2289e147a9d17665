#include "imaging/ImageAdminDialog.h"

#include "dialogs/QtTexts.h"
#include "imaging/PageDocument.h"
#include "platform/Error.h"

#include <QPrintDialog>

namespace wo::imaging {

ImageAdminDialog::ImageAdminDialog(QWidget* dialogParent)
    : m_parent(dialogParent), m_printer(QPrinter::HighResolution) {}

int ImageAdminDialog::execDialog(QPrintDialog& dialog) {
    return dialog.exec();
}

void ImageAdminDialog::showPrintDialog() {
    const int pages = PageDocument(m_file).pageCount();
    m_printer.setPrintRange(QPrinter::AllPages);
    m_printer.setFromTo(1, pages);
    // Qt's dialog takes its texts as it is made.
    const dialogs::QtChineseTexts chinese;
    QPrintDialog dialog(&m_printer, m_parent);
    dialog.setMinMax(1, pages);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    if (execDialog(dialog) != QDialog::Accepted)
        throw err::make(err::PrintDialogCancelled);
    switch (m_printer.printRange()) {
    case QPrinter::PageRange:
        m_range = 1;
        m_first = m_printer.fromPage();
        m_last = m_printer.toPage();
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
