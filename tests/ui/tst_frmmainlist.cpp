#include "ListWindowFixture.h"
#include "TestAssociation.h"
#include "TestFiles.h"
#include "TestFtp.h"
#include "TestImages.h"
#include "dialogs/ScriptedDialogs.h"
#include "imaging/ImageViewWidget.h"
#include "settings/MyInit.h"
#include "ui/common/DocumentList.h"
#include "ui/common/DocumentModel.h"
#include "ui/list/DroppedFiles.h"
#include "ui/list/FrmMainList.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <optional>

using namespace wo;
using ui::FrmMainList;
using namespace wo::test;

namespace {

// Answers every dialog as closed and notes status panel 1 at each message.
class PanelWatch final : public dialogs::Dialogs {
public:
    explicit PanelWatch(const FrmMainList& w) : m_window(w) {}
    QStringList panels, texts;
    dialogs::Answer messageBox(QWidget*, const QString& text, dialogs::Buttons, dialogs::Icon,
                               const QString&) override {
        panels << m_window.panelText(1);
        texts << text;
        return dialogs::Answer::OK;
    }
    QString inputBox(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QStringList openFiles(QWidget*, const dialogs::OpenFileRequest&) override { return {}; }
    QAction* contextMenu(QMenu*, const QPoint&) override { return nullptr; }
    int runModal(QDialog&) override { return QDialog::Rejected; }
    bool scanSettings(QWidget*, dialogs::ScanSettings&) override { return false; }
    std::unique_ptr<dialogs::ScanProgress> scanProgress(QWidget*) override { return nullptr; }

private:
    const FrmMainList& m_window;
};

// A file manager's drag of urls, as the list window receives it; true when taken as a
// copy. The drag proposes a move, as one within a disk does.
bool sendDrag(QEvent::Type type, QWidget* target, const QList<QUrl>& urls,
              Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    std::unique_ptr<QDropEvent> event;
    if (type == QEvent::DragEnter)
        event = std::make_unique<QDragEnterEvent>(at, possible, &data, Qt::LeftButton, Qt::NoModifier);
    else
        event = std::make_unique<QDropEvent>(at, possible, &data, Qt::LeftButton, Qt::NoModifier);
    if (possible.testFlag(Qt::MoveAction))
        event->setDropAction(Qt::MoveAction);
    QApplication::sendEvent(target, event.get());
    return event->isAccepted() && event->dropAction() == Qt::CopyAction;
}

QList<QUrl> localUrls(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

} // namespace

class TestFrmMainList : public QObject {
    Q_OBJECT
private slots:
    void layoutAndCaptions();
    void emptyRecord();
    void storedOrderShownAsSequence();
    void browseOnly();
    void moveButtonRule_data();
    void moveButtonRule();
    void moves_data();
    void moves();
    void moveWithoutSelectionIsRefused();
    void exitWritesOrderOnlyAfterMove();
    void failedOrderSaveRestoresStatus();
    void closeBoxWritesNothing();
    void cacheCleanupOnEveryClose();
    void originalIdOpensThatRow();
    void originalIdNamingNoRow();
    void scanStateStartsNoPreview();
    void ftpPathsShownFromRoot();

    void previewFetchesOnce();
    void previewShowsPageCount();
    void previewOfNonImageShowsTypeIcon();
    void previewOfRemovedCacheCopy();
    void previewOfMissingStoredFile();
    void openImageTypesInViewer_data();
    void openImageTypesInViewer();
    void openOtherTypesInOwnProgram();
    void openFailureIsReported();
    void previewDoubleClick();
    void listKeys_data();
    void listKeys();
    void addThreeOfWhichLastFails();
    void droppedPathsKeepOrderOrNone();
    void dropAddsInOrder_data();
    void dropAddsInOrder();
    void dropRefused();
    void addIntoEmptyList();
    void deleteAnsweredNo();
    void deleteNothingSelected();
    void deleteRows2And4();
    void deleteLastDocument();
    void deleteKeepsSharedFile();
    void rename_data();
    void rename();
    void renameCancelledOrSame_data();
    void renameCancelledOrSame();
    void contextMenu();
    void selectionModeByKeys();
    void rightClickActsOnRowUnderPointer();
    void ftpPreviewOpenDelete();
    void ftpAddShownWithoutDownload();
    void keysPreviewTheRowArrivedAt();
};

void TestFrmMainList::layoutAndCaptions() {
    Record rec({1});
    FrmMainList w;
    QCOMPARE(w.windowTitle(), QStringLiteral("原文列表"));
    QCOMPARE(w.size(), QSize(510, 315)); // 7650 x 4725 twips at 96 DPI
    QCOMPARE(w.CmdAdd->geometry(), QRect(8, 272, 73, 22));
    QCOMPARE(w.CmdExit->text(), QStringLiteral("关闭(&X)"));
    QCOMPARE(w.CmdUp->text(), QStringLiteral("向上(&U)"));
    QCOMPARE(w.CmdScan->text(), QStringLiteral("扫描添加"));
    QCOMPARE(w.CmdPrint->text(), QStringLiteral("打印原文"));
    QCOMPARE(w.CmdDel->text(), QStringLiteral("删除原文"));
    QCOMPARE(w.LVOrder->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("顺序号"));
    QCOMPARE(w.LVOrder->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("原文名称"));
    QVERIFY(w.LVOrder->isColumnHidden(2));
    QVERIFY(w.LVOrder->isColumnHidden(3));
    QCOMPARE(w.RenameFile->text(), QStringLiteral("修改原文名称"));
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
    QVERIFY(w.panelText(2).isEmpty());
    QVERIFY(!w.panelText(3).isEmpty());
    QVERIFY(!w.ImgBack->pixmap().isNull());
    QCOMPARE(w.ImgBack->pixmap().size(), QSize(48, 48));
    for (const char* name : {"LVOrder", "CmdUp", "CmdDown", "CmdAdd", "CmdScan", "CmdPrint", "CmdDel",
                             "CmdExit", "StaBar", "ImgPreview", "ImgTypeICO", "Frame1"})
        QVERIFY2(w.findChild<QWidget*>(QLatin1String(name)), name);
}

void TestFrmMainList::emptyRecord() {
    Record rec({});
    FrmMainList w;
    w.Form_Load();
    QCOMPARE(w.documents().rowCount(), 0);
    for (QPushButton* b : {w.CmdDel, w.CmdPrint, w.CmdUp, w.CmdDown})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    for (QPushButton* b : {w.CmdAdd, w.CmdScan, w.CmdExit})
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
    QVERIFY(MyInit::gsOriginalID.isEmpty());
}

void TestFrmMainList::storedOrderShownAsSequence() {
    Record rec({3, 20, 7, 7});
    FrmMainList w;
    w.Form_Load();
    QCOMPARE(column(w, 0), (QStringList{"1", "2", "3", "4"}));
    const QStringList t = tags(w);
    QCOMPARE(t.first(), QStringLiteral("a"));
    QCOMPARE(t.last(), QStringLiteral("b"));
    QCOMPARE(column(w, 1).first(), QStringLiteral("A.tif"));
    QCOMPARE(column(w, 2).first(), QStringLiteral(".TIF"));
    QCOMPARE(column(w, 3).first(), QStringLiteral("2026-12"));
    // The first row is previewed: it becomes the current document, and the buttons follow it.
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("a"));
    QVERIFY(w.CmdDel->isEnabled());
    QVERIFY(w.CmdPrint->isEnabled());
    QVERIFY(!w.CmdUp->isEnabled());
    QVERIFY(w.CmdDown->isEnabled());
}

void TestFrmMainList::browseOnly() {
    Record rec({1, 2, 3}, MyInit::FindModel);
    FrmMainList w;
    w.Form_Load();
    QCOMPARE(w.documents().rowCount(), 3);
    for (QPushButton* b : {w.CmdUp, w.CmdDown, w.CmdAdd, w.CmdScan, w.CmdDel, w.CmdPrint})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    select(w, {1});
    w.UpdateMoveButtons();
    QVERIFY(!w.CmdUp->isEnabled());
    QVERIFY(!w.CmdDown->isEnabled());
    QVERIFY(w.CmdExit->isEnabled());
}

void TestFrmMainList::moveButtonRule_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("down");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::newRow("middle") << 4 << QList<int>{2} << true << true << 3 << 3;
    QTest::newRow("top") << 4 << QList<int>{0} << false << true << 1 << 1;
    QTest::newRow("bottom") << 4 << QList<int>{3} << true << false << 4 << 4;
    QTest::newRow("all") << 4 << QList<int>{0, 1, 2, 3} << false << false << 1 << 4;
    QTest::newRow("none selected") << 4 << QList<int>{} << true << true << 5 << 0;
    QTest::newRow("single row") << 1 << QList<int>{0} << false << false << 1 << 1;
    QTest::newRow("empty") << 0 << QList<int>{} << false << false << 1 << 0;
}

