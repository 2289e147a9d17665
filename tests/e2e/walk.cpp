// A walk through the component as a new user takes it, on the demonstration
// host's own start-up and the real Qt dialogs: the list window with the sample
// documents, adding a file, scanning with SANE's test device, previewing, the
// viewer and its printing to a PDF file, renaming, moving, deleting, closing and
// opening again. Each step checks what the user sees; given a folder, the walk
// leaves a picture of each window there.
//
//     walk [screenshot-folder]
#include "DemoHost.h"
#include "PrintAnswers.h"
#include "Sandbox.h"
#include "SaneTestDevice.h"
#include "WalkDriver.h"
#include "dialogs/QtDialogs.h"
#include "imaging/ImageViewWidget.h"
#include "platform/dialogs/Dialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeView>
#include <cstdio>

using namespace walk;

namespace {

const QString kReady = QStringLiteral("准备就绪");
const QString kListCaption = QStringLiteral("原文列表");
const QString kAddedName = QStringLiteral("报价单.jpg");
const QString kScanName = QStringLiteral("采购合同");
const QString kContract = QStringLiteral("购销合同（扫描件）.tif");
const QString kMinutes = QStringLiteral("会议纪要.txt");
const QString kMinutesFinal = QStringLiteral("会议纪要（定稿）.txt");
const QStringList kSamples{kMinutes, QStringLiteral("增值税发票.jpg"), kContract,
                           QStringLiteral("验收报告.pdf")};
// The test device's feeder holds ten sheets.
constexpr int kFeederPages = 10;
constexpr int kContractPages = 3;

// What the walk brings along and finds on its way.
struct Walk {
    wo::test::Sandbox sandbox;
    // The user's own files, under a name that reads well in the dialogs' pictures.
    QTemporaryDir desk{QDir::tempPath() + QStringLiteral("/walk-XXXXXX")};
    QString database;
    QString store;
    QString addedFile;
    QString pdf;
};

// A one-page quotation to add from disk, drawn as a scanned form would look.
QString makeQuotation(const QString& folder) {
    QImage page(620, 440, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    p.setPen(Qt::black);
    p.setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 28));
    p.drawText(QRect(0, 20, 620, 60), Qt::AlignCenter, QStringLiteral("报价单"));
    p.setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 12));
    const QStringList rows{QStringLiteral("品名"), QStringLiteral("办公桌"), QStringLiteral("文件柜"),
                           QStringLiteral("合计")};
    const QStringList sums{QStringLiteral("金额（元）"), QStringLiteral("4,800.00"),
                           QStringLiteral("2,350.00"), QStringLiteral("7,150.00")};
    for (int i = 0; i < rows.size(); ++i) {
        const QRect left(60, 110 + i * 60, 250, 60);
        const QRect right(310, 110 + i * 60, 250, 60);
        p.drawRect(left);
        p.drawRect(right);
        p.drawText(left, Qt::AlignCenter, rows.at(i));
        p.drawText(right, Qt::AlignCenter, sums.at(i));
    }
    p.end();
    QDir().mkpath(folder);
    const QString file = QDir(folder).filePath(kAddedName);
    check(page.save(file, "JPG", 90), QStringLiteral("cannot write ") + file);
    return file;
}

int rows(const QTreeView* list) {
    return list->model()->rowCount();
}

QString text(const QTreeView* list, int row, int column) {
    return list->model()->index(row, column).data().toString();
}

// The list's current row, selected.
bool isCurrent(const QTreeView* list, int row) {
    return list->currentIndex().row() == row && list->selectionModel()->isRowSelected(row, {});
}

QStringList column(const QTreeView* list, int column) {
    QStringList out;
    for (int i = 0; i < rows(list); ++i)
        out << text(list, i, column);
    return out;
}

QStringList numbers(int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out;
}

QString panel(QWidget* window, int n) {
    return child<QLabel>(window, QStringLiteral("StaBarPanel%1").arg(n))->text();
}

QPushButton* button(QWidget* window, const char* name) {
    return child<QPushButton>(window, QLatin1String(name));
}

