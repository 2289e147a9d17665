#pragma once

#include "imaging/ImageView.h"
#include "platform/Error.h"
#include "platform/dialogs/ScanSettings.h"
#include "wo_internal_export.h"

#include <QList>
#include <QString>

namespace wo::imaging {

// The scanner over the platform's scanner library (SANE). startScan finds the
// attached scanners, shows the settings dialog when asked to (the settings
// written before are its defaults), then reads page after page, with a progress
// window and its Cancel button, into the one TIFF named by setImageFile. The file
// appears only when at least one page was read and nothing was cancelled or
// failed; before the scan an older file of that name is removed, so afterwards
// the file exists exactly when this scan made it.
//
// No scanner: the message kNoScanner (through the dialogs in use) and no file.
// Errors are wo::Error: 31000 + the library's status for the scanner's
// (31003 busy, 31006 jammed, 31007 feeder empty at the first page, 31008 cover
// open, 31009 input/output error, 31010 out of memory, 31011 access denied,
// 31001 a page format we do not write, such as three-pass colour), 70, 75, 76
// and 61 for the file (see TiffPageWriter), 380 for a setting out of range. The
// scanner library runs in the program beside this library (ScanHelper): 31040
// when it cannot be started, 31041 when it ends without a word.
class WO_INTERNAL SaneScanner final : public Scanner {
public:
    explicit SaneScanner(QWidget* dialogParent = nullptr);

    void setShowDialog(bool on) override { m_showDialog = on; }
    void setColorMode(qint16 mode) override;
    void setImageFile(const QString& path) override { m_file = path; }
    void setResolutionCode(qint16 code) override;
    void setPageSource(qint16 source) override;
    void startScan() override;

    // The device of the last scan, the next scan's default; "" before the first.
    const QString& device() const { return m_device; }
    // The resolution of each code: code 1 is the first entry.
    static const QList<int>& resolutions();

    static const QString kNoScanner;
    enum : int { InvalidPropertyValue = err::InvalidPropertyValue };

private:
    QWidget* m_parent;
    bool m_showDialog = false;
    dialogs::ScanColor m_color = dialogs::ScanColor::Color;
    int m_resolution = 300;
    dialogs::ScanSource m_source = dialogs::ScanSource::Feeder;
    QString m_file;
    QString m_device;
};

} // namespace wo::imaging
