#pragma once

#include "wo_internal_export.h"

#include <QWidget>

namespace wo::imaging {

// The codes mouse handlers take: buttons left 1, right 2, middle 4; keys Shift 1,
// Ctrl 2, Alt 4; each summed.
int mouseButtonCode(Qt::MouseButtons buttons);
int mouseShiftCode(Qt::KeyboardModifiers modifiers);

// The image view the windows drive: the list window's preview pane and the
// viewer's page area. Pages count from 1; zoom is in percent.
class WO_INTERNAL ImageView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Full path of the file shown; "" empties the view.
    virtual QString imageFile() const = 0;
    virtual void setImageFile(const QString& path) = 0;
    // Takes effect at the next showImage().
    virtual int currentPage() const = 0;
    virtual void setCurrentPage(int page) = 0;
    virtual int pageCount() const = 0;
    virtual double zoomPercent() const = 0;
    virtual void setZoomPercent(double percent) = 0;
    // While on, a left-button drag draws a selection rectangle instead of panning.
    virtual bool selectionMode() const = 0;
    virtual void setSelectionMode(bool on) = 0;

    // Renders the current page; throws wo::Error 321 when the file is not an image it reads.
    virtual void showImage() = 0;
    virtual void clearImage() = 0;
    enum Fit : qint16 { BestFit = 0, FitToWidth = 1, ActualSize = 3 };
    virtual void fitImage(qint16 mode) = 0;
    virtual void rotateViewLeft() = 0;
    virtual void rotateViewRight() = 0;
    enum ScrollDirection : qint16 { Vertical = 0, Horizontal = 2 };
    virtual void scrollImage(qint16 direction, qint32 amount) = 0;
    virtual void zoomToSelection() = 0;
    // All four 0 removes the selection rectangle.
    virtual void setSelectionRect(qint32 left, qint32 top, qint32 width, qint32 height) = 0;
    virtual void printPages(qint16 firstPage, qint16 lastPage, qint32 outputFormat) = 0;

signals:
    // button: left 1, right 2, middle 4; shift: Shift 1, Ctrl 2, Alt 4, summed.
    void mouseDown(int button, int shift, int x, int y);
    void mouseMove(int button, int shift, int x, int y);
    void doubleClicked();
    void selectionRectDrawn(int left, int top, int width, int height);
};

// Prepares a print of an image file: the print dialog and the range chosen in it.
class ImageAdmin {
public:
    virtual ~ImageAdmin() = default;
    virtual void setImageFile(const QString& path) = 0;
    // Throws wo::Error 32755 when the user cancels.
    virtual void showPrintDialog() = 0;
    // 0 and 1: print PrintFirstPage..PrintLastPage; any other value: the current page.
    virtual int printRange() const = 0;
    virtual int printFirstPage() const = 0;
    virtual int printLastPage() const = 0;
    virtual int printFormat() const = 0;
};

// Scans paper pages into one multi-page TIFF. The settings are written in this
// order before each scan: showDialog, colorMode, imageFile, resolutionCode,
// pageSource; startScan returns when scanning has ended, and the file exists
// afterwards only when pages were scanned into it (none when cancelled). A
// value outside those given below throws wo::Error 380.
class Scanner {
public:
    virtual ~Scanner() = default;
    // On: the settings dialog opens first, on the written settings as its defaults,
    // and its Cancel ends the scan. Off: the scan starts at once.
    virtual void setShowDialog(bool on) = 0;
    // 1 black and white (lineart), 2 grey, 3 colour.
    virtual void setColorMode(qint16 mode) = 0;
    virtual void setImageFile(const QString& path) = 0;
    // Dots per inch by code: 1 = 50, 2 = 75, 3 = 100, 4 = 150, 5 = 200, 6 = 300,
    // 7 = 400, 8 = 600, 9 = 1200; the device takes the nearest it offers.
    virtual void setResolutionCode(qint16 code) = 0;
    // 0 flatbed (one page), 1 document feeder (every page until it is empty; one
    // page on a device without a feeder).
    virtual void setPageSource(qint16 source) = 0;
    virtual void startScan() = 0;
};

// Opens a non-image document in the program the desktop associates with it, in
// that program's own window, and returns without waiting for it.
class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    // Throws wo::Error when no program is associated, the file is missing or the start fails.
    virtual void openInOwnApplication(const QString& path) = 0;
};

} // namespace wo::imaging