void checkEnabled(QWidget* window, const QStringList& enabled, const QStringList& disabled) {
    for (const QString& name : enabled)
        check(child<QWidget>(window, name)->isEnabled(), name + QStringLiteral(" should be enabled"));
    for (const QString& name : disabled)
        check(!child<QWidget>(window, name)->isEnabled(), name + QStringLiteral(" should be disabled"));
}

QPoint rowPoint(const QTreeView* list, int row) {
    return list->visualRect(list->model()->index(row, 0)).center();
}

// Clicks row `row` (from 0), as a user picks a document to preview it.
void clickRow(QTreeView* list, int row) {
    check(row < rows(list), QStringLiteral("the list has no row %1").arg(row + 1));
    list->scrollTo(list->model()->index(row, 0));
    click(list->viewport(), rowPoint(list, row));
    check(isCurrent(list, row),
          QStringLiteral("row %1 is not the selected row after clicking it").arg(row + 1));
}

auto* preview(QWidget* list) {
    return child<wo::imaging::ImageViewWidget>(list, QStringLiteral("ImgPreview"));
}

// The preview pane shows the document of the current row as an image.
void checkPreviewedImage(QWidget* window, int pages) {
    auto* lv = child<QTreeView>(window, QStringLiteral("LVOrder"));
    // Hovering over a fetched row shows its cached copy.
    const QString cached = lv->currentIndex().data(Qt::ToolTipRole).toString();
    check(!cached.isEmpty() && QFileInfo::exists(cached),
          QStringLiteral("the current row has no copy in the download cache"));
    checkEqual(QStringLiteral("the previewed file"), preview(window)->imageFile(), cached);
    checkEqual(QStringLiteral("status panel 2"), panel(window, 2), QStringLiteral("共有%1页").arg(pages));
    checkEqual(QStringLiteral("status panel 1"), panel(window, 1), kReady);
    check(child<QLabel>(window, QStringLiteral("ImgTypeICO"))->pixmap().isNull(),
          QStringLiteral("a type icon covers the previewed image"));
}

// A document that is no image: the pane shows its type icon and no page count.
void checkPreviewedIcon(QWidget* window) {
    check(preview(window)->imageFile().isEmpty(), QStringLiteral("the preview still shows an image"));
    check(!child<QLabel>(window, QStringLiteral("ImgTypeICO"))->pixmap().isNull(),
          QStringLiteral("no type icon is shown"));
    checkEqual(QStringLiteral("status panel 2"), panel(window, 2), QString());
    checkEqual(QStringLiteral("status panel 1"), panel(window, 1), kReady);
}

// A question with Yes and No, Yes the default.
QMessageBox* question(QWidget* w, const QString& text, const QString& title) {
    auto* box = qobject_cast<QMessageBox*>(w);
    check(box, QStringLiteral("not a message box"));
    checkEqual(QStringLiteral("the message"), box->text(), text);
    checkEqual(QStringLiteral("the message box's title"), box->windowTitle(), title);
    check(box->icon() == QMessageBox::Question, QStringLiteral("the message box shows no question mark"));
    check(box->standardButtons() == (QMessageBox::Yes | QMessageBox::No),
          QStringLiteral("the message box does not ask Yes or No"));
    check(box->defaultButton() == box->button(QMessageBox::Yes), QStringLiteral("Yes is not the default"));
    return box;
}

std::function<bool(QWidget*)> boxSaying(const QString& text) {
    return [text](QWidget* w) {
        const auto* box = qobject_cast<QMessageBox*>(w);
        return box && box->text() == text;
    };
}

