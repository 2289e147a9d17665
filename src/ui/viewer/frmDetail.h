#pragma once

#include "ui/viewer/ViewerCommands.h"
#include "wo_internal_export.h"

#include <QDialog>
#include <QPoint>
#include <memory>

class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QStatusBar;
class QToolBar;
class QTreeView;
class QWheelEvent;

namespace wo::imaging {
class ImageViewWidget;
class ImageAdminDialog;
class DesktopOpener;
} // namespace wo::imaging

namespace wo::ui {

class DocumentModel;
class HitLayer;
class PageStrip;
class RecordHits;
class StatusPanels;
enum class LoadState;

// The page viewer: a navigation list of the record's documents beside the pages of
// the current one, with the toolbar that zooms, fits, rotates, pages and prints.
// Shows the record's document model and reads no database but, with search on, the
// text of the pages; a document it fetches has its cached copy recorded in the model,
// which the list window shows too.
//
// The list window opens it with
//     frmDetail viewer(documents(), this);
//     viewer.SelIndex = row;   // 1-based; 0 shows nothing
//     viewer.Form_Load();
//     viewer.exec();
class WO_INTERNAL frmDetail : public QDialog, private ViewerActions {
    Q_OBJECT
public:
    // documents: the record's documents; they outlive the viewer.
    explicit frmDetail(DocumentModel& documents, QWidget* parent = nullptr);
    ~frmDetail() override;

    // 1-based position of the document to show first; 0 or less shows none.
    qint16 SelIndex = 0;

    // Shows the document SelIndex names. Reports its own failures; nothing escapes.
    void Form_Load();

    // Controls, named as tests and hosts find them.
    QTreeView* LVData;
    imaging::ImageViewWidget* ImgShow;
    QLabel* ImgTypeICO;
    QLabel* ImgBack;
    QFrame* CoolBar1;
    // One action per command, objectName = its key; data() = its image number.
    QToolBar* TlbMain;
    QStatusBar* StaBar;
    // The print dialog of image documents and the opener of documents in their own program; not visible.
    std::unique_ptr<imaging::ImageAdminDialog> ImgAdmin1;
    std::unique_ptr<imaging::DesktopOpener> OLE1;
    // Shows and hides the strip of page thumbnails (F4, and the page area's context menu).
    QAction* ActThumbnails;
    // The strip beside the page area; nullptr until first shown.
    PageStrip* pageStrip() const { return m_strip; }

    // With search on: copies the words in the area tool's selection ("复制文字" in the
    // page area's context menu; disabled on a page without text), and goes to the
    // next / previous page with hits (F3 / Shift+F3). nullptr with search off.
    QAction* ActCopyText = nullptr;
    QAction* ActNextHit = nullptr;
    QAction* ActPreviousHit = nullptr;
    // The marks over the hits on the shown page; nullptr with search off.
    HitLayer* hitLayer() const { return m_hitLayer; }

    // The term the list window's find bar holds: its hits on the shown page are marked,
    // the pages that hold it are marked in the strip and named in panel 1. An empty
    // term, or search off, leaves the viewer as it is without one. The same term again
    // searches again, finding the text of documents read since.
    void setFindText(const QString& text);
    // Shows the next (previous) page with hits, in list order across the documents;
    // past the last (first) one it starts again from the other end.
    void goToHit(bool forward);
    // Copies the words in the area tool's selection to the clipboard.
    void copySelectedText();

    // The toolbar action of a key; nullptr for an unknown key.
    QAction* button(const QString& key) const;
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    bool hasSelection() const { return bHasSelection; }
    QPoint dragPoint() const { return {nDragX, nDragY}; }

    // Shows the document of a row (0-based; none for -1), the selected one. A document
    // that cannot be shown leaves its type icon and the image commands disabled; only
    // a type icon that cannot be read throws, after that state is set.
    void LVData_ItemClick(int row);
    // The load state of the document shown; NotFetched before the first.
    LoadState shownState() const;
    // Opens the current document in the program the desktop associates with it; a
    // click on the list's blank space clears the selection, not the current row.
    void LVData_DblClick();
    // Runs the command of a key; unknown keys do nothing. Reports its own errors.
    void TlbMain_ButtonClick(const QString& key);
    void TlbMain_ButtonClick(Command command);
    // Ends selection mode and sets the commands for the shown page.
    void RefreshToolbar();
    // button and shift as ImageView signals them; x, y in widget pixels.
    void ImgShow_MouseDown(int button, int shift, double x, double y);
    void ImgShow_MouseMove(int button, int shift, double x, double y);
    void ImgShow_SelectionRectDrawn(int left, int top, int width, int height);
    // Shows the icon of a lower-case extension; throws when the configured picture is unreadable.
    void ShowTypeIcon(const QString& type);

protected:
    // Wheel and keys on the page area.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void buildToolbar();
    // The marks, actions and reading of hits when search is on and its tables are there.
    void buildSearch();
    // Marks the hits on the page shown and says which pages hold them.
    void showHits();
    // On a screen smaller than the window, narrows and lowers the page area (and the
    // list's height) so the window fits; the bars keep their height.
    void fitOnScreen();
    // Enables the toolbar's commands for what the view and the list show now.
    void setCommandStates();
    void setPageText();
    void setImage(QAction* action, int image);
    // Has the page most likely shown next prepared in the background; `step` pages
    // from the one shown before, 0 for a document newly shown.
    void prefetchAfter(int step);
    // Shows or hides the thumbnail strip; the page area gives it room at its right.
    void showThumbnails(bool on);
    // Lists the shown document's pages in the strip, or none.
    void updateStrip();
    bool wheel(QWheelEvent* event);
    bool key(QKeyEvent* event);
    // Runs a command when its button is enabled, as pressing it would.
    bool press(Command command);

    // What the commands do.
    ViewerState viewerState() const override;
    void refresh() override { RefreshToolbar(); }
    // Enters or leaves selection mode, "Init" or "Select" showing for it.
    void setSelecting(bool on) override;
    void zoomToSelection() override;
    void rotate(bool right) override;
    double zoomPercent() const override;
    void zoomBy(double points) override;
    void fit(imaging::ImageView::Fit fit) override;
    void showPage(int page) override;
    void print() override;
    void moveToDocument(int step) override;
    void toggleNavigation() override;
    void exit() override { close(); }

    // A page of the shown document is in the view.
    bool imageShown() const;

    DocumentModel& m_documents;
    std::unique_ptr<StatusPanels> m_panels;
    // 1-based position of the document last shown; 0 before the first.
    int m_document = 0;
    qint16 nDragX = 0;
    qint16 nDragY = 0;
    bool bHasSelection = false;
    // Wheel turns under one notch, kept until they add up to a zoom step.
    int m_zoomWheel = 0;
    // What fitOnScreen took from the page area.
    QSize m_shrink{0, 0};
    PageStrip* m_strip = nullptr;
    std::unique_ptr<RecordHits> m_hits;
    HitLayer* m_hitLayer = nullptr;
};

} // namespace wo::ui
