#include "ListWindowFixture.h"
#include "PrintAnswers.h"
#include "SaneTestDevice.h"
#include "TestFiles.h"
#include "TestFtp.h"
#include "TestImages.h"
#include "imaging/ImageViewWidget.h"
#include "imaging/PageDocument.h"
#include "imaging/SaneScanner.h"
#include "settings/MyInit.h"
#include "ui/common/DocumentList.h"
#include "ui/common/DocumentModel.h"
#include "ui/common/WindowParts.h"
#include "ui/list/FrmScanName.h"
#include "ui/list/ListCommands.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeView>

using namespace wo;
using namespace wo::test;
using dialogs::Answer;
using dialogs::ScanColor;
using Kind = dialogs::ScriptedDialogs::Kind;
using ui::FrmMainList;

namespace {

const QString kSaveQuestion = QStringLiteral("扫描结束，是否保存该扫描文件？");
const QString kDiscardQuestion = QStringLiteral("是否不保存该文件，并取消本次扫描？");
// Three sheets from the test device's feeder; lineart keeps the pages small.
constexpr int FeederPages = 3;
const SaneTestDevice::Options kGrid{{"test-picture", "\"Grid\""}};

QString scanFile() {
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/wendra-original/scan/00000001.TIF");
}

void queueScanAndName(Record& rec, const QString& name) {
    rec.dialogs->queueScanSettings({.color = ScanColor::Lineart, .pages = FeederPages});
    rec.dialogs->queueAnswer(Answer::Yes);
    rec.dialogs->queueWindow({{{QStringLiteral("TxtName"), name}}, QStringLiteral("CmdOK")});
}

QStringList messages(const Record& rec) {
    QStringList out;
    for (const auto& call : rec.dialogs->calls(Kind::MessageBox))
        out << call.text;
    return out;
}

} // namespace

class TestListScanPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void scanStoredAndPreviewed();
    void scanCancelledLeavesNothing();
    void scanNotSaved();
    void emptyNameAsksAgain_data();
    void emptyNameAsksAgain();
    void emptyNameDiscarded();
    void scanStateStartScansOnly();
    void scanStoredOnFtp();
    void printWithoutCurrentRow();
    void printWithNothingSelected();
    void printInListOrder();
    void printCancelEndsSilently();
    void printCurrentPageIsPageOne();
    void printPassesOverRemovedCopy();

private:
    std::optional<SaneTestDevice> m_device;
};

void TestListScanPrint::initTestCase() {
    m_device.emplace(kGrid);
}

void TestListScanPrint::scanStoredAndPreviewed() {
    Record rec({});
    FrmMainList w;
    w.Form_Load();
    queueScanAndName(rec, QStringLiteral("合同"));
    QTest::mouseClick(w.CmdScan, Qt::LeftButton);

    QCOMPARE(messages(rec), QStringList{kSaveQuestion});
    QCOMPARE(rec.dialogs->unansweredCount(), 0);
    // The scanner's dialog opened on colour, 300 dpi, from the feeder.
    const dialogs::ScanSettings defaults = rec.dialogs->calls(Kind::ScanSettings).first().scan;
    QCOMPARE(defaults.color, ScanColor::Color);
    QCOMPARE(defaults.resolution, 300);
    QCOMPARE(defaults.source, dialogs::ScanSource::Feeder);
    QCOMPARE(w.documents().rowCount(), 1);
    const int added = 0;
    const QString id = w.documents().document(added).id;
    QCOMPARE(cell(w, added, ui::DocumentModel::Name), QStringLiteral("合同.TIF"));
    QCOMPARE(cell(w, added, ui::DocumentModel::Type), QStringLiteral(".TIF"));
    QCOMPARE(nameOf(rec.db, id), QStringLiteral("合同.TIF"));
    // Stored under its identifier, with every page of the batch.
    const QString month = cell(w, added, ui::DocumentModel::Path);
    const QString stored = MyInit::gsPath + u'/' + month + u'/' + id + QStringLiteral(".TIF");
    QCOMPARE(imaging::PageDocument(stored).pageCount(), FeederPages);
    // Previewed from the store, through the download cache.
    const QString cached = w.documents().cachePath(added);
    QVERIFY(cached.startsWith(qEnvironmentVariable("XDG_CACHE_HOME")));
    QCOMPARE(readFile(cached), readFile(stored));
    QCOMPARE(w.ImgPreview->imageFile(), cached);
    QCOMPARE(w.panelText(2), QStringLiteral("共有%1页").arg(FeederPages));
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
    QVERIFY(w.CmdDel->isEnabled());
    QVERIFY(w.CmdPrint->isEnabled());
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    // The scan file stays in the user's own folder until the next scan.
    QVERIFY(QFile::exists(scanFile()));
    QCOMPARE(QFile::permissions(QFileInfo(scanFile()).absolutePath()) & 0x0077, QFile::Permissions());
}