void TestFrmMainList::moveButtonRule() {
    QFETCH(int, rows);
    QFETCH(QList<int>, selected);
    QList<int> orders;
    for (int i = 1; i <= rows; ++i)
        orders << i;
    Record rec(orders);
    FrmMainList w;
    w.Form_Load();
    select(w, selected);
    w.UpdateMoveButtons();
    QTEST(w.CmdUp->isEnabled(), "up");
    QTEST(w.CmdDown->isEnabled(), "down");
    QTEST(w.firstSelected(), "first");
    QTEST(w.lastSelected(), "last");
}

void TestFrmMainList::moves_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<bool>("upEnabled");
    QTest::addColumn<bool>("downEnabled");
    QTest::newRow("C up") << QList<int>{2} << true << QStringList{"a", "c", "b", "d"}
                          << QStringList{"1", "3", "2", "4"} << true << true;
    QTest::newRow("B,C down") << QList<int>{1, 2} << false << QStringList{"a", "d", "b", "c"}
                              << QStringList{"1", "4", "2", "3"} << true << false;
    QTest::newRow("B,D up with C inside") << QList<int>{1, 3} << true << QStringList{"b", "c", "d", "a"}
                                          << QStringList{"2", "3", "4", "1"} << false << true;
    QTest::newRow("top row up is not moved") << QList<int>{0} << true << QStringList{"a", "b", "c", "d"}
                                             << QStringList{"1", "2", "3", "4"} << false << true;
}

void TestFrmMainList::moves() {
    QFETCH(QList<int>, selected);
    QFETCH(bool, up);
    Record rec({1, 2, 3, 4});
    FrmMainList w;
    w.Form_Load();
    select(w, selected);
    // The moved block keeps its cached copies; only the re-created neighbour loses its copy.
    for (int i = 0; i < 4; ++i)
        w.documents().setCachePath(i, QStringLiteral("/cache/%1").arg(i));
    w.UpdateMoveButtons(); // as the preview of a clicked row does
    QTest::mouseClick(up ? w.CmdUp : w.CmdDown, Qt::LeftButton);
    QTEST(tags(w), "order");
    QTEST(column(w, 0), "numbers");
    QTEST(w.CmdUp->isEnabled(), "upEnabled");
    QTEST(w.CmdDown->isEnabled(), "downEnabled");
    QFETCH(QStringList, order);
    const bool moved = order != QStringList({"a", "b", "c", "d"});
    QCOMPARE(w.orderChanged(), moved);
    for (int i = 0; i < 4; ++i) {
        const int originalRow = order[i].at(0).unicode() - u'a';
        QCOMPARE(ui::isRowSelected(w.LVOrder, i), selected.contains(originalRow));
        const bool neighbour = moved && originalRow == (up ? selected.first() - 1 : selected.last() + 1);
        QCOMPARE(w.documents().cachePath(i).isEmpty(), neighbour);
    }
}

void TestFrmMainList::moveWithoutSelectionIsRefused() {
    Record rec({1, 2, 3});
    dialogs::ScriptedDialogsScope dialogs;
    FrmMainList w;
    w.Form_Load();
    w.LVOrder->clearSelection();
    w.CmdUp_Click();
    w.CmdDown_Click();
    QCOMPARE(tags(w), (QStringList{"a", "b", "c"}));
    QVERIFY(!w.orderChanged());
    QCOMPARE(dialogs->calls().size(), 2);
    const auto& box = dialogs->calls().first();
    QCOMPARE(box.text, QStringLiteral("请先选择一条记录！"));
    QCOMPARE(box.title, QStringLiteral("原文列表"));
    QCOMPARE(box.icon, dialogs::Icon::Information);
    QCOMPARE(box.buttons, dialogs::Buttons::OK);
}

void TestFrmMainList::exitWritesOrderOnlyAfterMove() {
    Record rec({3, 7, 7, 20});
    {
        FrmMainList w;
        w.Form_Load();
        const qint64 before = rec.db.connection().statementCount();
        QTest::mouseClick(w.CmdExit, Qt::LeftButton);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(rec.db.connection().statementCount(), before);
    }
    QCOMPARE(rec.orders().value(QStringLiteral("d")), 20);
    // The preview made its row the host's current document, which the next load would open.
    MyInit::gsOriginalID.clear();
    FrmMainList w;
    w.Form_Load();
    select(w, {3});
    w.CmdUp_Click();
    const QStringList shown = tags(w);
    QTest::mouseClick(w.CmdExit, Qt::LeftButton);
    const auto stored = rec.orders();
    for (int i = 0; i < shown.size(); ++i)
        QCOMPARE(stored.value(shown[i]), i + 1);
}

