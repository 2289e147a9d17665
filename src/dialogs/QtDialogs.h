#pragma once

#include "platform/dialogs/Dialogs.h"
#include "wo_internal_export.h"

namespace wo::dialogs {

// The dialogs a person answers.
class WO_INTERNAL QtDialogs final : public Dialogs {
public:
    Answer messageBox(QWidget* parent, const QString& text, Buttons buttons, Icon icon,
                      const QString& title) override;
    QString inputBox(QWidget* parent, const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QStringList openFiles(QWidget* parent, const OpenFileRequest& request) override;
    QAction* contextMenu(QMenu* menu, const QPoint& globalPos) override;
    int runModal(QDialog& dialog) override;
    bool scanSettings(QWidget* parent, ScanSettings& settings) override;
    std::unique_ptr<ScanProgress> scanProgress(QWidget* parent) override;
    std::unique_ptr<TransferProgress> transferProgress(QWidget* parent, const QString& document) override;

    // The parent a dialog is placed over: `parent` once its window is shown; before,
    // the active window, or none, which centres the dialog on the screen.
    static QWidget* shownParent(QWidget* parent);
};

} // namespace wo::dialogs
