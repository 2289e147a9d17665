#pragma once

#include "imaging/ImageView.h"
#include "wo_internal_export.h"

#include <QPrinter>
#include <memory>

class QPrintDialog;

namespace wo::imaging {

// ImageAdmin over the platform's print dialog. The printer it configures is the
// one to hand to ImageViewWidget::setPrinter for the print itself. The printer is
// made at the first print, not with the dialog: making one asks the print system
// for its printers, which a window that prints nothing should not wait for.
class WO_INTERNAL ImageAdminDialog : public ImageAdmin {
public:
    explicit ImageAdminDialog(QWidget* dialogParent = nullptr);

    void setImageFile(const QString& path) override { m_file = path; }
    void showPrintDialog() override;
    int printRange() const override { return m_range; }
    int printFirstPage() const override { return m_first; }
    int printLastPage() const override { return m_last; }
    int printFormat() const override { return 0; }

    QPrinter& printer();
    // Whether the printer has been made.
    bool hasPrinter() const { return m_printer != nullptr; }

protected:
    // Runs the dialog and returns its QDialog::DialogCode; tests answer in its place.
    virtual int execDialog(QPrintDialog& dialog);

private:
    QWidget* m_parent;
    std::unique_ptr<QPrinter> m_printer;
    QString m_file;
    int m_range = 0;
    int m_first = 0;
    int m_last = 0;
};

} // namespace wo::imaging