// A failed save keeps the window open with the error shown, and leaves neither the
// wait pointer nor the saving text behind.
void TestFrmMainList::failedOrderSaveRestoresStatus() {
    Record rec({1, 2, 3});
    dialogs::ScriptedDialogsScope dialogs;
    FrmMainList w;
    w.Form_Load();
    select(w, {2});
    w.CmdUp_Click();
    const QString before = w.panelText(1);
    rec.db.connection().execute(QStringLiteral("DROP TABLE Original_Text"));
    QTest::mouseClick(w.CmdExit, Qt::LeftButton);
    QVERIFY(w.result() != int(QDialog::Accepted));
    QCOMPARE(w.panelText(1), before);
    QVERIFY(w.cursor().shape() != Qt::WaitCursor);
    QCOMPARE(dialogs->calls().size(), 1);
}

void TestFrmMainList::closeBoxWritesNothing() {
    Record rec({1, 2, 3});
    FrmMainList w;
    w.Form_Load();
    w.show();
    select(w, {2});
    w.CmdUp_Click();
    QVERIFY(w.orderChanged());
    w.close();
    QCOMPARE(rec.orders(), (QMap<QString, int>{{"a", 1}, {"b", 2}, {"c", 3}}));
}

void TestFrmMainList::cacheCleanupOnEveryClose() {
    Record rec({1, 2, 3});
    test::Sandbox box;
    dialogs::ScriptedDialogsScope dialogs;
    const QString readOnly = box.writeFile(QStringLiteral("a.TIF"), "x");
    const QString plain = box.writeFile(QStringLiteral("b.TIF"), "y");
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadUser);
    FrmMainList w;
    w.Form_Load();
    w.documents().setCachePath(0, readOnly);
    w.documents().setCachePath(1, box.path(QStringLiteral("gone.TIF")));
    w.documents().setCachePath(2, plain);
    w.show();
    // Esc does not close the list; the close box does.
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QVERIFY(QFile::exists(plain));
    w.close();
    QVERIFY(!w.isVisible());
    QVERIFY(!QFile::exists(readOnly));
    QVERIFY(!QFile::exists(plain));
    QVERIFY(dialogs->calls().isEmpty());
}

void TestFrmMainList::originalIdOpensThatRow() {
    Record rec({1, 2, 3, 4, 5, 6});
    MyInit::gsOriginalID = QStringLiteral("e");
    FrmMainList w;
    // The viewer comes up on that row before the list window shows.
    QString opened;
    int viewerRow = -1;
    whenModalThenClose([&](QWidget* modal) {
        opened = modal->objectName();
        if (auto* list = modal->findChild<QTreeView*>(QStringLiteral("LVData")))
            viewerRow = ui::currentRow(list);
    });
    w.Form_Load();
    QCOMPARE(opened, QStringLiteral("frmDetail"));
    QCOMPARE(viewerRow, 4);
    QCOMPARE(ui::currentRow(w.LVOrder), 4);
    QCOMPARE(ui::selectedRows(w.LVOrder), QList<int>{4});
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("e"));
    QCOMPARE(w.firstSelected(), 5);
    QVERIFY(w.CmdUp->isEnabled());
    QVERIFY(w.CmdDown->isEnabled());
}

void TestFrmMainList::originalIdNamingNoRow() {
    Record rec({1, 2, 3});
    MyInit::gsOriginalID = QStringLiteral("A"); // tags are compared case-sensitively
    FrmMainList w;
    w.Form_Load();
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("A"));
    QVERIFY(!w.CmdUp->isEnabled());
    QVERIFY(!w.CmdDown->isEnabled());
}

void TestFrmMainList::scanStateStartsNoPreview() {
    Record rec({1, 2, 3}, MyInit::ScanState);
    MyInit::gsOriginalID = QStringLiteral("b");
    FrmMainList w;
    w.Form_Load();
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));
    QVERIFY(!w.CmdUp->isEnabled());
    QVERIFY(!w.CmdDown->isEnabled());
    QVERIFY(w.CmdDel->isEnabled());
}

void TestFrmMainList::ftpPathsShownFromRoot() {
    Record rec({});
    rec.db.insertRow(QStringLiteral("a"), QStringLiteral("a"), QStringLiteral(".TIF"), QStringLiteral("R"), 1,
                     QStringLiteral("/docs/2006-03"));
    rec.db.insertRow(QStringLiteral("b"), QStringLiteral("b"), QStringLiteral(".TIF"), QStringLiteral("R"), 2,
                     QStringLiteral("docs/2006-03"));
    rec.db.insertRow(QStringLiteral("c"), QStringLiteral("c"), QStringLiteral(".TIF"), QStringLiteral("R"), 3,
                     QVariant());
    MyInit::FtpMode = true;
    FrmMainList w;
    w.Form_Load();
    QCOMPARE(column(w, 3), (QStringList{"/docs/2006-03", "/", "/"}));
}

void TestFrmMainList::previewFetchesOnce() {
    Record rec({1, 2});
    FrmMainList w;
    w.Form_Load();
    const int second = 1;
    QVERIFY(w.documents().cachePath(second).isEmpty());
    w.LVOrder_ItemClick(second);
    const QString cached = w.documents().cachePath(second);
    QCOMPARE(test::readFile(cached), pngPage());
    QCOMPARE(w.ImgPreview->imageFile(), cached);
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));

    // The second click uses the copy: no fetch, so no status text and no need of the store.
    QVERIFY(QFile::remove(rec.stored(QStringLiteral("b.TIF"))));
    w.setPanelText(1, QStringLiteral("-"));
    w.LVOrder_ItemClick(second);
    QCOMPARE(w.panelText(1), QStringLiteral("-"));
    QCOMPARE(w.documents().cachePath(second), cached);
    QCOMPARE(w.panelText(2), QStringLiteral("共有1页"));
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestFrmMainList::previewShowsPageCount() {
    Record rec({});
    QVERIFY(QDir().mkpath(rec.stored(QString())));
    QVERIFY(test::writeTiff(rec.stored(QStringLiteral("t.TIF")), 3, QStringLiteral("lzw")));
    rec.db.insertRow(QStringLiteral("t"), QStringLiteral("三页.TIF"), QStringLiteral(".TIF"),
                     QStringLiteral("R"), 1, kMonth);
    FrmMainList w;
    w.Form_Load();
    QCOMPARE(w.panelText(2), QStringLiteral("共有3页"));
    QCOMPARE(w.ImgPreview->currentPage(), 1);
    const double fitted = w.ImgPreview->zoomPercent();
    QVERIFY(fitted != 100);
    w.ImgPreview->fitImage(imaging::ImageView::FitToWidth);
    QCOMPARE(w.ImgPreview->zoomPercent(), fitted);
    QVERIFY(w.ImgTypeICO->pixmap().isNull());
    QVERIFY(showsInk(w.ImgPreview));
}