void TestListScanPrint::scanCancelledLeavesNothing() {
    Record rec({1});
    FrmMainList w;
    w.Form_Load();
    // A file left by an earlier scan goes first.
    QVERIFY(writeFile(scanFile(), "old scan"));
    const QString shown = w.ImgPreview->imageFile();
    rec.dialogs->queueScanSettings({.accept = false});
    w.CmdScan_Click();
    QVERIFY(!QFile::exists(scanFile()));
    QVERIFY(messages(rec).isEmpty());
    QCOMPARE(w.ImgPreview->imageFile(), shown);
    QCOMPARE(w.documents().rowCount(), 1);
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
}

void TestListScanPrint::scanNotSaved() {
    Record rec({1, 2});
    FrmMainList w;
    w.Form_Load();
    rec.dialogs->queueScanSettings({.color = ScanColor::Lineart});
    rec.dialogs->queueAnswer(Answer::No);
    w.CmdScan_Click();
    QCOMPARE(messages(rec), QStringList{kSaveQuestion});
    const auto question = rec.dialogs->calls(Kind::MessageBox).first();
    QCOMPARE(question.title, QStringLiteral("原文列表"));
    QCOMPARE(question.icon, dialogs::Icon::Question);
    QCOMPARE(question.buttons, dialogs::Buttons::YesNo);
    QCOMPARE(tags(w), (QStringList{"a", "b"}));
    QCOMPARE(rec.db.query(QStringLiteral("SELECT ID FROM Original_Text")).size(), 2);
    // The preview keeps showing the unsaved scan with its page count; the row that was
    // current is no longer selected.
    QCOMPARE(w.ImgPreview->imageFile(), scanFile());
    QCOMPARE(w.panelText(2), QStringLiteral("共有%1页").arg(imaging::PageDocument(scanFile()).pageCount()));
    QVERIFY(ui::selectedRows(w.LVOrder).isEmpty());
    QVERIFY(rec.dialogs->calls(Kind::Window).isEmpty());
}

void TestListScanPrint::emptyNameAsksAgain_data() {
    QTest::addColumn<QString>("click");
    QTest::newRow("OK on an empty box") << "CmdOK";
    QTest::newRow("Cancel") << "CmdCancel";
    QTest::newRow("closed through the frame") << "";
}

void TestListScanPrint::emptyNameAsksAgain() {
    QFETCH(QString, click);
    Record rec({});
    FrmMainList w;
    w.Form_Load();
    rec.dialogs->queueScanSettings({.color = ScanColor::Lineart});
    rec.dialogs->queueAnswer(Answer::Yes);
    rec.dialogs->queueWindow({{}, click});
    rec.dialogs->queueAnswer(Answer::No);
    rec.dialogs->queueWindow(
        {{{QStringLiteral("TxtName"), QStringLiteral(" 发票 ")}}, QStringLiteral("CmdOK")});
    w.CmdScan_Click();
    QCOMPARE(messages(rec), (QStringList{kSaveQuestion, kDiscardQuestion}));
    QCOMPARE(rec.dialogs->calls(Kind::Window).size(), 2);
    QCOMPARE(rec.dialogs->unansweredCount(), 0);
    // The name is taken as typed, blanks and all.
    QCOMPARE(column(w, ui::DocumentModel::Name), QStringList{" 发票 .TIF"});
    QCOMPARE(nameOf(rec.db, tags(w).first()), QStringLiteral(" 发票 .TIF"));
}

void TestListScanPrint::emptyNameDiscarded() {
    for (const bool withRows : {false, true}) {
        Record rec(withRows ? QList<int>{1, 2} : QList<int>{});
        FrmMainList w;
        w.Form_Load();
        if (withRows)
            select(w, {1});
        rec.dialogs->queueScanSettings({.color = ScanColor::Lineart});
        rec.dialogs->queueAnswer(Answer::Yes);
        rec.dialogs->queueWindow({{}, QStringLiteral("CmdCancel")});
        rec.dialogs->queueAnswer(Answer::Yes);
        w.CmdScan_Click();
        QCOMPARE(messages(rec), (QStringList{kSaveQuestion, kDiscardQuestion}));
        QCOMPARE(w.documents().rowCount(), withRows ? 2 : 0);
        if (withRows) {
            // The current row is previewed again.
            QCOMPARE(MyInit::gsOriginalID, QStringLiteral("b"));
            QCOMPARE(w.ImgPreview->imageFile(), w.documents().cachePath(1));
        } else {
            QVERIFY(w.ImgPreview->imageFile().isEmpty());
        }
    }
}