// ---- Step 1: the list window as the host opens it the first time.
void firstLook(QWidget* w) {
    beginStep(QStringLiteral("1 the list window with the sample documents"));
    checkEqual(QStringLiteral("the window title"), w->windowTitle(), kListCaption);
    auto* lv = child<QTreeView>(w, QStringLiteral("LVOrder"));
    checkEqual(QStringLiteral("the documents"), column(lv, 1), kSamples);
    checkEqual(QStringLiteral("the numbers"), column(lv, 0), numbers(1, 4));
    checkEqual(
        QStringLiteral("the types"), column(lv, 2),
        {QStringLiteral(".TXT"), QStringLiteral(".JPG"), QStringLiteral(".TIF"), QStringLiteral(".PDF")});
    // The first row is previewed: a text file shows its type icon.
    check(lv->currentIndex().row() == 0, QStringLiteral("row 1 is not the current row"));
    checkPreviewedIcon(w);
    checkEnabled(w,
                 {QStringLiteral("CmdAdd"), QStringLiteral("CmdScan"), QStringLiteral("CmdPrint"),
                  QStringLiteral("CmdDel"), QStringLiteral("CmdExit"), QStringLiteral("CmdDown")},
                 {QStringLiteral("CmdUp")});
    for (const auto& [name, caption] : {std::pair{"CmdAdd", "添加原文"},
                                        {"CmdScan", "扫描添加"},
                                        {"CmdPrint", "打印原文"},
                                        {"CmdDel", "删除原文"},
                                        {"CmdExit", "关闭(&X)"},
                                        {"CmdUp", "向上(&U)"},
                                        {"CmdDown", "向下(&D)"}})
        checkEqual(QStringLiteral("the caption of ") + QLatin1String(name), button(w, name)->text(),
                   QString::fromUtf8(caption));
    shoot(w, QStringLiteral("walk-01-list"));
}

// ---- Step 2: a file from disk through the open-file dialog.
void addFromDisk(QWidget* w, const Walk& walk) {
    beginStep(QStringLiteral("2 adding a file through the open-file dialog"));
    auto* lv = child<QTreeView>(w, QStringLiteral("LVOrder"));
    const QFileInfo file(walk.addedFile);
    drive(
        {{QStringLiteral("the open-file dialog"), isA<QFileDialog>(),
          [&](QWidget* d) {
              auto* dialog = static_cast<QFileDialog*>(d);
              check(dialog->fileMode() == QFileDialog::ExistingFiles,
                    QStringLiteral("the open-file dialog does not take several files"));
              auto* name = child<QLineEdit>(d, QStringLiteral("fileNameEdit"));
              // First to the folder, then the file in it, as the box takes either.
              type(name, file.absolutePath());
              pressKey(name, Qt::Key_Return);
              waitFor(
                  [&] { return QFileInfo(dialog->directory().path()) == QFileInfo(file.absolutePath()); },
                  QStringLiteral("the dialog to change to the file's folder (it shows %1, its file name box "
                                 "holds \"%2\")")
                      .arg(dialog->directory().path(), name->text()));
              auto* files = child<QListView>(d, QStringLiteral("listView"));
              waitFor([&] { return files->model()->rowCount(files->rootIndex()) == 1; },
                      QStringLiteral("the folder's file in the dialog's list"));
              type(name, file.fileName());
              shoot(d, QStringLiteral("walk-02-open-file"));
              pressKey(name, Qt::Key_Return);
          }}},
        [&] { click(button(w, "CmdAdd")); });
    checkEqual(QStringLiteral("the documents"), column(lv, 1), QStringList(kSamples) << kAddedName);
    checkEqual(QStringLiteral("the new row's number"), text(lv, 4, 0), QStringLiteral("5"));
    check(lv->currentIndex().row() == 4, QStringLiteral("the added row is not the current row"));
    checkPreviewedImage(w, 1);
    checkEnabled(w, {QStringLiteral("CmdDel"), QStringLiteral("CmdPrint"), QStringLiteral("CmdUp")},
                 {QStringLiteral("CmdDown")});
    shoot(w, QStringLiteral("walk-03-added"));
}

