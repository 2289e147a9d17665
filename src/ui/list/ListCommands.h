#pragma once

#include "wo_internal_export.h"

#include <QString>
#include <functional>

class QAbstractItemView;
class QWidget;

namespace wo::imaging {
class ImageAdminDialog;
class ImageViewWidget;
class Scanner;
} // namespace wo::imaging

// The list window's scan and print commands, apart from the window: they work on the
// record's documents, the list's selection, the status panels and what the window
// shows through the parts given here.
namespace wo::ui {

class DocumentModel;
class StatusPanels;

// The parts of the list window a command works with.
struct ListParts {
    QWidget* window;
    DocumentModel& documents;
    QAbstractItemView* list;
    StatusPanels& panels;
    // Shows a file that is not a document yet (the scan) in the preview, with its page count.
    std::function<void(const QString& file)> showFile;
};

// How a scan ended.
enum class ScanEnd { NothingScanned, NotSaved, Discarded, Stored };

// The name of the scan file in the per-user scan folder.
inline const QString kScanFile = QStringLiteral("00000001.TIF");

// "扫描添加": scans pages with the scanner's dialog into the scan file and shows them;
// asked, stores them as a new document under a typed name + ".TIF", its row current.
// Throws what the scan folder, the scanner or the store raise.
WO_INTERNAL ScanEnd scanIntoList(imaging::Scanner& scanner, const ListParts& parts);

// "打印原文": prints the selected rows in list order, each fetched first: page images
// through `admin`'s print dialog (shown in `view` to print), others through their
// print route. Throws when a print dialog is cancelled or a print fails.
void printSelected(const ListParts& parts, imaging::ImageViewWidget& view, imaging::ImageAdminDialog& admin);

} // namespace wo::ui
