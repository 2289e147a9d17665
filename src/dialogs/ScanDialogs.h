#pragma once

#include "platform/dialogs/ScanSettings.h"
#include "wo_internal_export.h"

#include <QDialog>

class QComboBox;
class QSpinBox;
class QProgressBar;
class QProgressDialog;

namespace wo::dialogs {

// The scanner's settings dialog a person answers: device, colour mode,
// resolution, page source and how many sheets to take from the feeder, opened on
// the scanner's defaults.
class WO_INTERNAL ScanSettingsDialog final : public QDialog {
    Q_OBJECT
public:
    ScanSettingsDialog(QWidget* parent, const ScanSettings& defaults);
    // The defaults with the user's choices in place.
    ScanSettings chosen() const;

    QComboBox* CboDevice;
    QComboBox* CboColor;
    QComboBox* CboResolution;
    QComboBox* CboSource;
    QSpinBox* SpnPages;

private:
    ScanSettings m_settings;
};

// The progress window a person sees while pages are read.
class ScanProgressWindow final : public ScanProgress {
public:
    explicit ScanProgressWindow(QWidget* parent);
    ~ScanProgressWindow() override;
    void update(int page, int lines, int total) override;

private:
    std::unique_ptr<QProgressDialog> m_window;
    QProgressBar* m_bar; // owned by m_window
};

} // namespace wo::dialogs