void TestFrmMainList::previewOfNonImageShowsTypeIcon() {
    Record rec({});
    rec.add(QStringLiteral("d"), QStringLiteral("合同.doc"), QStringLiteral(".DOC"), "word processor text\n",
            1);
    FrmMainList w;
    w.setPanelText(2, QStringLiteral("共有9页"));
    w.Form_Load();
    QVERIFY(rec.dialogs->calls().isEmpty());
    QVERIFY(w.ImgPreview->imageFile().isEmpty());
    QVERIFY(!w.ImgTypeICO->pixmap().isNull());
    QVERIFY(w.panelText(2).isEmpty());
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
    QVERIFY(!w.documents().cachePath(0).isEmpty());
}

void TestFrmMainList::previewOfRemovedCacheCopy() {
    Record rec({1});
    FrmMainList w;
    w.Form_Load();
    const int item = 0;
    const QString cached = w.documents().cachePath(item);
    QVERIFY(QFile::remove(cached));
    w.LVOrder_ItemClick(item);
    QCOMPARE(rec.dialogs->calls().size(), 1);
    const auto& box = rec.dialogs->calls().first();
    QCOMPARE(box.text, QStringLiteral("原文已被移除"));
    QCOMPARE(box.title, QStringLiteral("文件未找到"));
    QCOMPARE(box.icon, dialogs::Icon::Exclamation);
    QCOMPARE(box.buttons, dialogs::Buttons::OK);
    QVERIFY(!w.ImgTypeICO->pixmap().isNull());
    QVERIFY(w.panelText(2).isEmpty());
    // Not fetched again.
    QCOMPARE(w.documents().cachePath(item), cached);
    QVERIFY(!QFile::exists(cached));
}

void TestFrmMainList::previewOfMissingStoredFile() {
    Record rec({1});
    rec.add(QStringLiteral("b"), QStringLiteral("B.tif"), QStringLiteral(".TIF"), QByteArray(), 2);
    FrmMainList w;
    auto watch = std::make_unique<PanelWatch>(w);
    PanelWatch* seen = watch.get();
    auto previous = dialogs::install(std::move(watch));
    w.Form_Load();
    QCOMPARE(w.panelText(2), QStringLiteral("共有1页"));
    w.LVOrder_ItemClick(1);
    // The watch comes back from the dialogs in use and lives to the end of the test.
    const auto watched = dialogs::install(std::move(previous));
    QCOMPARE(seen->texts.size(), 1);
    QVERIFY2(seen->texts.first().startsWith(QStringLiteral("在找不到")), qPrintable(seen->texts.first()));
    QCOMPARE(seen->panels.first(), QStringLiteral("正在下载原文......"));
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
    QCOMPARE(w.panelText(2), QStringLiteral("共有1页"));
    QVERIFY(w.documents().cachePath(1).isEmpty());
    QVERIFY(!showsInk(w.ImgPreview));
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));
}

void TestFrmMainList::openImageTypesInViewer_data() {
    QTest::addColumn<QString>("type");
    for (const char* type : {".tif", ".TIFF", ".Jpe", ".DCX", ".BMP"})
        QTest::newRow(type) << QString::fromLatin1(type);
}

void TestFrmMainList::openImageTypesInViewer() {
    QFETCH(QString, type);
    Record rec({});
    for (const QString& id : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
        rec.add(id, id + type, type, pngPage(), id.at(0).unicode() - u'a' + 1);
    FrmMainList w;
    w.Form_Load();
    select(w, {1});
    QString shown;
    int viewerRow = -1;
    whenModalThenClose([&](QWidget* modal) {
        shown = modal->objectName();
        if (auto* list = modal->findChild<QTreeView*>(QStringLiteral("LVData")))
            viewerRow = ui::currentRow(list);
    });
    w.LVOrder_DblClick();
    QCOMPARE(shown, QStringLiteral("frmDetail"));
    QCOMPARE(viewerRow, 1);
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));
    // The viewer's fetch is written back to this list.
    QVERIFY(!w.documents().cachePath(1).isEmpty());
}

void TestFrmMainList::openOtherTypesInOwnProgram() {
    Record rec({});
    test::TestAssociation association(rec.box, {QStringLiteral("image/png")});
    rec.add(QStringLiteral("p"), QStringLiteral("图.png"), QStringLiteral(".PNG"), pngPage(), 1);
    FrmMainList w;
    w.Form_Load();
    // Previewed as a picture, but opened in its own program.
    QCOMPARE(w.panelText(2), QStringLiteral("共有1页"));
    w.LVOrder_DblClick();
    QVERIFY(!QApplication::activeModalWidget());
    const QString cached = w.documents().cachePath(0);
    QTRY_COMPARE_WITH_TIMEOUT(association.recorded(), cached.toUtf8(), 20000);
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestFrmMainList::openFailureIsReported() {
    Record rec({});
    test::TestAssociation association(rec.box, {QStringLiteral("application/pdf")});
    rec.add(QStringLiteral("t"), QStringLiteral("说明.txt"), QStringLiteral(".TXT"), "plain words\n", 1);
    FrmMainList w;
    w.Form_Load();
    w.LVOrder_DblClick();
    QCOMPARE(rec.dialogs->calls().size(), 1);
    const auto& box = rec.dialogs->calls().first();
    QVERIFY2(box.text.startsWith(QStringLiteral("错误31036：")), qPrintable(box.text));
    QCOMPARE(box.title, QStringLiteral("原文列表"));
    QCOMPARE(box.icon, dialogs::Icon::Critical);
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(association.recorded().isEmpty());
}

// The keys a desktop user expects in the list: each reaches the same command, with
// the same question, box or menu, as the button, double-click or right button does.
void TestFrmMainList::listKeys_data() {
    using Kind = dialogs::ScriptedDialogs::Kind;
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("kind");
    QTest::newRow("Delete asks") << int(Qt::Key_Delete) << 0 << QString() << int(Kind::MessageBox);
    QTest::newRow("F2 renames") << int(Qt::Key_F2) << 0 << QString() << int(Kind::InputBox);
    QTest::newRow("Shift+F10 menu") << int(Qt::Key_F10) << int(Qt::ShiftModifier) << QString()
                                    << int(Kind::ContextMenu);
    QTest::newRow("Menu key") << int(Qt::Key_Menu) << 0 << QString() << int(Kind::ContextMenu);
    QTest::newRow("F2 renames in browse-only")
        << int(Qt::Key_F2) << 0 << MyInit::FindModel << int(Kind::InputBox);
    QTest::newRow("Delete not in browse-only") << int(Qt::Key_Delete) << 0 << MyInit::FindModel << -1;
}

void TestFrmMainList::listKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, state);
    QFETCH(int, kind);
    Record rec({1, 2}, state);
    FrmMainList w;
    w.Form_Load();
    rec.dialogs->clear();
    rec.dialogs->queueAnswer(dialogs::Answer::No);
    QTest::keyClick(w.LVOrder, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    const auto calls = rec.dialogs->calls();
    if (kind < 0) {
        QVERIFY(calls.isEmpty());
    } else {
        QCOMPARE(calls.size(), 1);
        QCOMPARE(int(calls.first().kind), kind);
    }
    QCOMPARE(w.documents().rowCount(), 2);
}