void TestListScanPrint::scanStateStartScansOnly() {
    Record rec({1, 2}, MyInit::ScanState);
    MyInit::gsOriginalID = QStringLiteral("b");
    FrmMainList w;
    queueScanAndName(rec, QStringLiteral("开工扫描"));
    w.Form_Load();
    QCOMPARE(rec.dialogs->calls(Kind::ScanSettings).size(), 1);
    QCOMPARE(column(w, ui::DocumentModel::Name), (QStringList{"A.tif", "B.tif", "开工扫描.TIF"}));
    // Neither the viewer nor a preview of row b: only the stored scan is previewed.
    QVERIFY(w.documents().cachePath(1).isEmpty());
    QCOMPARE(MyInit::gsOriginalID, w.documents().document(2).id);
}

// The scan command works on a record's documents and a list without the list window.
void TestListScanPrint::scanStoredOnFtp() {
    Record rec({});
    TestFtp ftp;
    MyInit::FtpMode = true;
    MyInit::gsOpen = static_cast<int32_t>(ftp.session());
    MyInit::gsConn = static_cast<int32_t>(ftp.connection());
    MyInit::gsPath = ftp.remoteFolder();
    QWidget window;
    ui::DocumentModel documents;
    QTreeView list(&window);
    ui::setUpDocumentList(&list, &documents, {"1", "2", "3", "4"}, 720, 4000, &window);
    QStatusBar bar(&window);
    ui::StatusPanels panels(&bar, {1440, 1440, 1440}, &window);
    QStringList shown;
    const ui::ListParts parts{&window, documents, &list, panels, [&](const QString& file) { shown << file; }};
    imaging::SaneScanner scanner(&window);
    queueScanAndName(rec, QStringLiteral("远程"));
    QCOMPARE(ui::scanIntoList(scanner, parts), ui::ScanEnd::Stored);
    QCOMPARE(shown, QStringList{scanFile()});
    QCOMPARE(documents.rowCount(), 1);
    QCOMPARE(ui::currentRow(&list), 0);
    QCOMPARE(ui::selectedRows(&list), QList<int>{0});
    const ui::DocumentModel::Document added = documents.document(0);
    QCOMPARE(added.name, QStringLiteral("远程.TIF"));
    QCOMPARE(nameOf(rec.db, added.id), QStringLiteral("远程.TIF"));
    const QString remote = added.path + u'/' + added.id + QStringLiteral(".TIF");
    QVERIFY2(remote.startsWith(ftp.remoteFolder() + u'/'), qPrintable(remote));
    QCOMPARE(readFile(ftp.onDisk(remote)), readFile(scanFile()));
    QCOMPARE(panels.text(1), ui::kReady);
    QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
}

void TestListScanPrint::printWithoutCurrentRow() {
    Record rec({1});
    FrmMainList w;
    w.Form_Load();
    ui::setCurrentRow(w.LVOrder, -1);
    QTest::mouseClick(w.CmdPrint, Qt::LeftButton);
    QCOMPARE(rec.dialogs->calls().size(), 1);
    const auto box = rec.dialogs->calls().first();
    QCOMPARE(box.text, QStringLiteral("请选择要打印的文件！"));
    QCOMPARE(box.title, QStringLiteral("原文打印"));
    QCOMPARE(box.icon, dialogs::Icon::Information);
}