// ---- Step 3: scanning with the test device into a new document.
void scan(QWidget* w) {
    beginStep(QStringLiteral("3 scanning a batch from the feeder"));
    auto* lv = child<QTreeView>(w, QStringLiteral("LVOrder"));
    bool progressSeen = false;
    drive(
        {{QStringLiteral("the scanner settings"), named(QStringLiteral("ScanSettingsDialog")),
          [](QWidget* d) {
              checkEqual(QStringLiteral("the scanner settings' title"), d->windowTitle(),
                         QStringLiteral("扫描设置"));
              auto* device = child<QComboBox>(d, QStringLiteral("CboDevice"));
              check(device->findText(QStringLiteral("test:0"), Qt::MatchContains) >= 0,
                    QStringLiteral("the test device is not offered"));
              choose(device, device->itemText(device->findText(QStringLiteral("test:0"), Qt::MatchContains)));
              choose(child<QComboBox>(d, QStringLiteral("CboColor")), QStringLiteral("黑白"));
              choose(child<QComboBox>(d, QStringLiteral("CboResolution")), QStringLiteral("75 dpi"));
              choose(child<QComboBox>(d, QStringLiteral("CboSource")), QStringLiteral("自动进纸器"));
              shoot(d, QStringLiteral("walk-04-scan-settings"));
              click(buttonWithText(d, QStringLiteral("扫描(S)")));
          }},
         {QStringLiteral("the scan's progress window"), named(QStringLiteral("ScanProgress")),
          [&](QWidget* d) {
              progressSeen = true;
              checkEqual(QStringLiteral("the progress window's title"), d->windowTitle(),
                         QStringLiteral("扫描"));
              auto* progress = static_cast<QProgressDialog*>(d);
              const QString label = progress->findChild<QLabel*>()->text();
              check(label.startsWith(QStringLiteral("正在扫描第")) ||
                        label.startsWith(QStringLiteral("正在准备")),
                    QStringLiteral("the progress window says \"%1\"").arg(label));
              shoot(d, QStringLiteral("walk-05-scan-progress"));
          }},
         {QStringLiteral("the question whether to save the scan"),
          boxSaying(QStringLiteral("扫描结束，是否保存该扫描文件？")),
          [&](QWidget* d) {
              QMessageBox* box = question(d, QStringLiteral("扫描结束，是否保存该扫描文件？"), kListCaption);
              // The unsaved scan is on show behind the question.
              check(preview(w)->pageCount() == kFeederPages,
                    QStringLiteral("the preview shows %1 pages of the scan").arg(preview(w)->pageCount()));
              click(box->button(QMessageBox::Yes));
          }},
         {QStringLiteral("the naming dialog"), named(QStringLiteral("FrmScanName")),
          [](QWidget* d) {
              checkEqual(QStringLiteral("the naming dialog's title"), d->windowTitle(),
                         QStringLiteral("文件命名"));
              checkEqual(QStringLiteral("its prompt"), child<QLabel>(d, QStringLiteral("Label1"))->text(),
                         QStringLiteral("请给扫描文件命名："));
              auto* name = child<QLineEdit>(d, QStringLiteral("TxtName"));
              checkEqual(QStringLiteral("the name box"), name->text(), QString());
              click(name);
              type(name, kScanName);
              shoot(d, QStringLiteral("walk-06-scan-name"));
              click(child<QPushButton>(d, QStringLiteral("CmdOK")));
          }}},
        [&] { click(button(w, "CmdScan")); });
    check(progressSeen, QStringLiteral("the progress window was not seen"));
    checkEqual(QStringLiteral("the documents"), column(lv, 1),
               QStringList(kSamples) << kAddedName << kScanName + QStringLiteral(".TIF"));
    checkEqual(QStringLiteral("the scan's type"), text(lv, 5, 2), QStringLiteral(".TIF"));
    check(lv->currentIndex().row() == 5, QStringLiteral("the scanned row is not the current row"));
    checkPreviewedImage(w, kFeederPages);
    checkEnabled(w, {QStringLiteral("CmdDel"), QStringLiteral("CmdPrint")}, {});
    shoot(w, QStringLiteral("walk-07-scanned"));
}

QAction* tool(QWidget* viewer, const QString& key) {
    auto* bar = child<QToolBar>(viewer, QStringLiteral("TlbMain"));
    auto* action = bar->findChild<QAction*>(key, Qt::FindDirectChildrenOnly);
    check(action, QStringLiteral("the viewer has no button ") + key);
    return action;
}