void TestFrmMainList::previewDoubleClick() {
    {
        Record rec({});
        FrmMainList w;
        w.Form_Load();
        QTest::mouseDClick(w.ImgPreview, Qt::LeftButton);
        QVERIFY(rec.dialogs->calls().isEmpty());
    }
    Record rec({1});
    FrmMainList w;
    w.Form_Load();
    QString shown;
    whenModalThenClose([&](QWidget* modal) { shown = modal->objectName(); });
    QTest::mouseDClick(w.ImgPreview, Qt::LeftButton);
    QCOMPARE(shown, QStringLiteral("frmDetail"));
    // The list's empty space below its rows acts on the current row too.
    shown.clear();
    whenModalThenClose([&](QWidget* modal) { shown = modal->objectName(); });
    const QPoint below(10, w.LVOrder->viewport()->height() - 4);
    QCOMPARE(ui::rowAt(w.LVOrder, below), -1);
    QTest::mouseDClick(w.LVOrder->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(shown, QStringLiteral("frmDetail")); // Enter opens the current row as a double-click does.
    shown.clear();
    whenModalThenClose([&](QWidget* modal) { shown = modal->objectName(); });
    QTest::keyClick(w.LVOrder, Qt::Key_Return);
    QCOMPARE(shown, QStringLiteral("frmDetail"));
}

void TestFrmMainList::addThreeOfWhichLastFails() {
    Record rec({});
    FrmMainList w;
    w.Form_Load();
    const QStringList files{rec.box.writeFile(QStringLiteral("src/合同.pdf"), "%PDF-1.4\n%%EOF\n"),
                            rec.box.writeFile(QStringLiteral("src/说明.txt"), "words\n"),
                            rec.box.writeFile(QStringLiteral("src/空.txt"), QByteArray())};
    rec.dialogs->queueFiles(files);
    QTest::mouseClick(w.CmdAdd, Qt::LeftButton);
    QCOMPARE(column(w, 1), (QStringList{"合同.pdf", "说明.txt"}));
    QVERIFY(!w.CmdDel->isEnabled());
    QVERIFY(!w.CmdPrint->isEnabled());
    // Each added document is in the cache as added, yet none is previewed.
    for (int i = 0; i < 2; ++i)
        QCOMPARE(test::readFile(w.documents().cachePath(i)), test::readFile(files[i]));
    QVERIFY(w.ImgPreview->imageFile().isEmpty());
    QCOMPARE(rec.dialogs->calls(dialogs::ScriptedDialogs::Kind::MessageBox).last().text,
             QStringLiteral("原文内容为空！不能添加该原文！"));
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
}

void TestFrmMainList::droppedPathsKeepOrderOrNone() {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/b/2.pdf"), QUrl::fromLocalFile("/a/1.tif"), QUrl("file:///c/目录/")});
    QCOMPARE(ui::droppedPaths(data), (QStringList{"/b/2.pdf", "/a/1.tif", "/c/目录"}));
    QVERIFY(ui::dropAllowed(data, Qt::CopyAction | Qt::MoveAction, false, false));
    QVERIFY(!ui::dropAllowed(data, Qt::MoveAction, false, false));
    QVERIFY(!ui::dropAllowed(data, Qt::CopyAction, true, false));
    QVERIFY(!ui::dropAllowed(data, Qt::CopyAction, false, true));
    // A web address among the files refuses the whole drag; so does bare text.
    data.setUrls({QUrl::fromLocalFile("/a/1.tif"), QUrl("https://example.org/1.tif")});
    QVERIFY(ui::droppedPaths(data).isEmpty());
    QMimeData text;
    text.setText("/a/1.tif");
    QVERIFY(!ui::dropAllowed(text, Qt::CopyAction, false, false));
}

void TestFrmMainList::dropAddsInOrder_data() {
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<bool>("onPreview");
    QTest::newRow("folder store, on the list") << false << false;
    QTest::newRow("folder store, on the preview") << false << true;
    QTest::newRow("FTP store, on the list") << true << false;
    QTest::newRow("FTP store, on the preview") << true << true;
}

void TestFrmMainList::dropAddsInOrder() {
    QFETCH(bool, ftp);
    QFETCH(bool, onPreview);
    Record rec({});
    std::optional<test::TestFtp> server;
    if (ftp) {
        server.emplace();
        MyInit::FtpMode = true;
        MyInit::gsOpen = static_cast<int32_t>(server->session());
        MyInit::gsConn = static_cast<int32_t>(server->connection());
        MyInit::gsPath = server->remoteFolder();
        const QString dir = server->remoteFolder() + u'/' + kMonth;
        QVERIFY(test::writeFile(server->onDisk(dir + QStringLiteral("/a.TIF")), pngPage()));
        rec.db.insertRow(QStringLiteral("a"), QStringLiteral("A.tif"), QStringLiteral(".TIF"),
                         QStringLiteral("R"), 1, dir);
    } else {
        rec.add(QStringLiteral("a"), QStringLiteral("A.tif"), QStringLiteral(".TIF"), pngPage(), 1);
    }
    const QByteArray pdf("%PDF-1.4\n%%EOF\n");
    const QStringList files{rec.box.writeFile(QStringLiteral("src/合同.pdf"), pdf),
                            rec.box.path(QStringLiteral("src/附件")),
                            rec.box.writeFile(QStringLiteral("src/报价.tif"), pngPage(3))};
    QVERIFY(QDir().mkpath(files[1]));
    FrmMainList w;
    w.Form_Load();
    w.show();
    QWidget* target = onPreview ? static_cast<QWidget*>(w.ImgPreview) : w.LVOrder->viewport();
    QVERIFY(sendDrag(QEvent::DragEnter, target, localUrls(files)));
    QVERIFY(sendDrag(QEvent::Drop, target, localUrls(files)));
    // A second drop before the first is added is refused.
    QVERIFY(!sendDrag(QEvent::DragEnter, target, localUrls(files)));
    QCOMPARE(w.documents().rowCount(), 1);
    QTRY_COMPARE(w.documents().rowCount(), 3);

    QCOMPARE(column(w, 1), (QStringList{"A.tif", "合同.pdf", "报价.tif"}));
    QCOMPARE(column(w, 0), (QStringList{"1", "2", "3"}));
    const auto messages = rec.dialogs->calls(dialogs::ScriptedDialogs::Kind::MessageBox);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].text, files[1] + QStringLiteral("是文件夹，不能添加！请添加其中的文件。"));
    // Rows and stored files as "添加原文" leaves them; the dropped files stay where they were.
    const QList<QByteArray> contents{pdf, pngPage(3)};
    for (int i = 1; i <= 2; ++i) {
        const QString id = w.documents().document(i).id;
        const auto rows = rec.db.query(
            QStringLiteral(
                "SELECT Original_Name, FileOrder, FilePath, Type FROM Original_Text WHERE ID = '%1'")
                .arg(id));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][0].toString(), cell(w, i, 1));
        QCOMPARE(rows[0][1].toInt(), i + 1);
        const QString stored = rows[0][2].toString() + u'/' + id + rows[0][3].toString();
        QCOMPARE(test::readFile(ftp ? server->onDisk(stored) : MyInit::gsPath + u'/' + stored),
                 contents[i - 1]);
    }
    QVERIFY(QFile::exists(files[0]) && QFile::exists(files[2]));
    // As after "添加原文" with several files: the added rows are selected, the last one
    // current and previewed.
    const int last = 2;
    QCOMPARE(ui::currentRow(w.LVOrder), last);
    QCOMPARE(ui::selectedRows(w.LVOrder), (QList<int>{1, last}));
    QCOMPARE(w.ImgPreview->imageFile(), w.documents().cachePath(last));
    QCOMPARE(test::readFile(w.ImgPreview->imageFile()), pngPage(3));
    QCOMPARE(w.panelText(2), QStringLiteral("共有1页"));
    QCOMPARE(MyInit::gsOriginalID, w.documents().document(last).id);
    QVERIFY(w.CmdDel->isEnabled());
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    // The window takes drags again.
    QVERIFY(sendDrag(QEvent::DragEnter, target, localUrls(files)));
}

