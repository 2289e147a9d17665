#include "ui/list/ListCommands.h"

#include "imaging/ImageView.h"
#include "imaging/ImageViewWidget.h"
#include "platform/Error.h"
#include "platform/dialogs/Dialogs.h"
#include "platform/profile/ScanFolder.h"
#include "settings/MyInit.h"
#include "store/ClsFileOperation.h"
#include "store/RecordDocuments.h"
#include "ui/common/DocumentList.h"
#include "ui/common/DocumentModel.h"
#include "ui/common/StoredList.h"
#include "ui/common/WindowParts.h"
#include "ui/list/FrmScanName.h"
#include "ui/list/ImageTypes.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace wo::ui {

namespace {

const QString kCaption = QStringLiteral("原文列表");

// Stores the scan file as a new document named name + ".TIF", its row current.
void storeScan(const ListParts& parts, const QString& folder, const QString& name) {
    const BusyState busy(parts.window, &parts.panels, 1, QStringLiteral("正在保存扫描文件，请稍等..."));
    store::ClsFileOperation operation(MyInit::record());
    if (operation.AddFileToObj(folder, kScanFile, appendTo(parts.documents, parts.list))) {
        const int added = currentRow(parts.list);
        store::renameScannedDocument(*MyInit::Connection, parts.documents.document(added).id, name);
        parts.documents.rename(added, name + QStringLiteral(".TIF"));
    }
}

} // namespace

ScanEnd scanIntoList(imaging::Scanner& scanner, const ListParts& parts) {
    parts.window->setCursor(Qt::WaitCursor);
    // Every way out leaves the arrow: the questions below show it already.
    const auto arrow = qScopeGuard([&parts] { parts.window->unsetCursor(); });
    if (const int current = currentRow(parts.list); current >= 0)
        setRowSelected(parts.list, current, false);
    const QString folder = profile::scanFolder();
    const QString scanFile = folder + u'/' + kScanFile;
    QFile old(scanFile);
    if (old.exists() && !old.remove())
        throw Error(err::PermissionDenied, old.errorString());
    // Show the scanner's dialog, colour, into the scan file, 300 dpi, from the feeder.
    scanner.setShowDialog(true);
    scanner.setColorMode(3);
    scanner.setImageFile(scanFile);
    scanner.setResolutionCode(6);
    scanner.setPageSource(1);
    scanner.startScan();
    if (!QFileInfo::exists(scanFile))
        return ScanEnd::NothingScanned;
    parts.showFile(scanFile);
    parts.window->unsetCursor();
    if (dialogs::current().messageBox(parts.window, QStringLiteral("扫描结束，是否保存该扫描文件？"),
                                      dialogs::Buttons::YesNo, dialogs::Icon::Question,
                                      kCaption) != dialogs::Answer::Yes)
        return ScanEnd::NotSaved;
    for (;;) {
        FrmScanName naming(parts.window);
        naming.showModal();
        if (const QString name = FrmScanName::Scan_File; !name.isEmpty()) {
            storeScan(parts, folder, name);
            parts.panels.setText(1, kReady);
            return ScanEnd::Stored;
        }
        if (dialogs::current().messageBox(parts.window, QStringLiteral("是否不保存该文件，并取消本次扫描？"),
                                          dialogs::Buttons::YesNo, dialogs::Icon::Question,
                                          kCaption) == dialogs::Answer::Yes)
            return ScanEnd::Discarded;
    }
}

void printSelected(const ListParts& parts, imaging::ImageViewWidget& view, imaging::ImageAdminDialog& admin) {
    for (const int row : selectedRows(parts.list)) {
        const QString path = fetchLocalCopy(parts.documents, row, parts.panels);
        if (path.isEmpty() || !QFileInfo::exists(path))
            continue;
        if (!isImageType(parts.documents.document(row).type)) {
            printThroughShell(path, parts.window);
            continue;
        }
        view.setImageFile(path);
        printShownImage(view, admin);
    }
}

} // namespace wo::ui