// Presses a toolbar button of the viewer, which must be enabled.
void press(QWidget* viewer, const QString& key) {
    QAction* action = tool(viewer, key);
    check(action->isEnabled() && action->isVisible(),
          QStringLiteral("the viewer's button %1 (%2) is not available").arg(key, action->toolTip()));
    auto* bar = child<QToolBar>(viewer, QStringLiteral("TlbMain"));
    click(bar->widgetForAction(action));
}

void checkTools(QWidget* viewer, const QStringList& enabled, const QStringList& disabled) {
    for (const QString& key : enabled)
        check(tool(viewer, key)->isEnabled(), QStringLiteral("the viewer's %1 should be enabled").arg(key));
    for (const QString& key : disabled)
        check(!tool(viewer, key)->isEnabled(), QStringLiteral("the viewer's %1 should be disabled").arg(key));
}

void checkPage(QWidget* viewer, int page) {
    checkEqual(QStringLiteral("the viewer's page text"), panel(viewer, 2),
               QStringLiteral("第%1页/共有%2页").arg(page).arg(kContractPages));
    const QStringList before{QStringLiteral("First"), QStringLiteral("Previous")};
    const QStringList after{QStringLiteral("Next"), QStringLiteral("Last")};
    checkTools(viewer, page > 1 ? before : after, page > 1 ? QStringList() : before);
    checkTools(viewer, page < kContractPages ? after : QStringList(),
               page < kContractPages ? QStringList() : after);
}

// The print dialog: to a PDF file, pages 1 to 2.
void answerPrintDialog(QWidget* d, const QString& pdf) {
    auto* printers = child<QComboBox>(d, QStringLiteral("printers"));
    const int toFile = printers->findText(QStringLiteral("PDF"), Qt::MatchContains);
    check(toFile >= 0, QStringLiteral("the print dialog offers no printing to a PDF file"));
    choose(printers, printers->itemText(toFile));
    auto* file = child<QLineEdit>(d, QStringLiteral("filename"));
    click(file);
    pressKey(file, Qt::Key_A, Qt::ControlModifier);
    type(file, pdf);
    // The page range lies under the dialog's options.
    QAbstractButton* options = buttonWithText(d, QStringLiteral("选项(O) >>"));
    click(options);
    auto* range = child<QRadioButton>(d, QStringLiteral("printRange"));
    click(range);
    auto* to = child<QSpinBox>(d, QStringLiteral("to"));
    click(to);
    pressKey(to, Qt::Key_A, Qt::ControlModifier);
    type(to, QStringLiteral("2"));
    auto* from = child<QSpinBox>(d, QStringLiteral("from"));
    click(from);
    pressKey(from, Qt::Key_A, Qt::ControlModifier);
    type(from, QStringLiteral("1"));
    shoot(d, QStringLiteral("walk-10-print"));
    QAbstractButton* print = child<QDialogButtonBox>(d, QString())->button(QDialogButtonBox::Ok);
    // Qt's own dialogs speak Chinese too.
    check(print &&
              (print->text().startsWith(QStringLiteral("打印")) || print->text() == QStringLiteral("确定")),
          QStringLiteral("the print dialog's button should be in Chinese, not %1")
              .arg(print ? print->text() : QString()));
    click(print);
}