void TestFrmMainList::dropRefused() {
    Record rec({1}, MyInit::FindModel);
    const QStringList files{rec.box.writeFile(QStringLiteral("src/合同.pdf"), "%PDF-1.4\n%%EOF\n")};
    FrmMainList w;
    w.Form_Load();
    w.show();
    // Browse-only: the pointer shows the refusal before the drop (Qt then drops nowhere).
    for (QWidget* target : {static_cast<QWidget*>(w.ImgPreview), w.LVOrder->viewport()})
        QVERIFY(!sendDrag(QEvent::DragEnter, target, localUrls(files)));
    MyInit::gsState.clear();
    QWidget* list = w.LVOrder->viewport();
    QVERIFY(!sendDrag(QEvent::DragEnter, list, localUrls(files) << QUrl("https://example.org/a.pdf")));
    QVERIFY(!sendDrag(QEvent::DragEnter, list, localUrls(files), Qt::MoveAction));
    QVERIFY(!sendDrag(QEvent::DragEnter, list, {}));
    QCoreApplication::processEvents();
    QCOMPARE(w.documents().rowCount(), 1);
    QCOMPARE(rec.db.query(QStringLiteral("SELECT ID FROM Original_Text")).size(), 1);
    QVERIFY(rec.dialogs->calls().isEmpty());
    // A store that is gone is reported as "添加原文" reports it.
    QVERIFY(QDir(MyInit::gsPath).removeRecursively());
    QVERIFY(sendDrag(QEvent::DragEnter, list, localUrls(files)));
    QVERIFY(sendDrag(QEvent::Drop, list, localUrls(files)));
    QTRY_COMPARE(rec.dialogs->calls().size(), 1);
    QCOMPARE(rec.dialogs->calls()[0].text, QStringLiteral("原文路径不存在或已被删除！"));
    QCOMPARE(w.documents().rowCount(), 1);
}

void TestFrmMainList::addIntoEmptyList() {
    Record rec({});
    FrmMainList w;
    w.Form_Load();
    rec.dialogs->queueFiles({rec.box.writeFile(QStringLiteral("src/扫描.tif"), pngPage(2))});
    QTest::mouseClick(w.CmdAdd, Qt::LeftButton);
    QCOMPARE(w.documents().rowCount(), 1);
    const int added = 0;
    QVERIFY(ui::isRowSelected(w.LVOrder, added));
    QCOMPARE(ui::currentRow(w.LVOrder), added);
    QVERIFY(w.CmdDel->isEnabled());
    QVERIFY(w.CmdPrint->isEnabled());
    QCOMPARE(w.panelText(2), QStringLiteral("共有1页"));
    QCOMPARE(test::readFile(w.documents().cachePath(added)), pngPage(2));
    QCOMPARE(MyInit::gsOriginalID, w.documents().document(added).id);

    // A second add unselects the current row first.
    rec.dialogs->queueFiles({rec.box.writeFile(QStringLiteral("src/二.tif"), pngPage(3))});
    QTest::mouseClick(w.CmdAdd, Qt::LeftButton);
    QVERIFY(!ui::isRowSelected(w.LVOrder, added));
    QCOMPARE(ui::selectedRows(w.LVOrder), QList<int>{1});
}

void TestFrmMainList::deleteAnsweredNo() {
    Record rec({1, 2, 3});
    FrmMainList w;
    w.Form_Load();
    select(w, {1});
    rec.dialogs->queueAnswer(dialogs::Answer::No);
    QTest::mouseClick(w.CmdDel, Qt::LeftButton);
    QCOMPARE(tags(w), (QStringList{"a", "b", "c"}));
    QVERIFY(QFile::exists(rec.stored(QStringLiteral("b.TIF"))));
    QCOMPARE(rec.db.query(QStringLiteral("SELECT ID FROM Original_Text")).size(), 3);
    // The current row is previewed again.
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));
    QCOMPARE(w.panelText(2), QStringLiteral("共有1页"));
}

void TestFrmMainList::deleteNothingSelected() {
    Record rec({1, 2, 3});
    FrmMainList w;
    w.Form_Load();
    w.LVOrder->clearSelection();
    rec.dialogs->queueAnswer(dialogs::Answer::Yes);
    QTest::mouseClick(w.CmdDel, Qt::LeftButton);
    QCOMPARE(tags(w), (QStringList{"a", "b", "c"}));
    QCOMPARE(ui::selectedRows(w.LVOrder), QList<int>{0});
    QVERIFY(w.CmdDel->isEnabled());
}

void TestFrmMainList::deleteRows2And4() {
    Record rec({1, 2, 3, 4, 5});
    FrmMainList w;
    w.Form_Load();
    select(w, {1, 3});
    rec.dialogs->queueAnswer(dialogs::Answer::Yes);
    QTest::mouseClick(w.CmdDel, Qt::LeftButton);
    QCOMPARE(tags(w), (QStringList{"a", "c", "e"}));
    QCOMPARE(ui::selectedRows(w.LVOrder), QList<int>{0});
    for (const char* id : {"a", "c", "e"})
        QVERIFY(QFile::exists(rec.stored(QLatin1String(id) + QStringLiteral(".TIF"))));
    for (const char* id : {"b", "d"})
        QVERIFY(!QFile::exists(rec.stored(QLatin1String(id) + QStringLiteral(".TIF"))));
    QCOMPARE(rec.db.query(QStringLiteral("SELECT ID FROM Original_Text")).size(), 3);
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("a"));
}

