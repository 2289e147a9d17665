// The list window's find bar over the text of the record's documents, read for real
// (text files and a PDF's text layer) by the background reading.
#include "ListWindowFixture.h"
#include "TextPages.h"
#include "dialogs/ScriptedDialogs.h"
#include "imaging/ImageViewWidget.h"
#include "settings/MyInit.h"
#include "text/TextService.h"
#include "text/TextTable.h"
#include "ui/common/DocumentList.h"
#include "ui/common/DocumentModel.h"
#include "ui/common/TextMatches.h"
#include "ui/list/FindBar.h"
#include "ui/list/FrmMainList.h"
#include "ui/viewer/frmDetail.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTreeView>

using namespace wo;
using ui::FrmMainList;
using ui::TextMatches;
using namespace wo::test;

namespace {

const QString kLanguages = QStringLiteral("chi_sim");

// Every widget's place, by object name: what "the layout is as before" compares.
QMap<QString, QRect> layoutOf(const FrmMainList& w) {
    QMap<QString, QRect> places;
    for (const QWidget* child : w.findChildren<QWidget*>())
        if (!child->objectName().isEmpty() && child->isVisibleTo(&w))
            places.insert(child->objectName(), child->geometry());
    places.insert(QStringLiteral("window"), w.geometry());
    return places;
}

// The IDs of the rows the list shows.
QStringList shownIds(const FrmMainList& w) {
    QStringList ids;
    for (int row = 0; row < w.documents().rowCount(); ++row)
        if (!w.LVOrder->isRowHidden(row, {}))
            ids << w.documents().document(row).id;
    return ids;
}

QStringList markedIds(const FrmMainList& w) {
    QStringList ids;
    for (int row = 0; row < w.documents().rowCount(); ++row)
        if (w.documents().index(row, 0).data(TextMatches::MatchRole).toBool())
            ids << w.documents().document(row).id;
    return ids;
}

// Turns search on for the record and reads its documents' text, as ShowForm does.
bool readRecord(Record& rec) {
    MyInit::gsTextSearch = kLanguages;
    return text::TextService::instance().start(rec.record, {true, kLanguages}) &&
           QTest::qWaitFor([] { return text::TextService::instance().idle(); }, 60000);
}

// Typed as Chinese is typed: the input method commits the text.
void typeTerm(ui::FindBar& bar, const QString& term) {
    bar.field()->clear();
    QInputMethodEvent commit;
    commit.setCommitString(term);
    QApplication::sendEvent(bar.field(), &commit);
}

} // namespace

class TestFindBar : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void step_data();
    void step();
    void ctrlFWithoutSearchChangesNothing_data();
    void ctrlFWithoutSearchChangesNothing();
    void findFiltersMarksStepsAndCloses();
    void documentReadWhileOpenIsFound();
    void viewerOpenedWhileFindingMarksTheTerm();
};

void TestFindBar::cleanup() {
    text::TextService::instance().stop();
    MyInit::gsTextSearch.clear();
}

void TestFindBar::step_data() {
    QTest::addColumn<QStringList>("matching");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("expected");
    const QStringList bd{"b", "d"};
    QTest::newRow("next after a match") << bd << 1 << true << 3;
    QTest::newRow("next goes round the end") << bd << 3 << true << 1;
    QTest::newRow("previous goes round the top") << bd << 1 << false << 3;
    QTest::newRow("from a row not matching") << bd << 2 << false << 1;
    QTest::newRow("from none, forward: first") << bd << -1 << true << 1;
    QTest::newRow("from none, backward: last") << bd << -1 << false << 3;
    QTest::newRow("the only match stays") << QStringList{"c"} << 2 << true << 2;
    QTest::newRow("nothing matches") << QStringList{} << 0 << true << -1;
}

void TestFindBar::step() {
    QFETCH(QStringList, matching);
    QFETCH(int, from);
    QFETCH(bool, forward);
    QFETCH(int, expected);
    QList<text::Hit> hits;
    for (const QString& id : matching)
        hits.append({QStringLiteral("R"), id, id, 1, {}});
    QCOMPARE(TextMatches(QStringLiteral("x"), hits).step({"a", "b", "c", "d"}, from, forward), expected);
}