// ---- Step 4: previewing, then the viewer on the scanned contract.
void viewAndPrint(QWidget* w, const Walk& walk) {
    beginStep(QStringLiteral("4 previewing and the viewer"));
    auto* lv = child<QTreeView>(w, QStringLiteral("LVOrder"));
    clickRow(lv, 1);
    checkPreviewedImage(w, 1);
    clickRow(lv, 2);
    checkPreviewedImage(w, kContractPages);
    checkEnabled(w, {QStringLiteral("CmdUp"), QStringLiteral("CmdDown")}, {});
    drive({{QStringLiteral("the viewer"), named(QStringLiteral("frmDetail")),
            [&](QWidget* v) {
                checkEqual(QStringLiteral("the viewer's title"), v->windowTitle(),
                           QStringLiteral("图象浏览"));
                auto* nav = child<QTreeView>(v, QStringLiteral("LVData"));
                checkEqual(QStringLiteral("the viewer's documents"), column(nav, 1), column(lv, 1));
                check(isCurrent(nav, 2),
                      QStringLiteral("the viewer does not start on the double-clicked document"));
                checkPage(v, 1);
                checkEqual(QStringLiteral("the viewer's status panel 1"), panel(v, 1), kReady);
                checkTools(
                    v, {QStringLiteral("PreFile"), QStringLiteral("NextFile"), QStringLiteral("Print")}, {});
                press(v, QStringLiteral("Next"));
                checkPage(v, 2);
                shoot(v, QStringLiteral("walk-08-viewer"));
                press(v, QStringLiteral("Last"));
                checkPage(v, 3);
                auto* view = child<wo::imaging::ImageViewWidget>(v, QStringLiteral("ImgShow"));
                const double fitted = view->zoomPercent();
                press(v, QStringLiteral("ZoomIn"));
                check(qAbs(view->zoomPercent() - fitted - 10) < 0.01,
                      QStringLiteral("ZoomIn went from %1 % to %2 %").arg(fitted).arg(view->zoomPercent()));
                press(v, QStringLiteral("FitWidth"));
                check(qAbs(view->zoomPercent() - fitted) < 0.01,
                      QStringLiteral("FitWidth gave %1 %, the first fit %2 %")
                          .arg(view->zoomPercent())
                          .arg(fitted));
                press(v, QStringLiteral("RotateRight"));
                check(view->rotation() == 1, QStringLiteral("the page is not turned a quarter to the right"));
                press(v, QStringLiteral("ShowLV"));
                check(view->x() <= nav->x() && view->geometry().right() >= nav->geometry().right(),
                      QStringLiteral("the page does not cover the navigation list"));
                checkEqual(QStringLiteral("the ShowLV tooltip"), tool(v, QStringLiteral("ShowLV"))->toolTip(),
                           QStringLiteral("显示导航条"));
                press(v, QStringLiteral("Previous"));
                checkPage(v, 2);
                shoot(v, QStringLiteral("walk-09-viewer-turned"));
                drive({{QStringLiteral("the print dialog"), isA<QPrintDialog>(),
                        [&](QWidget* d) { answerPrintDialog(d, walk.pdf); }}},
                      [&] { press(v, QStringLiteral("Print")); });
                check(QFileInfo::exists(walk.pdf), QStringLiteral("no PDF file was printed"));
                checkEqual(QStringLiteral("the printed pages"),
                           QString::number(wo::test::pdfPageCount(walk.pdf)), QStringLiteral("2"));
                press(v, QStringLiteral("Exit"));
            }}},
          [&] { doubleClick(lv->viewport(), rowPoint(lv, 2)); });
    check(w->isVisible(), QStringLiteral("the list window is gone after the viewer"));
}