void TestFrmMainList::deleteLastDocument() {
    Record rec({1});
    FrmMainList w;
    w.Form_Load();
    QVERIFY(showsInk(w.ImgPreview));
    rec.dialogs->queueAnswer(dialogs::Answer::Yes);
    QTest::mouseClick(w.CmdDel, Qt::LeftButton);
    QCOMPARE(w.documents().rowCount(), 0);
    for (QPushButton* b : {w.CmdDel, w.CmdPrint, w.CmdUp, w.CmdDown})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QVERIFY(!showsInk(w.ImgPreview));
    QVERIFY(w.ImgTypeICO->pixmap().isNull());
    QVERIFY(w.panelText(2).isEmpty());
    QVERIFY(!QFile::exists(rec.stored(QStringLiteral("a.TIF"))));
}

void TestFrmMainList::deleteKeepsSharedFile() {
    Record rec({1, 2});
    rec.add(QStringLiteral("a"), QStringLiteral("A.tif"), QStringLiteral(".TIF"), QByteArray(), 1,
            QStringLiteral("OTHER"));
    FrmMainList w;
    w.Form_Load();
    select(w, {0});
    rec.dialogs->queueAnswer(dialogs::Answer::Yes);
    QTest::mouseClick(w.CmdDel, Qt::LeftButton);
    QCOMPARE(tags(w), QStringList{"b"});
    QVERIFY(QFile::exists(rec.stored(QStringLiteral("a.TIF"))));
    QCOMPARE(nameOf(rec.db, QStringLiteral("a")), QString());
    QCOMPARE(nameOf(rec.db, QStringLiteral("a"), QStringLiteral("OTHER")), QStringLiteral("A.tif"));
}

void TestFrmMainList::rename_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("state");
    QTest::newRow("plain") << "新名称.tif" << QString();
    QTest::newRow("leading blank kept") << " 前导空格" << QString();
    QTest::newRow("quotes stored as typed") << "O'Brien's '; DELETE FROM Original_Text; --" << QString();
    QTest::newRow("browse-only") << "只读也可改名" << MyInit::FindModel;
}

void TestFrmMainList::rename() {
    QFETCH(QString, name);
    QFETCH(QString, state);
    Record rec({1, 2}, state);
    rec.add(QStringLiteral("b"), QStringLiteral("B.tif"), QStringLiteral(".TIF"), QByteArray(), 1,
            QStringLiteral("OTHER"));
    FrmMainList w;
    w.Form_Load();
    select(w, {1});
    rec.dialogs->queueInput(name);
    w.RenameFile_Click();
    QCOMPARE(cell(w, 1, 1), name);
    QCOMPARE(nameOf(rec.db, QStringLiteral("b")), name);
    QCOMPARE(nameOf(rec.db, QStringLiteral("a")), QStringLiteral("A.tif"));
    // Documents are renamed by ID: the same document in another record is the same document.
    QCOMPARE(nameOf(rec.db, QStringLiteral("b"), QStringLiteral("OTHER")), name);
    QCOMPARE(rec.db.query(QStringLiteral("SELECT ID FROM Original_Text")).size(), 3);
    QVERIFY(!w.orderChanged());
}

void TestFrmMainList::renameCancelledOrSame_data() {
    QTest::addColumn<QString>("answer");
    QTest::newRow("cancelled") << QString();
    QTest::newRow("same name") << "B.tif";
}

void TestFrmMainList::renameCancelledOrSame() {
    QFETCH(QString, answer);
    Record rec({1, 2});
    FrmMainList w;
    w.Form_Load();
    select(w, {1});
    rec.dialogs->queueInput(answer);
    const qint64 before = rec.db.connection().statementCount();
    w.RenameFile_Click();
    QCOMPARE(rec.db.connection().statementCount(), before);
    QCOMPARE(cell(w, 1, 1), QStringLiteral("B.tif"));
    const auto input = rec.dialogs->calls(dialogs::ScriptedDialogs::Kind::InputBox);
    QCOMPARE(input.size(), 1);
    QCOMPARE(input.first().text, QStringLiteral("修改文件名"));
    QCOMPARE(input.first().title, QStringLiteral("请输入新的文件名称："));
    QCOMPARE(input.first().defaultText, QStringLiteral("B.tif"));
}

void TestFrmMainList::contextMenu() {
    Record rec({1, 2});
    FrmMainList w;
    w.Form_Load();
    w.show();
    QWidget* viewport = w.LVOrder->viewport();
    const QPoint below(10, viewport->height() - 5);
    ui::setCurrentRow(w.LVOrder, -1);
    QTest::mouseClick(viewport, Qt::RightButton, {}, below);
    QVERIFY(rec.dialogs->calls(dialogs::ScriptedDialogs::Kind::ContextMenu).isEmpty());

    select(w, {1});
    rec.dialogs->queueMenuChoice(QStringLiteral("RenameFile"));
    rec.dialogs->queueInput(QStringLiteral("右键改名"));
    QTest::mouseClick(viewport, Qt::RightButton, Qt::ShiftModifier, below);
    const auto menus = rec.dialogs->calls(dialogs::ScriptedDialogs::Kind::ContextMenu);
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus.first().menuItems, QStringList{"修改原文名称"});
    QCOMPARE(nameOf(rec.db, QStringLiteral("b")), QStringLiteral("右键改名"));
}

void TestFrmMainList::selectionModeByKeys() {
    Record rec({1, 2, 3, 4});
    FrmMainList w;
    w.Form_Load();
    w.show();
    const auto at = [&](int row) { return rowCentre(w, row); };
    QWidget* viewport = w.LVOrder->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at(0));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, at(2));
    QCOMPARE(w.LVOrder->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(ui::selectedRows(w.LVOrder).size(), 3);
    // Ctrl inside the range: that row alone, shown.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, at(1));
    QCOMPARE(w.LVOrder->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(ui::selectedRows(w.LVOrder), QList<int>{1});
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));
    // A plain click keeps the mode; Shift brings multiple selection back.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at(1));
    QCOMPARE(w.LVOrder->selectionMode(), QAbstractItemView::SingleSelection);
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, at(3));
    QCOMPARE(w.LVOrder->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(ui::selectedRows(w.LVOrder).size(), 3);
    // Delete after a Ctrl-click in the range removes the row clicked.
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, at(2));
    rec.dialogs->queueAnswer(dialogs::Answer::Yes);
    QTest::keyClick(w.LVOrder, Qt::Key_Delete);
    QCOMPARE(tags(w), (QStringList{"a", "b", "d"}));
}

