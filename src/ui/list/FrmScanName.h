#pragma once

#include "wo_internal_export.h"

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace wo::ui {

// The small dialog that asks for the display name of a scanned document. Each
// showing starts with an empty box; the answer is left in Scan_File, which lives
// as long as the component and keeps its value from one showing to the next.
// Neither button answers to Enter or Esc; closing the window through its frame
// counts as Cancel.
class WO_INTERNAL FrmScanName : public QDialog {
    Q_OBJECT
public:
    explicit FrmScanName(QWidget* parent = nullptr);

    // The typed text after OK, exactly as typed; "" after Cancel.
    static QString Scan_File;

    // Empties the box, centres the dialog on the screen and runs it modally
    // through the dialogs in use; returns when it has closed.
    void showModal();

    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1;
    QLineEdit* TxtName;
    QPushButton* CmdOK;
    QPushButton* CmdCancel;
    QFrame* Line6;
    QFrame* Line5;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
};

} // namespace wo::ui