// With search off, or its tables missing, Ctrl+F leaves the window exactly as it was.
void TestFindBar::ctrlFWithoutSearchChangesNothing_data() {
    QTest::addColumn<QString>("languages");
    QTest::newRow("search off") << QString();
    QTest::newRow("no text tables") << kLanguages;
}

void TestFindBar::ctrlFWithoutSearchChangesNothing() {
    QFETCH(QString, languages);
    Record rec({1, 2});
    MyInit::gsTextSearch = languages;
    FrmMainList w;
    w.Form_Load();
    const auto before = layoutOf(w);
    QTest::keyClick(w.LVOrder, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!w.findBar());
    QCOMPARE(layoutOf(w), before);
    QCOMPARE(shownIds(w), (QStringList{"a", "b"}));
    QVERIFY(rec.boxes().isEmpty());
}

void TestFindBar::findFiltersMarksStepsAndCloses() {
    Record rec({});
    rec.add(QStringLiteral("a"), QStringLiteral("会议纪要.txt"), QStringLiteral(".TXT"),
            QStringLiteral("会议纪要 第三季度").toUtf8(), 1);
    rec.add(QStringLiteral("b"), QStringLiteral("发票.txt"), QStringLiteral(".TXT"),
            QStringLiteral("发票号码 20261208\n金额 壹仟贰佰元").toUtf8(), 2);
    rec.add(QStringLiteral("c"), QStringLiteral("合同.pdf"), QStringLiteral(".PDF"), QByteArray(), 3);
    QVERIFY(
        writeTextPdf(rec.stored(QStringLiteral("c.PDF")), {"合同编号 HT-7731", "附发票 20261208"}, false));
    rec.add(QStringLiteral("d"), QStringLiteral("报价单.txt"), QStringLiteral(".TXT"),
            QStringLiteral("报价单 HT-7731").toUtf8(), 4);
    QVERIFY(readRecord(rec));

    FrmMainList w;
    w.Form_Load();
    const auto before = layoutOf(w);
    QTest::keyClick(w.LVOrder, Qt::Key_F, Qt::ControlModifier);
    ui::FindBar* bar = w.findBar();
    QVERIFY(bar && !bar->isHidden());
    // The bar takes its room from the list; the window and everything else stay put.
    QCOMPARE(w.geometry(), before.value(QStringLiteral("window")));
    QCOMPARE(w.LVOrder->geometry().top(), before.value(QStringLiteral("LVOrder")).top());
    QVERIFY(w.LVOrder->geometry().bottom() < bar->geometry().top());
    QCOMPARE(bar->geometry().bottom(), before.value(QStringLiteral("LVOrder")).bottom());
    QCOMPARE(w.ImgPreview->geometry(), before.value(QStringLiteral("ImgPreview")));

    // Typed as a user does, full-width digits and all; the first match is previewed.
    typeTerm(*bar, QStringLiteral("２０２６１２０８"));
    QTRY_COMPARE(bar->countText(), QStringLiteral("共 2 个文档符合"));
    QCOMPARE(shownIds(w), (QStringList{"b", "c"}));
    QCOMPARE(markedIds(w), (QStringList{"b", "c"}));
    QCOMPARE(w.matches().pages(QStringLiteral("c")), QList<int>{1});
    QCOMPARE(ui::currentRow(w.LVOrder), 1);
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));
    // A move would pass rows not shown: the order cannot change while filtered.
    QVERIFY(!w.CmdUp->isEnabled() && !w.CmdDown->isEnabled());

    // Enter previews the next match, round the end; Shift+Enter the previous.
    for (const auto& [modifiers, id] : {std::pair{Qt::NoModifier, "c"}, std::pair{Qt::NoModifier, "b"},
                                        std::pair{Qt::ShiftModifier, "c"}}) {
        QTest::keyClick(bar->field(), Qt::Key_Return, modifiers);
        QCOMPARE(MyInit::gsOriginalID, QLatin1String(id));
        QCOMPARE(ui::selectedRows(w.LVOrder), QList<int>{ui::currentRow(w.LVOrder)});
    }

    // A select-all while filtered takes only the rows shown, so a delete or print
    // never reaches a hidden document.
    w.LVOrder->selectAll();
    QCOMPARE(ui::selectedRows(w.LVOrder), (QList<int>{1, 2}));

    // A two-character term; and one that nothing holds leaves no row for a command.
    typeTerm(*bar, QStringLiteral("会议"));
    QTRY_COMPARE(shownIds(w), QStringList{"a"});
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("a"));
    typeTerm(*bar, QStringLiteral("不存在的文字"));
    QTRY_COMPARE(bar->countText(), QStringLiteral("没有找到"));
    QVERIFY(shownIds(w).isEmpty());
    QCOMPARE(ui::currentRow(w.LVOrder), -1);
    QVERIFY(ui::selectedRows(w.LVOrder).isEmpty());

    QVERIFY(rec.boxes().isEmpty());

    // A delete takes the current match only, and what becomes current is a row shown.
    typeTerm(*bar, QStringLiteral("HT-7731"));
    QTRY_COMPARE(shownIds(w), (QStringList{"c", "d"}));
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("c"));
    rec.dialogs->queueAnswer(dialogs::Answer::Yes);
    QTest::keyClick(w.LVOrder, Qt::Key_Delete);
    QCOMPARE(rec.orders().keys(), (QStringList{"a", "b", "d"}));
    QCOMPARE(shownIds(w), QStringList{"d"});
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("d"));
    QCOMPARE(ui::selectedRows(w.LVOrder), QList<int>{2});

    // Esc gives back the full list, unmarked, and the layout as it was.
    QTest::keyClick(bar->field(), Qt::Key_Escape);
    QVERIFY(bar->isHidden());
    QCOMPARE(layoutOf(w), before);
    QCOMPARE(shownIds(w), (QStringList{"a", "b", "d"}));
    QVERIFY(markedIds(w).isEmpty());
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("d"));
    QVERIFY(w.CmdUp->isEnabled() && !w.CmdDown->isEnabled());
}