// The row under the pointer becomes current and is previewed before the menu opens;
// the rename offers and renames it. Over a row of a multiple selection, that stays.
void TestFrmMainList::rightClickActsOnRowUnderPointer() {
    Record rec({1, 2, 3});
    FrmMainList w;
    w.Form_Load();
    w.show();
    const auto at = [&](int i) { return rowCentre(w, i); };
    select(w, {0});
    rec.dialogs->queueMenuChoice(QStringLiteral("RenameFile"));
    rec.dialogs->queueInput(QStringLiteral("右键改名"));
    QTest::mouseClick(w.LVOrder->viewport(), Qt::RightButton, {}, at(1));
    QCOMPARE(ui::currentRow(w.LVOrder), 1);
    QCOMPARE(ui::selectedRows(w.LVOrder), QList<int>{1});
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));
    QCOMPARE(w.ImgPreview->imageFile(), w.documents().cachePath(1));
    QCOMPARE(rec.dialogs->calls(dialogs::ScriptedDialogs::Kind::InputBox).first().defaultText,
             QStringLiteral("B.tif"));
    QCOMPARE(nameOf(rec.db, QStringLiteral("b")), QStringLiteral("右键改名"));
    QCOMPARE(nameOf(rec.db, QStringLiteral("a")), QStringLiteral("A.tif"));

    select(w, {0, 1, 2});
    QTest::mouseClick(w.LVOrder->viewport(), Qt::RightButton, {}, at(2));
    QCOMPARE(ui::currentRow(w.LVOrder), 2);
    QCOMPARE(ui::selectedRows(w.LVOrder).size(), 3);
}

void TestFrmMainList::ftpPreviewOpenDelete() {
    Record rec({});
    test::TestFtp ftp;
    test::TestAssociation association(rec.box, {QStringLiteral("application/pdf")});
    MyInit::FtpMode = true;
    MyInit::gsOpen = static_cast<int32_t>(ftp.session());
    MyInit::gsConn = static_cast<int32_t>(ftp.connection());
    MyInit::gsPath = ftp.remoteFolder();
    const QString dir = ftp.remoteFolder() + u'/' + kMonth;
    const QByteArray pdf("%PDF-1.4\n%%EOF\n");
    QVERIFY(test::writeFile(ftp.onDisk(dir + QStringLiteral("/a.TIF")), pngPage()));
    QVERIFY(test::writeFile(ftp.onDisk(dir + QStringLiteral("/p.PDF")), pdf));
    QVERIFY(test::writeFile(ftp.onDisk(dir + QStringLiteral("/s.TIF")), pngPage(2)));
    rec.db.insertRow(QStringLiteral("a"), QStringLiteral("A.tif"), QStringLiteral(".TIF"),
                     QStringLiteral("R"), 1, dir);
    rec.db.insertRow(QStringLiteral("p"), QStringLiteral("合同.pdf"), QStringLiteral(".PDF"),
                     QStringLiteral("R"), 2, dir);
    rec.db.insertRow(QStringLiteral("s"), QStringLiteral("S.tif"), QStringLiteral(".TIF"),
                     QStringLiteral("R"), 3, dir);
    rec.db.insertRow(QStringLiteral("s"), QStringLiteral("S.tif"), QStringLiteral(".TIF"),
                     QStringLiteral("OTHER"), 1, dir);
    FrmMainList w;
    w.Form_Load();
    QCOMPARE(w.panelText(2), QStringLiteral("共有1页"));
    QCOMPARE(test::readFile(w.documents().cachePath(0)), pngPage());

    select(w, {1});
    w.LVOrder_DblClick();
    const QString cachedPdf = w.documents().cachePath(1);
    QCOMPARE(test::readFile(cachedPdf), pdf);
    QTRY_COMPARE_WITH_TIMEOUT(association.recorded(), cachedPdf.toUtf8(), 20000);

    select(w, {0, 2});
    rec.dialogs->queueAnswer(dialogs::Answer::Yes);
    QTest::mouseClick(w.CmdDel, Qt::LeftButton);
    QCOMPARE(tags(w), QStringList{"p"});
    QVERIFY(!QFile::exists(ftp.onDisk(dir + QStringLiteral("/a.TIF"))));
    QVERIFY(QFile::exists(ftp.onDisk(dir + QStringLiteral("/s.TIF"))));
    QVERIFY(rec.dialogs->calls(dialogs::ScriptedDialogs::Kind::MessageBox).size() == 1);
}

// The preview after an add shows the added bytes from the cache: the server's log has
// the upload and no download.
void TestFrmMainList::ftpAddShownWithoutDownload() {
    Record rec({});
    test::TestFtp ftp;
    MyInit::FtpMode = true;
    MyInit::gsOpen = static_cast<int32_t>(ftp.session());
    MyInit::gsConn = static_cast<int32_t>(ftp.connection());
    MyInit::gsPath = ftp.remoteFolder();
    FrmMainList w;
    w.Form_Load();
    rec.dialogs->queueFiles({rec.box.writeFile(QStringLiteral("src/扫描.tif"), pngPage(2))});
    QTest::mouseClick(w.CmdAdd, Qt::LeftButton);
    QCOMPARE(w.documents().rowCount(), 1);
    QCOMPARE(w.panelText(2), QStringLiteral("共有1页"));
    const QString stored = w.documents().document(0).id + QStringLiteral(".TIF");
    QCOMPARE(test::readFile(w.documents().cachePath(0)), pngPage(2));

    const QList<QByteArray> log =
        test::readFile(qEnvironmentVariable("WO_TEST_FTP_DIR") + QStringLiteral("/log")).split('\n');
    const auto mentions = [&](const char* verb) {
        return std::count_if(log.begin(), log.end(), [&](const QByteArray& line) {
            return line.contains(QByteArray(" ") + verb + ' ') && line.contains(stored.toUtf8());
        });
    };
    QVERIFY(mentions("STOR") == 1);
    QVERIFY(mentions("RETR") == 0);
}

void TestFrmMainList::keysPreviewTheRowArrivedAt() {
    Record rec({1, 2, 3});
    FrmMainList w;
    w.Form_Load();
    w.show();
    w.LVOrder->setFocus();
    QTest::keyClick(w.LVOrder, Qt::Key_Down);
    QCOMPARE(ui::currentRow(w.LVOrder), 1);
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));
    QCOMPARE(w.ImgPreview->imageFile(), w.documents().cachePath(1));
    QTest::keyClick(w.LVOrder, Qt::Key_End);
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("c"));
    // A key that goes nowhere previews nothing again.
    w.setPanelText(2, QStringLiteral("-"));
    QTest::keyClick(w.LVOrder, Qt::Key_Down);
    QCOMPARE(w.panelText(2), QStringLiteral("-"));
    QVERIFY(rec.dialogs->calls().isEmpty());
}

QTEST_MAIN(TestFrmMainList)
#include "tst_frmmainlist.moc"
