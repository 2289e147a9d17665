#pragma once

#include "wo_internal_export.h"

#include <QDialog>
#include <functional>
#include <memory>

class QFrame;
class QKeyEvent;
class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QStatusBar;
class QTreeView;

namespace wo::imaging {
class ImageViewWidget;
class ImageAdminDialog;
class DesktopOpener;
class Scanner;
} // namespace wo::imaging

namespace wo {
class Error;
}

namespace wo::store {
class ClsFileOperation;
}

namespace wo::ui {

class DocumentModel;
class FindBar;
class RecordSearch;
class TextMatches;
struct ListParts;
class StatusPanels;
enum class MoveDirection;

// The document list window: the record's documents in stored order, a preview
// pane and the document commands. Shown modally by ShowForm; loaded anew each time.
class WO_INTERNAL FrmMainList : public QDialog {
    Q_OBJECT
public:
    explicit FrmMainList(QWidget* parent = nullptr);
    ~FrmMainList() override;

    // Fills the list from the table and starts the work gsState and gsOriginalID ask
    // for. Runs before the window shows; a database error propagates to the caller.
    void Form_Load();

    // Controls, named as tests and hosts find them.
    QFrame* Frame1;
    QTreeView* LVOrder;
    imaging::ImageViewWidget* ImgPreview;
    QLabel* ImgTypeICO;
    QLabel* ImgBack;
    QPushButton* CmdUp;
    QPushButton* CmdDown;
    QPushButton* CmdAdd;
    QPushButton* CmdScan;
    QPushButton* CmdPrint;
    QPushButton* CmdDel;
    QPushButton* CmdExit;
    QStatusBar* StaBar;
    QMenu* PopMenu;
    QAction* RenameFile;
    // The scanner, the print dialog of image documents and the opener of all others; not visible.
    std::unique_ptr<imaging::Scanner> ScanOCX;
    std::unique_ptr<imaging::ImageAdminDialog> ImgAdmin1;
    std::unique_ptr<imaging::DesktopOpener> OLE1;

    // The name of the scan file in the per-user scan folder.
    static const QString kScanFile;

    // The record's documents, shown by LVOrder and handed to the viewer.
    DocumentModel& documents() const { return *m_documents; }

    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    // The find bar; none until Ctrl+F first opened it (with search on).
    FindBar* findBar() const { return m_findBar; }
    // The documents the open find bar matched; none while it is closed.
    const TextMatches& matches() const { return *m_matches; }

    bool orderChanged() const { return bOrderChanged; }
    int firstSelected() const { return nFirstSelected; }
    int lastSelected() const { return nLastSelected; }

    void UpdateMoveButtons();
    // Previews a row (0-based; none for -1): page 1 fitted to width, or the type icon
    // when it is not an image.
    void LVOrder_ItemClick(int row);
    // Opens the current row: images in the viewer, other documents in their own program.
    void LVOrder_DblClick();
    void ImgPreview_DblClick();
    // button: left 1, right 2; shift: Shift 1, Ctrl 2, Alt 4, summed; x, y in the
    // list's viewport. The right button first makes the row there current and previews it.
    void LVOrder_MouseDown(int button, int shift, int x, int y);
    void CmdAdd_Click();
    // Adds files dropped on the list or the preview, in the drop's order, as CmdAdd
    // adds picked ones.
    void FilesDropped(const QStringList& paths);
    void CmdDel_Click();
    void RenameFile_Click();
    // Scans pages into the scan file, shows them, and stores them under a typed name.
    void CmdScan_Click();
    // Prints the selected rows in list order: images through the print dialog, others
    // through their print route.
    void CmdPrint_Click();
    void CmdUp_Click();
    void CmdDown_Click();
    void CmdExit_Click();
    // Shows the icon of a lower-case extension; a picture it cannot read leaves the icon empty.
    void ShowTypeIcon(const QString& type);

protected:
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The adding of CmdAdd and of a drop: add runs with the list; the last added row
    // is previewed.
    void addDocuments(const std::function<bool(store::ClsFileOperation&)>& add);
    // Drags over the list and the preview: a refused one shows the no-drop pointer.
    bool dragEvent(QEvent* event);
    // Previews the current item after a scan, or empties the preview when the list is empty.
    void previewCurrentItem();
    // The list's keys: Enter opens the current row, Delete deletes (when allowed), F2
    // renames, Shift+F10 and the menu key open the context menu. True when handled.
    bool listKey(const QKeyEvent& key);
    void buildLayout();
    // Ctrl+F: with search on, opens the find bar below the list, which gives up that
    // room; with search off, nothing happens.
    void openFindBar();
    // Esc in the bar: the list gets its room and every row back.
    void closeFindBar();
    // Whether the find bar is open; the order cannot change then, as a move would pass rows not shown.
    bool finding() const;
    // Shows only the rows whose document holds the term (all for a blank one), marks
    // them, and keeps the current row among them.
    void showMatches(const QString& term);
    // Makes the first row shown current (and alone selected) when the current one is
    // hidden; when none is shown, none is current and nothing is previewed. True when
    // the current row changed.
    bool keepCurrentShown();
    // Makes the next (or previous) matching row current and previews it, as a click does.
    void previewMatch(bool forward);
    // Makes a row current and alone selected, in view, and previews it.
    void goToRow(int row);
    // While rows are hidden, commands act only on the rows shown: none hidden stays selected.
    void dropHiddenSelection();
    void Form_QueryUnload();
    void previewFailed(int row, const Error& error);
    // What the scan and print commands work with.
    ListParts parts();
    // Checks that a row is current and selected, then recomputes the move block.
    bool prepareMove();
    // Re-creates the row at index `from` at index `to` (before the removal), as a move does.
    void moveNeighbour(int from, int to);
    // Moves the block of selected rows one place.
    void moveSelection(MoveDirection direction);
    // CmdUp and CmdDown for the block nFirstSelected..nLastSelected.
    void setMoveButtons();

    bool bOrderChanged = false;
    int nFirstSelected = 0;
    int nLastSelected = 0;
    bool m_adding = false;
    DocumentModel* m_documents;
    FindBar* m_findBar = nullptr;
    std::unique_ptr<RecordSearch> m_search;
    std::unique_ptr<TextMatches> m_matches;
    std::unique_ptr<StatusPanels> m_panels;
};

} // namespace wo::ui
