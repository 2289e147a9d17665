#pragma once

#include "wo_internal_export.h"

#include <QString>
#include <QStringList>
#include <array>

class QLabel;
namespace wo::imaging {
class ImageViewWidget;
class ImageAdminDialog;
} // namespace wo::imaging
class QStatusBar;
class QWidget;

// What the list window and the viewer build alike.
namespace wo::ui {

class DocumentModel;

inline const QString kReady = QStringLiteral("准备就绪");
inline const QString kDownloading = QStringLiteral("正在下载原文......");

// The three panels of a window's status bar: the status text (ready at first),
// the page text and the date. Widths in twips; panels count from 1.
class WO_INTERNAL StatusPanels {
public:
    StatusPanels(QStatusBar* bar, const std::array<int, 3>& widths, const QWidget* window);
    QString text(int panel) const;
    void setText(int panel, const QString& text);

private:
    std::array<QLabel*, 3> m_panels;
};

// While a long step runs, the wait pointer over a window and, when given, a text in
// a status panel. Both return to what they were on every way out, a thrown error
// included, so a failed step leaves neither behind.
class BusyState {
public:
    explicit BusyState(QWidget* window, StatusPanels* panels = nullptr, int panel = 1,
                       const QString& text = {});
    ~BusyState();
    BusyState(const BusyState&) = delete;
    BusyState& operator=(const BusyState&) = delete;

private:
    QWidget* m_window;
    StatusPanels* m_panels;
    int m_panel;
    QString m_before;
};

// The row's copy in the download cache, fetched for it (by the storage mode's fetch)
// when it has none, with the downloading text in panel 1 meanwhile; "" when the fetch
// failed after telling the user. The row's load state follows the fetch.
QString fetchLocalCopy(DocumentModel& documents, int row, StatusPanels& panels);

// Prints the image file shown in `view` after `admin`'s print dialog: the range
// chosen there (its range options 0 and 1), else the view's current page alone.
// Throws wo::Error 32755 when the dialog is cancelled.
void printShownImage(imaging::ImageViewWidget& view, imaging::ImageAdminDialog& admin);
// Hands a document that is not a page image to its print route; a file without
// one asks under `owner`.
void printThroughShell(const QString& file, QWidget* owner);

} // namespace wo::ui