void TestListScanPrint::printWithNothingSelected() {
    Record rec({1});
    FrmMainList w;
    w.Form_Load();
    w.LVOrder->clearSelection();
    int dialogs = 0;
    w.ImgAdmin1 =
        std::make_unique<AnsweringAdmin>(&w, [&](QPrinter&) { return ++dialogs, int(QDialog::Rejected); });
    w.CmdPrint_Click();
    QCOMPARE(dialogs, 0);
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestListScanPrint::printInListOrder() {
    Record rec({});
    QVERIFY(QDir().mkpath(rec.stored(QString())));
    QVERIFY(writeTiff(rec.stored(QStringLiteral("a.TIF")), 3, QStringLiteral("lzw")));
    rec.db.insertRow(QStringLiteral("a"), QStringLiteral("A.tif"), QStringLiteral(".TIF"),
                     QStringLiteral("R"), 1, kMonth);
    rec.add(QStringLiteral("d"), QStringLiteral("合同.doc"), QStringLiteral(".DOC"), officeLike(), 2);
    QVERIFY(writeTiff(rec.stored(QStringLiteral("c.tif")), 5, QStringLiteral("g4")));
    rec.db.insertRow(QStringLiteral("c"), QStringLiteral("C.tif"), QStringLiteral(".tif"),
                     QStringLiteral("R"), 3, kMonth);
    FrmMainList w;
    w.Form_Load();
    select(w, {0, 1, 2});
    // Each print dialog notes how many prompts came before it.
    QList<int> promptsBefore;
    QStringList pdfs{rec.box.path(QStringLiteral("first.pdf")), rec.box.path(QStringLiteral("third.pdf"))};
    w.ImgAdmin1 = std::make_unique<AnsweringAdmin>(&w, [&](QPrinter& printer) {
        promptsBefore << int(rec.dialogs->calls(Kind::MessageBox).size());
        const bool first = promptsBefore.size() == 1;
        return AnsweringAdmin::toPdf(pdfs.at(first ? 0 : 1), first ? QPrinter::AllPages : QPrinter::PageRange,
                                     2, 4)(printer);
    });
    rec.dialogs->queueAnswer(Answer::No);
    QTest::mouseClick(w.CmdPrint, Qt::LeftButton);
    QCOMPARE(promptsBefore, (QList<int>{0, 1}));
    const auto prompts = rec.dialogs->calls(Kind::MessageBox);
    QCOMPARE(prompts.size(), 1);
    QCOMPARE(prompts.first().title, QStringLiteral("打印提示"));
    QCOMPARE(printedMarkers(pdfs.at(0), rec.box.path(QStringLiteral("p1"))), (QList<int>{1, 2, 3}));
    QCOMPARE(printedMarkers(pdfs.at(1), rec.box.path(QStringLiteral("p3"))), (QList<int>{2, 3, 4}));
    // Every row was fetched for its print; the preview holds the last printed file.
    for (int i = 0; i < 3; ++i)
        QVERIFY(!w.documents().cachePath(i).isEmpty());
    QCOMPARE(w.ImgPreview->imageFile(), w.documents().cachePath(2));
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
}

void TestListScanPrint::printCancelEndsSilently() {
    Record rec({1, 2});
    FrmMainList w;
    w.Form_Load();
    select(w, {0, 1});
    int dialogs = 0;
    w.ImgAdmin1 = std::make_unique<AnsweringAdmin>(&w, [&](QPrinter& printer) {
        ++dialogs;
        return AnsweringAdmin::cancel()(printer);
    });
    QTest::mouseClick(w.CmdPrint, Qt::LeftButton);
    QCOMPARE(dialogs, 1);
    QVERIFY(rec.dialogs->calls().isEmpty());
    // The second row was never reached.
    QVERIFY(w.documents().cachePath(1).isEmpty());
}

void TestListScanPrint::printCurrentPageIsPageOne() {
    Record rec({});
    QVERIFY(QDir().mkpath(rec.stored(QString())));
    QVERIFY(writeTiff(rec.stored(QStringLiteral("t.TIF")), 4, QStringLiteral("lzw")));
    rec.db.insertRow(QStringLiteral("t"), QStringLiteral("T.tif"), QStringLiteral(".TIF"),
                     QStringLiteral("R"), 1, kMonth);
    FrmMainList w;
    w.Form_Load();
    const QString pdf = rec.box.path(QStringLiteral("current.pdf"));
    w.ImgAdmin1 = std::make_unique<AnsweringAdmin>(&w, AnsweringAdmin::toPdf(pdf, QPrinter::CurrentPage));
    w.CmdPrint_Click();
    QCOMPARE(printedMarkers(pdf, rec.box.path(QStringLiteral("pages"))), QList<int>{1});
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestListScanPrint::printPassesOverRemovedCopy() {
    Record rec({1, 2});
    FrmMainList w;
    w.Form_Load();
    QVERIFY(QFile::remove(w.documents().cachePath(0)));
    select(w, {0, 1});
    QStringList printed;
    w.ImgAdmin1 = std::make_unique<AnsweringAdmin>(&w, [&](QPrinter& printer) {
        printed << w.ImgPreview->imageFile();
        return AnsweringAdmin::toPdf(rec.box.path(QStringLiteral("b.pdf")), QPrinter::AllPages)(printer);
    });
    w.CmdPrint_Click();
    QCOMPARE(printed, QStringList{w.documents().cachePath(1)});
    QVERIFY(rec.dialogs->calls().isEmpty());
    QCOMPARE(pdfPageCount(rec.box.path(QStringLiteral("b.pdf"))), 1);
}

QTEST_MAIN(TestListScanPrint)
#include "tst_listscanprint.moc"