// A document read while the bar is open is found without typing again; the news
// reaches the window on its own thread.
void TestFindBar::documentReadWhileOpenIsFound() {
    Record rec({});
    rec.add(QStringLiteral("a"), QStringLiteral("报价单.txt"), QStringLiteral(".TXT"),
            QStringLiteral("报价单").toUtf8(), 1);
    QVERIFY(readRecord(rec));
    FrmMainList w;
    w.Form_Load();
    QTest::keyClick(w.LVOrder, Qt::Key_F, Qt::ControlModifier);
    ui::FindBar* bar = w.findBar();
    QVERIFY(bar);
    typeTerm(*bar, QStringLiteral("发票"));
    QTRY_COMPARE(bar->countText(), QStringLiteral("没有找到"));

    int told = 0;
    bool toldOnThisThread = true;
    connect(&text::TextService::instance().events(), &text::TextEvents::documentRead, &w, [&] {
        ++told;
        toldOnThisThread = toldOnThisThread && QThread::currentThread() == w.thread();
    });
    w.FilesDropped({rec.box.writeFile(QStringLiteral("in/发票.txt"), "发票号码 20261208")});
    QCOMPARE(w.documents().rowCount(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(bar->countText(), QStringLiteral("共 1 个文档符合"), 60000);
    QVERIFY(told >= 1);
    QVERIFY(toldOnThisThread);
    QCOMPARE(markedIds(w), QStringList{w.documents().document(1).id});
}

// A picture opened from a filtered list shows the bar's term on its pages.
void TestFindBar::viewerOpenedWhileFindingMarksTheTerm() {
    Record rec({});
    rec.add(QStringLiteral("a"), QStringLiteral("发票.tif"), QStringLiteral(".TIF"), pngPage(), 1);
    QVERIFY(readRecord(rec));
    text::PageText page;
    page.words = {{QRect(1000, 1000, 3000, 500), QStringLiteral("发票号码"), 0}};
    text::TextTable(*MyInit::Connection).store(QStringLiteral("a"), {page});
    FrmMainList w;
    w.Form_Load();
    QTest::keyClick(w.LVOrder, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(w.findBar());
    typeTerm(*w.findBar(), QStringLiteral("发票"));
    QTRY_COMPARE(w.findBar()->countText(), QStringLiteral("共 1 个文档符合"));
    QString status;
    whenModalThenClose([&](QWidget* modal) {
        if (auto* viewer = qobject_cast<ui::frmDetail*>(modal))
            status = viewer->panelText(1);
    });
    w.LVOrder_DblClick();
    QCOMPARE(status, QStringLiteral("“发票”在第1页"));
}

QTEST_MAIN(TestFindBar)
#include "tst_findbar.moc"