// ---- Step 5: renaming, moving, deleting, closing.
void change(QWidget* w) {
    beginStep(QStringLiteral("5 renaming, moving and deleting"));
    auto* lv = child<QTreeView>(w, QStringLiteral("LVOrder"));
    clickRow(lv, 0);
    checkPreviewedIcon(w);
    drive({{QStringLiteral("the context menu"), isA<QMenu>(),
            [w](QWidget* m) {
                auto* menu = static_cast<QMenu*>(m);
                const QList<QAction*> actions = menu->actions();
                check(actions.size() == 1 && actions.first()->text() == QStringLiteral("修改原文名称"),
                      QStringLiteral("the context menu does not offer just \"修改原文名称\""));
                shoot(w, QStringLiteral("walk-11-menu"), m);
                click(menu, menu->actionGeometry(actions.first()).center());
            }},
           {QStringLiteral("the input box"), isA<QInputDialog>(),
            [](QWidget* d) {
                auto* box = static_cast<QInputDialog*>(d);
                checkEqual(QStringLiteral("the input box's title"), box->windowTitle(),
                           QStringLiteral("请输入新的文件名称："));
                checkEqual(QStringLiteral("its prompt"), box->labelText(), QStringLiteral("修改文件名"));
                auto* text = child<QLineEdit>(d, QString());
                checkEqual(QStringLiteral("the offered name"), text->text(), kMinutes);
                pressKey(text, Qt::Key_A, Qt::ControlModifier);
                type(text, kMinutesFinal);
                shoot(d, QStringLiteral("walk-12-rename"));
                pressKey(text, Qt::Key_Return);
            }}},
          [&] { rightClick(lv->viewport(), rowPoint(lv, 0)); });
    checkEqual(QStringLiteral("row 1's name"), text(lv, 0, 1), kMinutesFinal);

    // The scan one place up, above the quotation.
    clickRow(lv, 5);
    checkEnabled(w, {QStringLiteral("CmdUp")}, {QStringLiteral("CmdDown")});
    click(button(w, "CmdUp"));
    const QString scanName = kScanName + QStringLiteral(".TIF");
    checkEqual(QStringLiteral("the documents"), column(lv, 1),
               {kMinutesFinal, kSamples.at(1), kContract, kSamples.at(3), scanName, kAddedName});
    checkEqual(QStringLiteral("the numbers"), column(lv, 0),
               {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                QStringLiteral("6"), QStringLiteral("5")});
    check(lv->selectionModel()->isRowSelected(4, {}), QStringLiteral("the moved row is no longer selected"));
    checkEnabled(w, {QStringLiteral("CmdUp"), QStringLiteral("CmdDown")}, {});

    // The quotation goes.
    clickRow(lv, 5);
    checkEqual(QStringLiteral("the row to delete"), text(lv, 5, 1), kAddedName);
    drive({{QStringLiteral("the question before deleting"),
            boxSaying(QStringLiteral("确实要删除所选择的原文吗？")),
            [](QWidget* d) {
                QMessageBox* box =
                    question(d, QStringLiteral("确实要删除所选择的原文吗？"), QStringLiteral("删除原文"));
                shoot(d, QStringLiteral("walk-13-delete"));
                click(box->button(QMessageBox::Yes));
            }}},
          [&] { click(button(w, "CmdDel")); });
    checkEqual(QStringLiteral("the documents"), column(lv, 1),
               {kMinutesFinal, kSamples.at(1), kContract, kSamples.at(3), scanName});
    checkEqual(QStringLiteral("the numbers"), column(lv, 0),
               {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                QStringLiteral("6")});
    // The first row is current and previewed again.
    check(lv->currentIndex().row() == 0, QStringLiteral("row 1 is not current after deleting"));
    checkPreviewedIcon(w);
    shoot(w, QStringLiteral("walk-14-changed"));

    click(button(w, "CmdExit"));
    waitFor([w] { return !w->isVisible(); }, QStringLiteral("the list window to close"));
}

void walkListWindow(QWidget* w, const Walk& walk) {
    firstLook(w);
    addFromDisk(w, walk);
    scan(w);
    viewAndPrint(w, walk);
    change(w);
}

// ---- Step 6: opening again shows what was left, and the table holds it.
const QStringList kFinalNames{kMinutesFinal, kSamples.at(1), kContract, kSamples.at(3),
                              kScanName + QStringLiteral(".TIF")};

void reopened(QWidget* w) {
    beginStep(QStringLiteral("6 opening the list window again"));
    auto* lv = child<QTreeView>(w, QStringLiteral("LVOrder"));
    checkEqual(QStringLiteral("the documents"), column(lv, 1), kFinalNames);
    checkEqual(QStringLiteral("the numbers"), column(lv, 0), numbers(1, 5));
    checkPreviewedIcon(w);
    click(button(w, "CmdExit"));
}

