#pragma once

#include <QDialog>
#include <memory>

class QFrame;
class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace wo::imaging {
class ImageViewWidget;
class ImageAdminDialog;
class DesktopOpener;
} // namespace wo::imaging

namespace wo::ui {

// The document list window: the record's documents in stored order, a preview
// pane and the document commands. Shown modally by ShowForm; loaded anew each time.
class FrmMainList : public QDialog {
    Q_OBJECT
public:
    explicit FrmMainList(QWidget* parent = nullptr);
    ~FrmMainList() override;

    // Fills the list from the table and starts the work gsState and gsOriginalID ask
    // for. Runs before the window shows; a database error propagates to the caller.
    void Form_Load();

    // Controls, named as tests and hosts find them.
    QFrame* Frame1;
    QTreeWidget* LVOrder;
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
    // The print dialog of image documents and the opener of all others; not visible.
    std::unique_ptr<imaging::ImageAdminDialog> ImgAdmin1;
    std::unique_ptr<imaging::DesktopOpener> OLE1;

    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    bool orderChanged() const { return bOrderChanged; }
    int firstSelected() const { return nFirstSelected; }
    int lastSelected() const { return nLastSelected; }

    void UpdateMoveButtons();
    void LVOrder_ItemClick(QTreeWidgetItem* item);
    void LVOrder_DblClick();
    void CmdScan_Click();
    void CmdUp_Click();
    void CmdDown_Click();
    void CmdExit_Click();
    // Shows the icon of a lower-case extension; a picture it cannot read leaves the icon empty.
    void ShowTypeIcon(const QString& type);

protected:
    void done(int result) override;

private:
    void buildLayout();
    void Form_QueryUnload();
    // Checks that a row is current and selected, then recomputes the move block.
    bool prepareMove();
    // Re-creates the row at index `from` at index `to` (before the removal), as a move does.
    void moveNeighbour(int from, int to);

    bool bOrderChanged = false;
    int nFirstSelected = 0;
    int nLastSelected = 0;
    QLabel* m_panels[3];
};

} // namespace wo::ui
