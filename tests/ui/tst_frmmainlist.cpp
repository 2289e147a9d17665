#include "Sandbox.h"
#include "TestDatabase.h"
#include "entry/MyInit.h"
#include "platform/dialogs/ScriptedDialogs.h"
#include "ui/common/ListItem.h"
#include "ui/list/FrmMainList.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

using namespace wo;
using ui::FrmMainList;

namespace {

// A record "R" whose documents have the given stored orders; IDs a, b, c, ...
struct Record {
    test::TestDatabase db;
    explicit Record(const QList<int>& orders, const QString& state = QString()) {
        db.createDocumentTable();
        for (int i = 0; i < orders.size(); ++i) {
            const QString id(QChar(u'a' + i));
            db.insertRow(id, id.toUpper() + QStringLiteral(".tif"), QStringLiteral(".TIF"),
                         QStringLiteral("R"), orders[i], QStringLiteral("2026-12"));
        }
        MyInit::reset();
        MyInit::Connection = db.connectionPtr();
        MyInit::gsRecordID = QStringLiteral("R");
        MyInit::gsPath = QStringLiteral("/store");
        MyInit::gsState = state;
    }
    ~Record() { MyInit::reset(); }
    // ID -> FileOrder as stored now.
    QMap<QString, int> orders() {
        QMap<QString, int> m;
        for (const auto& row : db.query(QStringLiteral("SELECT ID, FileOrder FROM Original_Text")))
            m[row[0].toString()] = row[1].toInt();
        return m;
    }
};

QStringList column(const FrmMainList& w, int col) {
    QStringList out;
    for (int i = 0; i < w.LVOrder->topLevelItemCount(); ++i)
        out << w.LVOrder->topLevelItem(i)->text(col);
    return out;
}

QStringList tags(const FrmMainList& w) {
    QStringList out;
    for (int i = 0; i < w.LVOrder->topLevelItemCount(); ++i)
        out << ui::ListItem::tag(w.LVOrder->topLevelItem(i));
    return out;
}

void select(FrmMainList& w, const QList<int>& rows) {
    w.LVOrder->clearSelection();
    if (!rows.isEmpty())
        w.LVOrder->setCurrentItem(w.LVOrder->topLevelItem(rows.first()), 0, QItemSelectionModel::NoUpdate);
    for (int r : rows)
        w.LVOrder->topLevelItem(r)->setSelected(true);
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
    void closeBoxWritesNothing();
    void cacheCleanupOnEveryClose();
    void originalIdOpensThatRow();
    void originalIdNamingNoRow();
    void scanStateStartsNoPreview();
    void ftpPathsShownFromRoot();
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
    QCOMPARE(w.LVOrder->headerItem()->text(0), QStringLiteral("顺序号"));
    QCOMPARE(w.LVOrder->headerItem()->text(1), QStringLiteral("原文名称"));
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
    QCOMPARE(w.LVOrder->topLevelItemCount(), 0);
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
    QCOMPARE(w.LVOrder->topLevelItemCount(), 3);
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
        ui::ListItem::setCachePath(w.LVOrder->topLevelItem(i), QStringLiteral("/cache/%1").arg(i));
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
        QTreeWidgetItem* item = w.LVOrder->topLevelItem(i);
        const int originalRow = order[i].at(0).unicode() - u'a';
        QCOMPARE(item->isSelected(), selected.contains(originalRow));
        const bool neighbour = moved && originalRow == (up ? selected.first() - 1 : selected.last() + 1);
        QCOMPARE(ui::ListItem::cachePath(item).isEmpty(), neighbour);
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
    ui::ListItem::setCachePath(w.LVOrder->topLevelItem(0), readOnly);
    ui::ListItem::setCachePath(w.LVOrder->topLevelItem(1), box.path(QStringLiteral("gone.TIF")));
    ui::ListItem::setCachePath(w.LVOrder->topLevelItem(2), plain);
    w.show();
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    QVERIFY(!QFile::exists(readOnly));
    QVERIFY(!QFile::exists(plain));
    QVERIFY(dialogs->calls().isEmpty());
}

void TestFrmMainList::originalIdOpensThatRow() {
    Record rec({1, 2, 3, 4, 5, 6});
    MyInit::gsOriginalID = QStringLiteral("e");
    FrmMainList w;
    w.Form_Load();
    QCOMPARE(w.LVOrder->currentItem(), w.LVOrder->topLevelItem(4));
    QCOMPARE(w.LVOrder->selectedItems(), QList<QTreeWidgetItem*>{w.LVOrder->topLevelItem(4)});
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

QTEST_MAIN(TestFrmMainList)
#include "tst_frmmainlist.moc"