void checkTable(const Walk& walk) {
    QStringList names;
    QStringList orders;
    QStringList missing;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("walk-check"));
        db.setDatabaseName(walk.database);
        check(db.open(), QStringLiteral("cannot open ") + walk.database);
        QSqlQuery q(db);
        check(q.exec(QStringLiteral("SELECT Original_Name, FileOrder, ID, Type, FilePath FROM Original_Text "
                                    "WHERE RecordId = 'DEMO-0001' ORDER BY FileOrder")),
              QStringLiteral("cannot read Original_Text"));
        while (q.next()) {
            names << q.value(0).toString();
            orders << q.value(1).toString();
            const QString stored = QDir(walk.store)
                                       .filePath(q.value(4).toString() + QLatin1Char('/') +
                                                 q.value(2).toString() + q.value(3).toString());
            if (!QFileInfo::exists(stored))
                missing << stored;
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("walk-check"));
    checkEqual(QStringLiteral("the names in the table"), names, kFinalNames);
    checkEqual(QStringLiteral("the stored order"), orders, numbers(1, 5));
    checkEqual(QStringLiteral("rows without their file"), missing, {});
}

// The offscreen platform's notes on what it cannot do (raise, grab the keyboard)
// say nothing about the walk.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(quietOffscreen);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QElapsedTimer clock;
    clock.start();
    Walk walk;
    const QString runtime = walk.sandbox.path(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    // No print server is asked: the walk prints to a file.
    qputenv("CUPS_SERVER", walk.sandbox.path(QStringLiteral("no-cups.sock")).toLocal8Bit());
    // Slow, short reads, so the progress window stays up a moment.
    const wo::test::SaneTestDevice device({{"test-picture", "\"Grid\""},
                                           {"read-limit", "true"},
                                           {"read-limit-size", "512"},
                                           {"read-delay", "true"},
                                           {"read-delay-duration", "2000"}});
    QApplication app(argc, argv);
    setShotFolder(argc > 1 ? QDir(QString::fromLocal8Bit(argv[1])).absolutePath() : QString());
    setCleanup({walk.sandbox.path(), walk.desk.path(), wo::test::SaneTestDevice::configFolder()}, 60);

    walk.database = walk.sandbox.path(QStringLiteral("walk.db"));
    walk.store = walk.sandbox.path(QStringLiteral("store"));
    check(walk.desk.isValid(), QStringLiteral("cannot make a temporary folder"));
    walk.addedFile = makeQuotation(walk.desk.filePath(QStringLiteral("文档")));
    walk.pdf = walk.desk.filePath(QStringLiteral("打印/购销合同.pdf"));
    QDir().mkpath(QFileInfo(walk.pdf).absolutePath());

    beginStep(QStringLiteral("0 starting the host on a fresh database"));
    const demohost::Options options =
        demohost::parseOptions({QStringLiteral("walk"), QStringLiteral("--database"), walk.database,
                                QStringLiteral("--store"), walk.store});
    std::optional<demohost::Host> host;
    try {
        host.emplace(options);
    } catch (const std::exception& e) {
        fail(QStringLiteral("the host did not start: ") + QString::fromLocal8Bit(e.what()));
    }
    check(dynamic_cast<wo::dialogs::QtDialogs*>(&wo::dialogs::current()) != nullptr,
          QStringLiteral("the component does not use the Qt dialogs"));

    int shown = -1;
    drive(
        {{QStringLiteral("the list window"), named(QStringLiteral("FrmMainList")),
          [&](QWidget* w) { walkListWindow(w, walk); }}},
        [&] { shown = host->showForm(); }, 20000);
    check(shown == 0, QStringLiteral("ShowForm failed"));
    drive(
        {{QStringLiteral("the list window, opened again"), named(QStringLiteral("FrmMainList")), reopened}},
        [&] { shown = host->showForm(); }, 20000);
    check(shown == 0, QStringLiteral("ShowForm failed the second time"));
    checkTable(walk);
    host.reset();

    finished();
    std::printf("walk: all steps passed in %.1f s\n", double(clock.elapsed()) / 1000);
    std::fflush(stdout);
    return 0;
}
