#pragma once

#include <QDialog>
#include <QPoint>
#include <memory>

class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QStatusBar;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWheelEvent;

namespace wo::imaging {
class ImageViewWidget;
class ImageAdminDialog;
class DesktopOpener;
} // namespace wo::imaging

namespace wo::ui {

class StatusPanels;

// The page viewer: a navigation list of the record's documents beside the pages of
// the current one, with the toolbar that zooms, fits, rotates, pages and prints.
// Works on a copy of the list window's items and reads no database; a document it
// fetches has its cached path written back to the list window's item.
//
// The list window opens it with
//     frmDetail viewer(LVOrder, this);
//     viewer.SelIndex = row;   // 1-based; 0 shows nothing
//     viewer.Form_Load();
//     viewer.exec();
class frmDetail : public QDialog {
    Q_OBJECT
public:
    // ownerList: the list window's list, read at load and given the paths fetched here.
    explicit frmDetail(QTreeWidget* ownerList, QWidget* parent = nullptr);
    ~frmDetail() override;

    // 1-based position of the document to show first; 0 or less shows none.
    qint16 SelIndex = 0;

    // Copies the owner's items and shows the document SelIndex names. Reports its
    // own failures; nothing escapes.
    void Form_Load();

    // Controls, named as tests and hosts find them.
    QTreeWidget* LVData;
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

    // The toolbar action of a key; nullptr for an unknown key.
    QAction* button(const QString& key) const;
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    bool hasSelection() const { return bHasSelection; }
    QPoint dragPoint() const { return {nDragX, nDragY}; }

    // Shows the item (the selected one). A document that cannot be shown leaves its
    // type icon and the image commands disabled; only a type icon that cannot be
    // read throws, after that state is set.
    void LVData_ItemClick(QTreeWidgetItem* item);
    // Opens the current document in the program the desktop associates with it; a
    // click on the list's blank space clears the selection, not the current row.
    void LVData_DblClick();
    // Runs the command of a key; unknown keys do nothing. Reports its own errors.
    void TlbMain_ButtonClick(const QString& key);
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
    // On a screen smaller than the window, narrows and lowers the page area (and the
    // list's height) so the window fits; the bars keep their height.
    void fitOnScreen();
    void command(const QString& key);
    // The item's cached copy; fetched first (and handed to the owner's item) when it has none.
    QString localCopy(QTreeWidgetItem* item);
    // Enables the toolbar's commands for what the view and the list show now.
    void setCommandStates();
    // Enters or leaves selection mode, "Init" or "Select" showing for it.
    void setSelecting(bool on);
    void setPageText();
    void setImage(QAction* action, int image);
    void showPage(int page);
    // Has the page most likely shown next prepared in the background; `step` pages
    // from the one shown before, 0 for a document newly shown.
    void prefetchAfter(int step);
    void zoomBy(double points);
    void moveToDocument(int step);
    void toggleNavigation();
    void print();
    bool wheel(QWheelEvent* event);
    bool key(QKeyEvent* event);
    // Runs the command of a key when its button is enabled, as pressing it would.
    bool press(const QString& key);

    QTreeWidget* m_owner;
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
};

} // namespace wo::ui
