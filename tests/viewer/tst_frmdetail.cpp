#include "PrintAnswers.h"
#include "StoreFixture.h"
#include "TestAssociation.h"
#include "TestDatabase.h"
#include "TestFiles.h"
#include "TestFtp.h"
#include "TestImages.h"
#include "dialogs/ScriptedDialogs.h"
#include "imaging/DesktopOpener.h"
#include "imaging/ImageAdminDialog.h"
#include "imaging/ImageViewWidget.h"
#include "platform/profile/ComponentFolder.h"
#include "settings/MyInit.h"
#include "store/RecordDocuments.h"
#include "text/TextTable.h"
#include "transfer/CacheFolder.h"
#include "transfer/ModDownLoadFile.h"
#include "ui/common/DocumentList.h"
#include "ui/common/DocumentModel.h"
#include "ui/list/FrmMainList.h"
#include "ui/viewer/HitLayer.h"
#include "ui/viewer/PageHits.h"
#include "ui/viewer/PageStrip.h"
#include "ui/viewer/frmDetail.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QWheelEvent>
#include <functional>

using namespace wo;
using dialogs::ScriptedDialogs;
using ui::frmDetail;
using ui::LoadState;

namespace {

const QStringList kImageCommands{"ZoomIn",   "ZoomOut",  "OwnFit", "FitShow",    "FitWidth",
                                 "ZoomSize", "Select",   "Init",   "RotateLeft", "RotateRight",
                                 "First",    "Previous", "Next",   "Last"};

// The store fixture's record with its documents in a folder store (or on the FTP
// server), written into the host settings, and the list window's list as loading
// fills it.
struct Record : test::StoreFixture {
    ui::DocumentModel owner;
    QStringList ids;

    explicit Record(bool ftpMode = false) {
        if (ftpMode)
            useFtp();
        publish();
    }

    QString folder() const { return ftp ? ftp->remoteFolder() : QStringLiteral("2026-05"); }
    QString stored(int row) const {
        const QString dir = ftp ? ftp->onDisk(folder()) : box.path(QStringLiteral("store/") + folder());
        return dir + QLatin1Char('/') + ids.at(row) + types.at(row);
    }
    // Adds a row; write makes its stored file (none when it is null).
    void add(const QString& name, const QString& type, const std::function<bool(const QString&)>& write) {
        ids << QStringLiteral("2026050112000000%1").arg(ids.size() + 1, 4, 10, QLatin1Char('0'));
        types << type;
        db.insertRow(ids.last(), name, type, QStringLiteral("R"), ids.size(), folder());
        QDir().mkpath(QFileInfo(stored(ids.size() - 1)).path());
        if (write && !write(stored(ids.size() - 1)))
            qFatal("cannot write %s", qPrintable(name));
    }
    void addTiff(const QString& name, int pages) {
        add(name, QStringLiteral(".TIF"), [pages](const QString& path) {
            return test::writeTiff(path, pages, pages > 1 ? QStringLiteral("g4") : QStringLiteral("lzw"));
        });
    }
    void addFile(const QString& name, const QString& type, const QByteArray& content) {
        add(name, type, [content](const QString& path) { return test::writeFile(path, content); });
    }
    void load() {
        owner.setDocuments(
            store::loadRecordDocuments(*MyInit::Connection, MyInit::gsRecordID, MyInit::FtpMode));
    }
    QString cached(int row) const { return owner.cachePath(row); }

private:
    QStringList types;
};

// A record of n five-page documents opened on one of them.
struct Open {
    Record rec;
    std::unique_ptr<frmDetail> w;
    Open(int documents, qint16 selIndex, int pages = 5) {
        for (int i = 0; i < documents; ++i)
            rec.addTiff(QStringLiteral("扫描件%1").arg(i + 1), pages);
        rec.load();
        w = std::make_unique<frmDetail>(rec.owner);
        w->SelIndex = selIndex;
        w->Form_Load();
    }
    frmDetail* operator->() const { return w.get(); }
};

bool enabled(const frmDetail& w, const QString& key) {
    return w.button(key)->isEnabled();
}

QList<bool> states(const frmDetail& w, const QStringList& keys) {
    QList<bool> out;
    for (const QString& key : keys)
        out << enabled(w, key);
    return out;
}

void wheel(QWidget* target, int angle, Qt::KeyboardModifiers modifiers = {}) {
    const QPointF at(100, 100);
    QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestFrmDetail : public QObject {
    Q_OBJECT
private slots:
    void layoutAndToolbar();
    void nothingSelected();
    void documentButtons_data();
    void documentButtons();
    void previousAndNextDocument();
    void nonImageDocument();
    void unreadableTypeIcon();
    void fetchOnceAndWriteBack();
    void failedFetchForgetsEarlierPage();
    void cachedCopyGone();
    void ftpMode();
    void zoomOut_data();
    void zoomOut();
    void zoomSizeNeedsRectangle();
    void selectThenZoomIn();
    void pageButtons_data();
    void pageButtons();
    void navigationListOnAndOff_data();
    void navigationListOnAndOff();
    void printCancelled();
    void printRange_data();
    void printRange();
    void printNonImageFromCache();
    void commandErrorShowsDescription();
    void dragPansOrSelects();
    void dragHandlers_data();
    void dragHandlers();
    void wheelAndKeys();
    void doubleClickOpensOwnProgram();
    void doubleClickFailureIsReported();
    void blankClickKeepsCurrentDocument();
    void exitCloses();
    void openingsMakeNothingAgain();
    void keysInTheListShowTheDocument();
    void thumbnailStrip();
    void searchHits();

private:
};

void TestFrmDetail::layoutAndToolbar() {
    Open w(1, 0);
    QCOMPARE(w->objectName(), QStringLiteral("frmDetail"));
    QCOMPARE(w->windowTitle(), QStringLiteral("图象浏览"));
    QCOMPARE(w->size(), QSize(732, 520)); // 10980 x 7800 twips at 96 DPI
    QCOMPARE(w->LVData->geometry(), QRect(8, 8, 193, 433));
    QCOMPARE(w->ImgShow->geometry(), QRect(200, 9, 529, 433));
    QCOMPARE(w->ImgTypeICO->parentWidget(), w->ImgShow);
    QCOMPARE(w->ImgTypeICO->geometry(), QRect(232, 176, 48, 48));
    QCOMPARE(w->CoolBar1->geometry(), QRect(8, 451, 713, 34));
    QCOMPARE(w->TlbMain->parentWidget(), w->CoolBar1);
    QCOMPARE(w->TlbMain->geometry(), QRect(11, 2, 685, 30));
    QCOMPARE(w->StaBar->geometry(), QRect(0, 503, 732, 17));
    QCOMPARE(w->ImgShow->zoomPercent(), 100.0);
    QVERIFY(w->ImgBack->isHidden());
    QCOMPARE(w->ImgBack->pixmap().size(), QSize(48, 48));

    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << w->LVData->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"序号", "原文名称", "原文类型", "原文路径"}));
    QCOMPARE(w->LVData->columnWidth(0), 33);
    // The name takes the rest of the list's width: nothing scrolls sideways.
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.w.get()));
    QCOMPARE(w->LVData->columnWidth(0) + w->LVData->columnWidth(1), w->LVData->viewport()->width());
    QCOMPARE(w->LVData->horizontalScrollBar()->maximum(), 0);
    QVERIFY(w->LVData->isColumnHidden(2));
    QVERIFY(w->LVData->isColumnHidden(3));
    QCOMPARE(w->panelText(1), QStringLiteral("准备就绪"));
    QVERIFY(w->panelText(2).isEmpty());
    QVERIFY(!w->panelText(3).isEmpty());

    QStringList layout;
    for (const QAction* a : w->TlbMain->actions()) {
        if (a->isSeparator()) {
            layout << QStringLiteral("|");
            continue;
        }
        layout << QStringLiteral("%1 %2 %3").arg(a->objectName(), a->toolTip()).arg(a->data().toInt());
        QVERIFY2(a->isEnabled() && a->isVisible(), qPrintable(a->objectName()));
        QCOMPARE(a->icon().pixmap(24, 24).size(), QSize(24, 24));
    }
    QCOMPARE(layout, (QStringList{"ZoomIn 放大 1",
                                  "ZoomOut 缩小 2",
                                  "OwnFit 原始大小 29",
                                  "FitShow 最佳匹配 20",
                                  "FitWidth 宽度匹配 21",
                                  "|",
                                  "Select 选择区域 5",
                                  "ZoomSize 局部放大 6",
                                  "Init 恢复选择 7",
                                  "|",
                                  "RotateLeft 向左旋转90度 18",
                                  "RotateRight 向右旋转90度 17",
                                  "|",
                                  "First 第一页 10",
                                  "Previous 上一页 11",
                                  "Next 下一页 12",
                                  "Last 最后一页 13",
                                  "|",
                                  "Print 打印 14",
                                  "|",
                                  "PreFile 上一份原文 19",
                                  "NextFile 下一份原文 15",
                                  "ShowLV 隐藏导航条 27",
                                  "|",
                                  "Exit 退出 16"}));
}

void TestFrmDetail::nothingSelected() {
    Record rec;
    rec.addTiff(QStringLiteral("合同"), 2);
    rec.addFile(QStringLiteral("说明"), QStringLiteral(".DOC"), test::officeLike());
    rec.load();
    rec.owner.setCachePath(1, QStringLiteral("/cache/说明.DOC"));
    MyInit::gsOriginalID = QStringLiteral("earlier");
    for (const qint16 selIndex : {qint16(0), qint16(3)}) {
        frmDetail w(rec.owner);
        w.SelIndex = selIndex;
        w.Form_Load();
        const QAbstractItemModel* shown = w.LVData->model();
        QCOMPARE(shown->rowCount(), 2);
        for (int i = 0; i < 2; ++i) {
            for (int c = 0; c < 4; ++c)
                QCOMPARE(shown->index(i, c).data(), rec.owner.index(i, c).data());
        }
        // Hovering over a fetched document shows its cached copy.
        QCOMPARE(shown->index(1, 1).data(Qt::ToolTipRole).toString(), QStringLiteral("/cache/说明.DOC"));
        QVERIFY(!shown->index(0, 0).data(Qt::ToolTipRole).isValid());
        QVERIFY(ui::selectedRows(w.LVData).isEmpty());
        QVERIFY(w.ImgShow->imageFile().isEmpty());
        for (const QAction* a : w.TlbMain->actions())
            QVERIFY(a->isEnabled() && a->isVisible());
        QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
        QVERIFY(w.panelText(2).isEmpty());
    }
    QCOMPARE(MyInit::gsOriginalID, QStringLiteral("earlier"));
    QVERIFY(rec.cached(0).isEmpty());
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::documentButtons_data() {
    QTest::addColumn<int>("documents");
    QTest::addColumn<int>("selIndex");
    QTest::addColumn<bool>("previous");
    QTest::addColumn<bool>("next");
    QTest::newRow("only document") << 1 << 1 << false << false;
    QTest::newRow("first of three") << 3 << 1 << false << true;
    QTest::newRow("middle of three") << 3 << 2 << true << true;
    QTest::newRow("last of three") << 3 << 3 << true << false;
}

void TestFrmDetail::documentButtons() {
    QFETCH(int, documents);
    QFETCH(int, selIndex);
    Open w(documents, qint16(selIndex));
    QTEST(enabled(*w.w, "PreFile"), "previous");
    QTEST(enabled(*w.w, "NextFile"), "next");
    const int row = selIndex - 1;
    QCOMPARE(ui::selectedRows(w->LVData), QList<int>{row});
    QCOMPARE(MyInit::gsOriginalID, w.rec.ids.at(row));
    QCOMPARE(w->ImgShow->imageFile(),
             transfer::cacheFolder() + QLatin1Char('/') + w.rec.ids.at(row) + ".TIF");
    QCOMPARE(w.rec.cached(row), w->ImgShow->imageFile());
    QCOMPARE(w.rec.owner.loadState(row), LoadState::Image);
    QCOMPARE(w->panelText(1), QStringLiteral("准备就绪"));
    QCOMPARE(w->panelText(2), QStringLiteral("第1页/共有5页"));
    QVERIFY(w->ImgTypeICO->pixmap().isNull());
    QVERIFY(w.rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::previousAndNextDocument() {
    Open w(3, 2);
    w->TlbMain_ButtonClick(QStringLiteral("NextFile"));
    QCOMPARE(ui::selectedRows(w->LVData), QList<int>{2});
    QCOMPARE(MyInit::gsOriginalID, w.rec.ids.at(2));
    QCOMPARE(w->ImgShow->imageFile(), w.rec.cached(2));
    QVERIFY(enabled(*w.w, "PreFile") && !enabled(*w.w, "NextFile"));
    w->TlbMain_ButtonClick(QStringLiteral("PreFile"));
    w->TlbMain_ButtonClick(QStringLiteral("PreFile"));
    QCOMPARE(ui::selectedRows(w->LVData), QList<int>{0});
    QVERIFY(!enabled(*w.w, "PreFile") && enabled(*w.w, "NextFile"));
    // Nothing before the first document.
    w->TlbMain_ButtonClick(QStringLiteral("PreFile"));
    QCOMPARE(ui::selectedRows(w->LVData), QList<int>{0});
    QVERIFY(w.rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::nonImageDocument() {
    Record rec;
    rec.addTiff(QStringLiteral("扫描件"), 3);
    rec.addFile(QStringLiteral("合同正文"), QStringLiteral(".DOC"), test::officeLike());
    rec.load();
    frmDetail w(rec.owner);
    w.SelIndex = 1;
    w.Form_Load();
    w.TlbMain_ButtonClick(QStringLiteral("NextFile"));
    QVERIFY(w.ImgShow->imageFile().isEmpty());
    QCOMPARE(w.shownState(), LoadState::NotAnImage);
    QCOMPARE(rec.cached(1), transfer::cacheFolder() + QLatin1Char('/') + rec.ids.at(1) + ".DOC");
    // FileType.INI beside the component names an icon for ".doc".
    const QImage configured(profile::componentFolder() + QStringLiteral("/图库/document.png"));
    QVERIFY(!configured.isNull());
    QCOMPARE(w.ImgTypeICO->pixmap().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
             configured.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    for (const QString& key : kImageCommands)
        QVERIFY2(!enabled(w, key), qPrintable(key));
    for (const char* key : {"Print", "PreFile", "ShowLV", "Exit"})
        QVERIFY2(enabled(w, QLatin1String(key)), key);
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
    QVERIFY(w.panelText(2).isEmpty());
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::unreadableTypeIcon() {
    Record rec;
    rec.addFile(QStringLiteral("表格"), QStringLiteral(".XLS"), test::officeLike());
    rec.load();
    rec.box.writeFile(QStringLiteral("component/FileType.INI"), "[ICON]\n.xls = broken.png\n");
    rec.box.writeFile(QStringLiteral("component/图库/broken.png"), "not a picture");
    qputenv("WO_COMPONENT_DIR", rec.box.path(QStringLiteral("component")).toLocal8Bit());
    frmDetail w(rec.owner);
    w.SelIndex = 1;
    w.Form_Load();
    qunsetenv("WO_COMPONENT_DIR");
    QVERIFY(w.ImgTypeICO->pixmap().isNull());
    QVERIFY(w.ImgShow->imageFile().isEmpty());
    for (const QString& key : kImageCommands)
        QVERIFY2(!enabled(w, key), qPrintable(key));
    QVERIFY(w.panelText(2).isEmpty());
    const auto calls = rec.dialogs->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].text, QStringLiteral("错误481：图片无效"));
    QCOMPARE(calls[0].title, QStringLiteral("图象浏览"));
}

void TestFrmDetail::fetchOnceAndWriteBack() {
    Record rec;
    rec.addTiff(QStringLiteral("一"), 5);
    rec.addTiff(QStringLiteral("二"), 5);
    rec.load();
    // The list window fetched the first document earlier; its copy has two pages since.
    const QString copy = transfer::CopyToCache(rec.owner.document(0), MyInit::storage());
    QVERIFY(!copy.isEmpty());
    rec.owner.setCachePath(0, copy);
    QVERIFY(test::writeTiff(rec.cached(0), 2, QStringLiteral("g4")));
    QVERIFY(QFile::remove(rec.stored(0)));
    {
        frmDetail w(rec.owner);
        w.SelIndex = 1;
        w.Form_Load();
        QCOMPARE(w.ImgShow->imageFile(), rec.cached(0));
        QCOMPARE(w.panelText(2), QStringLiteral("第1页/共有2页"));
        QVERIFY(rec.cached(1).isEmpty());
        w.TlbMain_ButtonClick(QStringLiteral("NextFile"));
        QCOMPARE(rec.cached(1), transfer::cacheFolder() + QLatin1Char('/') + rec.ids.at(1) + ".TIF");
        QCOMPARE(test::readFile(rec.cached(1)), test::readFile(rec.stored(1)));
    }
    // Reopened, the viewer fetches neither again.
    QVERIFY(QFile::remove(rec.stored(1)));
    frmDetail again(rec.owner);
    again.SelIndex = 2;
    again.Form_Load();
    QCOMPARE(again.panelText(2), QStringLiteral("第1页/共有5页"));
    again.TlbMain_ButtonClick(QStringLiteral("PreFile"));
    QCOMPARE(again.panelText(2), QStringLiteral("第1页/共有2页"));
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::failedFetchForgetsEarlierPage() {
    Record rec;
    rec.addTiff(QStringLiteral("扫描件"), 5);
    rec.add(QStringLiteral("丢失的原文"), QStringLiteral(".TIF"), nullptr);
    rec.load();
    frmDetail w(rec.owner);
    w.SelIndex = 1;
    w.Form_Load();
    w.TlbMain_ButtonClick(QStringLiteral("NextFile"));
    auto calls = rec.dialogs->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].text, QStringLiteral("在找不到丢失的原文文件"));
    QCOMPARE(calls[0].icon, dialogs::Icon::None);
    QVERIFY(rec.cached(1).isEmpty());
    QCOMPARE(rec.owner.loadState(1), LoadState::Failed);
    QVERIFY(!w.ImgTypeICO->pixmap().isNull());
    QVERIFY(w.panelText(2).isEmpty());
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
    for (const QString& key : kImageCommands)
        QVERIFY2(!enabled(w, key), qPrintable(key));
    // Printing now concerns the missing document, not the page shown before it.
    QVERIFY(w.ImgShow->imageFile().isEmpty());
    rec.dialogs->clear();
    rec.dialogs->queueAnswer(dialogs::Answer::No);
    w.TlbMain_ButtonClick(QStringLiteral("Print"));
    calls = rec.dialogs->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].title, QStringLiteral("打印提示"));
    // The next click tries again.
    QVERIFY(test::writeTiff(rec.stored(1), 2, QStringLiteral("g4")));
    rec.dialogs->clear();
    w.LVData_ItemClick(1);
    QCOMPARE(w.panelText(2), QStringLiteral("第1页/共有2页"));
    QCOMPARE(w.shownState(), LoadState::Image);
    QCOMPARE(rec.cached(1), w.ImgShow->imageFile());
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::cachedCopyGone() {
    Record rec;
    rec.addTiff(QStringLiteral("扫描件"), 1);
    rec.load();
    rec.owner.setCachePath(0, rec.box.path(QStringLiteral("cache/gone.TIF")));
    frmDetail w(rec.owner);
    w.SelIndex = 1;
    w.Form_Load();
    const auto calls = rec.dialogs->calls();
    QCOMPARE(calls.size(), 1);
    QVERIFY2(calls[0].text.contains(QStringLiteral("gone.TIF")), qPrintable(calls[0].text));
    QCOMPARE(calls[0].icon, dialogs::Icon::Information);
    QCOMPARE(calls[0].title, QStringLiteral("图象浏览"));
    QVERIFY(!w.ImgTypeICO->pixmap().isNull());
    QVERIFY(w.ImgShow->imageFile().isEmpty());
    QVERIFY(!enabled(w, "ZoomIn"));
}

void TestFrmDetail::ftpMode() {
    Record rec(true);
    rec.addTiff(QStringLiteral("远程扫描件"), 5);
    rec.load();
    QCOMPARE(rec.owner.document(0).path, rec.folder());
    frmDetail w(rec.owner);
    w.SelIndex = 1;
    w.Form_Load();
    QCOMPARE(rec.cached(0), transfer::cacheFolder() + QLatin1Char('/') + rec.ids.at(0) + ".TIF");
    QCOMPARE(test::readFile(rec.cached(0)), test::readFile(rec.stored(0)));
    QCOMPARE(w.panelText(2), QStringLiteral("第1页/共有5页"));
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::zoomOut_data() {
    QTest::addColumn<double>("start");
    QTest::addColumn<QList<double>>("steps");
    QTest::newRow("from 100") << 100.0 << QList<double>{90, 80, 70, 60, 50, 40, 30, 20, 10, 10, 10};
    QTest::newRow("from 17.5") << 17.5 << QList<double>{7.5, 7.5};
    QTest::newRow("from 12") << 12.0 << QList<double>{12};
}

void TestFrmDetail::zoomOut() {
    QFETCH(double, start);
    QFETCH(QList<double>, steps);
    Open w(1, 1);
    w->ImgShow->setZoomPercent(start);
    for (const double expected : steps) {
        w->TlbMain_ButtonClick(QStringLiteral("ZoomOut"));
        QCOMPARE(w->ImgShow->zoomPercent(), expected);
    }
    w->TlbMain_ButtonClick(QStringLiteral("ZoomIn"));
    QCOMPARE(w->ImgShow->zoomPercent(), steps.last() + 10);
}

void TestFrmDetail::zoomSizeNeedsRectangle() {
    Open w(1, 1);
    w->TlbMain_ButtonClick(QStringLiteral("Select"));
    w->TlbMain_ButtonClick(QStringLiteral("ZoomSize"));
    const auto calls = w.rec.dialogs->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].text, QStringLiteral("请先选择需要局部放大的区域"));
    QCOMPARE(calls[0].title, QStringLiteral("局部放大"));
    QCOMPARE(calls[0].icon, dialogs::Icon::Information);
    QVERIFY(w->ImgShow->selectionMode());
    QVERIFY(w->button("Init")->isVisible() && !w->button("Select")->isVisible());
    QVERIFY(enabled(*w.w, "ZoomSize"));
}

void TestFrmDetail::selectThenZoomIn() {
    Open w(1, 1);
    const double zoom = w->ImgShow->zoomPercent();
    w->TlbMain_ButtonClick(QStringLiteral("Select"));
    QVERIFY(w->ImgShow->selectionMode());
    w->TlbMain_ButtonClick(QStringLiteral("ZoomIn"));
    QCOMPARE(w->ImgShow->zoomPercent(), zoom + 10);
    QVERIFY(!w->ImgShow->selectionMode());
    QVERIFY(w->button("Select")->isVisible() && !w->button("Init")->isVisible());
    QVERIFY(!enabled(*w.w, "ZoomSize"));
}

void TestFrmDetail::pageButtons_data() {
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("pageText");
    QTest::addColumn<QList<bool>>("firstPreviousNextLast");
    QTest::newRow("first of five") << 5 << QStringList{} << "第1页/共有5页"
                                   << QList<bool>{false, false, true, true};
    QTest::newRow("next") << 5 << QStringList{"Next"} << "第2页/共有5页"
                          << QList<bool>{true, true, true, true};
    QTest::newRow("last") << 5 << QStringList{"Last"} << "第5页/共有5页"
                          << QList<bool>{true, true, false, false};
    QTest::newRow("last, previous") << 5 << QStringList{"Last", "Previous"} << "第4页/共有5页"
                                    << QList<bool>{true, true, true, true};
    QTest::newRow("next past the end")
        << 5 << QStringList{"Last", "Next"} << "第5页/共有5页" << QList<bool>{true, true, false, false};
    QTest::newRow("previous before the start")
        << 5 << QStringList{"Previous"} << "第1页/共有5页" << QList<bool>{false, false, true, true};
    QTest::newRow("next, first") << 5 << QStringList{"Next", "Next", "First"} << "第1页/共有5页"
                                 << QList<bool>{false, false, true, true};
    QTest::newRow("single page") << 1 << QStringList{} << "第1页/共有1页"
                                 << QList<bool>{false, false, false, false};
}

void TestFrmDetail::pageButtons() {
    QFETCH(int, pages);
    QFETCH(QStringList, commands);
    Open w(1, 1, pages);
    for (const QString& c : commands)
        w->TlbMain_ButtonClick(c);
    QTEST(w->panelText(2), "pageText");
    QTEST(states(*w.w, {"First", "Previous", "Next", "Last"}), "firstPreviousNextLast");
    const int page = w->panelText(2).mid(1, 1).toInt();
    QCOMPARE(w->ImgShow->currentPage(), page);
    // The page shown is the page named: each carries its number as a marker.
    const QImage shown = w->ImgShow->grab().toImage();
    const QTransform toWidget = w->ImgShow->imageTransform();
    QImage page1(240, 160, QImage::Format_RGB32);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x)
            page1.setPixel(x, y, shown.pixel(toWidget.map(QPointF(x + 0.5, y + 0.5)).toPoint()));
    QCOMPARE(test::markerOf(page1), page);
    QVERIFY(w.rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::navigationListOnAndOff_data() {
    QTest::addColumn<bool>("image");
    QTest::newRow("image shown") << true;
    QTest::newRow("no image") << false;
}

void TestFrmDetail::navigationListOnAndOff() {
    QFETCH(bool, image);
    Record rec;
    if (image)
        rec.addTiff(QStringLiteral("扫描件"), 1);
    else
        rec.addFile(QStringLiteral("正文"), QStringLiteral(".DOC"), test::officeLike());
    rec.load();
    frmDetail w(rec.owner);
    w.SelIndex = 1;
    w.Form_Load();
    const double zoom = w.ImgShow->zoomPercent();
    QAction* showList = w.button("ShowLV");
    w.TlbMain_ButtonClick(QStringLiteral("ShowLV"));
    QCOMPARE(w.ImgShow->geometry(), QRect(8, 9, 721, 433));
    QCOMPARE(w.ImgTypeICO->pos(), QPoint(344, 176));
    QCOMPARE(showList->toolTip(), QStringLiteral("显示导航条"));
    QCOMPARE(showList->data().toInt(), 26);
    QCOMPARE(w.LVData->geometry(), QRect(8, 8, 193, 433));
    if (image)
        QCOMPARE(w.ImgShow->zoomPercent(), zoom * 721 / 529);
    else
        QCOMPARE(w.ImgShow->zoomPercent(), zoom);
    w.TlbMain_ButtonClick(QStringLiteral("ShowLV"));
    QCOMPARE(w.ImgShow->geometry(), QRect(200, 9, 529, 433));
    QCOMPARE(w.ImgTypeICO->pos(), QPoint(232, 176));
    QCOMPARE(showList->toolTip(), QStringLiteral("隐藏导航条"));
    QCOMPARE(showList->data().toInt(), 27);
    QCOMPARE(w.ImgShow->zoomPercent(), zoom);
}

void TestFrmDetail::printCancelled() {
    Open w(1, 1);
    const QString pdf = w.rec.box.path(QStringLiteral("cancelled.pdf"));
    bool asked = false;
    w->ImgAdmin1 = std::make_unique<test::AnsweringAdmin>(w.w.get(), [&](QPrinter& printer) {
        asked = true;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return int(QDialog::Rejected);
    });
    w->TlbMain_ButtonClick(QStringLiteral("Print"));
    QVERIFY(asked);
    QVERIFY(!QFile::exists(pdf));
    QVERIFY(w.rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::printRange_data() {
    QTest::addColumn<int>("range");
    QTest::addColumn<QList<int>>("printed");
    QTest::newRow("pages 2 to 4") << int(QPrinter::PageRange) << QList<int>{2, 3, 4};
    QTest::newRow("all pages") << int(QPrinter::AllPages) << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("current page") << int(QPrinter::CurrentPage) << QList<int>{3};
}

void TestFrmDetail::printRange() {
    QFETCH(int, range);
    QFETCH(QList<int>, printed);
    Open w(1, 1);
    w->TlbMain_ButtonClick(QStringLiteral("Next"));
    w->TlbMain_ButtonClick(QStringLiteral("Next"));
    const QString pdf = w.rec.box.path(QStringLiteral("range.pdf"));
    w->ImgAdmin1 = std::make_unique<test::AnsweringAdmin>(
        w.w.get(), test::AnsweringAdmin::toPdf(pdf, QPrinter::PrintRange(range), 2, 4));
    w->TlbMain_ButtonClick(QStringLiteral("Print"));
    QVERIFY(w.rec.dialogs->calls().isEmpty());
    QCOMPARE(test::pdfPageCount(pdf), printed.size());
    // Each printed page carries its page number as a marker.
    QCOMPARE(test::printedMarkers(pdf, w.rec.box.path(QStringLiteral("printed"))), printed);
}

void TestFrmDetail::printNonImageFromCache() {
    Record rec;
    rec.addFile(QStringLiteral("合同正文"), QStringLiteral(".DOC"), test::officeLike());
    rec.load();
    const QString copy = rec.box.path(QStringLiteral("printed.DOC"));
    rec.box.writeFile(QStringLiteral("config/wendra-original/print-routes.ini"),
                      "[print]\napplication/zip = /bin/cp %f \"" + copy.toUtf8() + "\"\n");
    frmDetail w(rec.owner);
    w.SelIndex = 1;
    w.Form_Load();
    QVERIFY(enabled(w, "Print"));
    w.TlbMain_ButtonClick(QStringLiteral("Print"));
    QTRY_COMPARE_WITH_TIMEOUT(test::readFile(copy), test::officeLike(), 20000);
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::commandErrorShowsDescription() {
    Open w(1, 1);
    QVERIFY(QFile::remove(w->ImgShow->imageFile()));
    w->TlbMain_ButtonClick(QStringLiteral("Print"));
    const auto calls = w.rec.dialogs->calls();
    QCOMPARE(calls.size(), 1);
    QVERIFY2(calls[0].text.contains(w.rec.ids.at(0)) && !calls[0].text.startsWith(QStringLiteral("错误")),
             qPrintable(calls[0].text));
    QCOMPARE(calls[0].icon, dialogs::Icon::None);
    QCOMPARE(calls[0].buttons, dialogs::Buttons::OK);
    QCOMPARE(calls[0].title, dialogs::defaultTitle());
}

void TestFrmDetail::dragPansOrSelects() {
    Open w(1, 1);
    imaging::ImageViewWidget* view = w->ImgShow;
    view->setZoomPercent(400);
    const QPointF before = view->scrollOffset();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(view, QPoint(280, 290));
    QTest::mouseMove(view, QPoint(250, 270));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(250, 270));
    QCOMPARE(view->scrollOffset(), before + QPointF(50, 30));
    QCOMPARE(w->dragPoint(), QPoint(250, 270));
    QVERIFY(!w->hasSelection());

    w->TlbMain_ButtonClick(QStringLiteral("Select"));
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(view, QPoint(150, 130));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(200, 150));
    QCOMPARE(view->scrollOffset(), before + QPointF(50, 30));
    QCOMPARE(view->selectionRect(), QRect(100, 100, 100, 50));
    QVERIFY(w->hasSelection());
    w->TlbMain_ButtonClick(QStringLiteral("ZoomSize"));
    QVERIFY(view->zoomPercent() > 400);
    QVERIFY(!w->hasSelection());
    QVERIFY(!view->selectionMode());
    QVERIFY(w.rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::dragHandlers_data() {
    QTest::addColumn<int>("downButton");
    QTest::addColumn<QPointF>("down");
    QTest::addColumn<int>("moveButton");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<bool>("selecting");
    QTest::addColumn<QPoint>("recorded");
    QTest::newRow("left drag") << 1 << QPointF(100.4, 100.6) << 1 << QPointF(90, 80) << false
                               << QPoint(90, 80);
    QTest::newRow("right press records nothing")
        << 2 << QPointF(100, 100) << 1 << QPointF(90, 80) << false << QPoint();
    QTest::newRow("move without the left button")
        << 1 << QPointF(100, 100) << 0 << QPointF(90, 80) << false << QPoint(100, 100);
    QTest::newRow("recorded x is 0") << 1 << QPointF(0, 100) << 1 << QPointF(10, 80) << false
                                     << QPoint(0, 100);
    QTest::newRow("selection mode") << 1 << QPointF(100, 100) << 1 << QPointF(90, 80) << true
                                    << QPoint(100, 100);
}

void TestFrmDetail::dragHandlers() {
    QFETCH(int, downButton);
    QFETCH(QPointF, down);
    QFETCH(int, moveButton);
    QFETCH(QPointF, to);
    QFETCH(bool, selecting);
    Open w(1, 1);
    w->ImgShow->setZoomPercent(400);
    w->ImgShow->setSelectionMode(selecting);
    const QPointF before = w->ImgShow->scrollOffset();
    w->ImgShow_MouseDown(downButton, 0, down.x(), down.y());
    w->ImgShow_MouseMove(moveButton, 0, to.x(), to.y());
    // The view pans itself (dragPansOrSelects): a second mover here would double every drag.
    QCOMPARE(w->ImgShow->scrollOffset(), before);
    QTEST(w->dragPoint(), "recorded");
}

void TestFrmDetail::wheelAndKeys() {
    Open w(1, 1);
    imaging::ImageViewWidget* view = w->ImgShow;
    view->setZoomPercent(400);
    const QPointF before = view->scrollOffset();
    wheel(view, -120);
    QCOMPARE(view->scrollOffset(), before + QPointF(0, QApplication::wheelScrollLines() * 20));
    wheel(view, 120, Qt::ControlModifier);
    QCOMPARE(view->zoomPercent(), 410.0);
    // Two half notches make one step.
    wheel(view, -60, Qt::ControlModifier);
    QCOMPARE(view->zoomPercent(), 410.0);
    wheel(view, -60, Qt::ControlModifier);
    QCOMPARE(view->zoomPercent(), 400.0);
    QTest::keyClick(view, Qt::Key_Plus);
    QCOMPARE(view->zoomPercent(), 410.0);
    QTest::keyClick(view, Qt::Key_Minus);
    QTest::keyClick(view, Qt::Key_Minus);
    QCOMPARE(view->zoomPercent(), 390.0);
    view->setZoomPercent(12);
    wheel(view, -120, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Minus);
    QCOMPARE(view->zoomPercent(), 12.0);

    const QList<std::pair<Qt::Key, int>> pages{
        {Qt::Key_PageDown, 2}, {Qt::Key_PageDown, 3}, {Qt::Key_PageUp, 2}, {Qt::Key_End, 5},
        {Qt::Key_PageDown, 5}, {Qt::Key_Home, 1},     {Qt::Key_PageUp, 1}};
    for (const auto& [key, page] : pages) {
        QTest::keyClick(view, key);
        QCOMPARE(view->currentPage(), page);
        QCOMPARE(w->panelText(2), QStringLiteral("第%1页/共有5页").arg(page));
    }
    QVERIFY(w.rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::doubleClickOpensOwnProgram() {
    Open w(2, 1);
    const test::TestAssociation association(w.rec.box, {QStringLiteral("image/tiff")});
    ui::setCurrentRow(w->LVData, 1);
    w->LVData_DblClick();
    const QString local = w.rec.cached(1);
    QVERIFY(!local.isEmpty());
    QCOMPARE(w.rec.owner.loadState(1), LoadState::Fetched);
    QTRY_COMPARE_WITH_TIMEOUT(association.recorded(), local.toUtf8(), 20000);
    // Opening is not showing: the view stays on the first document.
    QCOMPARE(w->ImgShow->imageFile(), w.rec.cached(0));
    QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(w->panelText(1), QStringLiteral("准备就绪"));
    QVERIFY(w.rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::doubleClickFailureIsReported() {
    Record rec;
    // Only TIFF files have a program.
    const test::TestAssociation association(rec.box, {QStringLiteral("image/tiff")});
    rec.addFile(QStringLiteral("合同正文"), QStringLiteral(".DOC"), test::officeLike());
    rec.load();
    frmDetail w(rec.owner);
    w.Form_Load();
    w.LVData_DblClick(); // nothing selected
    QVERIFY(rec.cached(0).isEmpty());
    ui::setCurrentRow(w.LVData, 0);
    w.LVData_DblClick();
    const auto calls = rec.dialogs->calls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].text, QStringLiteral("错误%1：没有与该文件关联的程序：%2.DOC")
                                .arg(imaging::DesktopOpener::NoAssociatedProgram)
                                .arg(rec.ids.at(0)));
    QCOMPARE(calls[0].title, QStringLiteral("图象浏览"));
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!rec.cached(0).isEmpty());
    // A double-click on the list's empty space acts on the selected row as well.
    const QPoint below(10, w.LVData->viewport()->height() - 4);
    QCOMPARE(ui::rowAt(w.LVData, below), -1);
    QTest::mouseDClick(w.LVData->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(rec.dialogs->calls().size(), 2);
}

// A click on the list's blank space clears its selection; the commands still act on
// the document shown, the list's current row.
void TestFrmDetail::blankClickKeepsCurrentDocument() {
    Record rec;
    rec.addTiff(QStringLiteral("扫描件1"), 1);
    rec.addFile(QStringLiteral("合同正文"), QStringLiteral(".DOC"), test::officeLike());
    rec.addTiff(QStringLiteral("扫描件3"), 1);
    rec.load();
    const QString copy = rec.box.path(QStringLiteral("printed.DOC"));
    rec.box.writeFile(QStringLiteral("config/wendra-original/print-routes.ini"),
                      "[print]\napplication/zip = /bin/cp %f \"" + copy.toUtf8() + "\"\n");
    // The component and xdg-open may name the type by name or by content.
    const test::TestAssociation association(
        rec.box, {QStringLiteral("application/msword"), QStringLiteral("application/zip")});
    frmDetail w(rec.owner);
    w.SelIndex = 2;
    w.Form_Load();
    const QPoint below(10, w.LVData->viewport()->height() - 4);
    QCOMPARE(ui::rowAt(w.LVData, below), -1);
    const auto clickBlank = [&] {
        QTest::mouseClick(w.LVData->viewport(), Qt::LeftButton, {}, below);
        QVERIFY(ui::selectedRows(w.LVData).isEmpty());
    };

    clickBlank();
    w.TlbMain_ButtonClick(QStringLiteral("Print"));
    QTRY_COMPARE_WITH_TIMEOUT(test::readFile(copy), test::officeLike(), 20000);
    QTest::mouseDClick(w.LVData->viewport(), Qt::LeftButton, {}, below);
    QTRY_COMPARE_WITH_TIMEOUT(association.recorded(), rec.cached(1).toUtf8(), 20000);
    clickBlank();
    w.TlbMain_ButtonClick(QStringLiteral("NextFile"));
    QCOMPARE(w.ImgShow->imageFile(), rec.cached(2));
    clickBlank();
    w.TlbMain_ButtonClick(QStringLiteral("PreFile"));
    QCOMPARE(MyInit::gsOriginalID, rec.ids.at(1));
    QCOMPARE(ui::currentRow(w.LVData), 1);
    QVERIFY(rec.dialogs->calls().isEmpty());
}

void TestFrmDetail::exitCloses() {
    Open w(1, 1);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.w.get()));
    w->TlbMain_ButtonClick(QStringLiteral("Exit"));
    QVERIFY(!w->isVisible());
    QVERIFY(!w.rec.cached(0).isEmpty());
}

void TestFrmDetail::keysInTheListShowTheDocument() {
    Open w(3, 1, 2);
    w->show();
    w->LVData->setFocus();
    QTest::keyClick(w->LVData, Qt::Key_Down);
    QCOMPARE(ui::currentRow(w->LVData), 1);
    QCOMPARE(w->ImgShow->imageFile(), w.rec.cached(1));
    QCOMPARE(w->panelText(2), QStringLiteral("第1页/共有2页"));
    QTest::keyClick(w->LVData, Qt::Key_End);
    QCOMPARE(w->ImgShow->imageFile(), w.rec.cached(2));
    QVERIFY(!enabled(*w.w, QStringLiteral("NextFile")));
    QVERIFY(w.rec.dialogs->calls().isEmpty());
}

// Each opening of the viewer shows the same toolbar pictures, made once; neither
// window makes a printer (asking the print system for its printers) until it prints.
void TestFrmDetail::openingsMakeNothingAgain() {
    QHash<QString, qint64> first;
    for (int opening = 0; opening < 2; ++opening) {
        Open w(2, 1);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.w.get()));
        // The navigation toggle changes its picture and back.
        w->TlbMain_ButtonClick(QStringLiteral("ShowLV"));
        w->TlbMain_ButtonClick(QStringLiteral("ShowLV"));
        for (const QAction* action : w->TlbMain->actions()) {
            if (action->isSeparator())
                continue;
            QVERIFY(!action->icon().isNull());
            if (opening == 0)
                first.insert(action->objectName(), action->icon().cacheKey());
            else
                QCOMPARE(action->icon().cacheKey(), first.value(action->objectName()));
        }
        QVERIFY(!w->ImgAdmin1->hasPrinter());
    }
    QCOMPARE(first.size(), 19);
    ui::FrmMainList list;
    QVERIFY(!list.ImgAdmin1->hasPrinter());
}

namespace {

// Every page has its picture; none is left from a document shown before.
bool allDrawn(const ui::PageStrip& strip) {
    for (int i = 0; i < strip.count(); ++i)
        if (strip.item(i)->icon().isNull())
            return false;
    return true;
}

} // namespace

void TestFrmDetail::thumbnailStrip() {
    Record rec;
    rec.addTiff(QStringLiteral("合同"), 4);
    rec.addTiff(QStringLiteral("发票"), 3);
    rec.load();
    frmDetail w(rec.owner);
    w.SelIndex = 1;
    w.Form_Load();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QRect pageArea = w.ImgShow->geometry();
    QVERIFY(!w.pageStrip());
    QCOMPARE(w.ImgShow->actions(), QList<QAction*>{w.ActThumbnails});
    QCOMPARE(w.ActThumbnails->text(), QStringLiteral("页面缩略图"));

    QTest::keyClick(w.ImgShow, Qt::Key_F4);
    ui::PageStrip* strip = w.pageStrip();
    QVERIFY(strip && strip->isVisible());
    QCOMPARE(strip->count(), 4);
    QCOMPARE(w.ImgShow->geometry().adjusted(0, 0, strip->width(), 0), pageArea);
    QCOMPARE(strip->geometry().right(), pageArea.right());
    QTRY_VERIFY(allDrawn(*strip));
    const QString kept = imaging::ThumbnailCache(transfer::cacheFolder() + "/thumbnails")
                             .fileFor(rec.ids.at(0), QFileInfo(rec.cached(0)).size(), 3);
    QVERIFY(QFileInfo::exists(kept));
    QCOMPARE(strip->currentRow(), 0);

    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, strip->visualItemRect(strip->item(2)).center());
    QCOMPARE(w.ImgShow->currentPage(), 3);
    QCOMPARE(w.panelText(2), QStringLiteral("第3页/共有4页"));
    QVERIFY(enabled(w, "Last"));
    QVERIFY(strip->item(2)->isSelected());
    w.TlbMain_ButtonClick(QStringLiteral("Next"));
    QCOMPARE(strip->currentRow(), 3);
    QCOMPARE(strip->selectedItems(), QList<QListWidgetItem*>{strip->item(3)});

    // Another document lists its own pages, drawn afresh.
    w.TlbMain_ButtonClick(QStringLiteral("NextFile"));
    QCOMPARE(strip->count(), 3);
    QVERIFY(strip->item(0)->icon().isNull());
    QCOMPARE(strip->currentRow(), 0);
    QTRY_VERIFY(allDrawn(*strip));

    // The navigation list makes room beside the strip, not under it.
    w.TlbMain_ButtonClick(QStringLiteral("ShowLV"));
    QCOMPARE(w.ImgShow->geometry().right() + 1, strip->x());
    w.TlbMain_ButtonClick(QStringLiteral("ShowLV"));

    QTest::keyClick(w.ImgShow, Qt::Key_F4);
    QVERIFY(strip->isHidden());
    QVERIFY(!w.ActThumbnails->isChecked());
    QCOMPARE(w.ImgShow->geometry(), pageArea);
}

namespace {

// A page's words, each given as its box in ten-thousandths and its text, on line 0.
wo::text::PageText page(int index, const QList<std::pair<QRect, QString>>& words) {
    wo::text::PageText p;
    p.page = index;
    for (const auto& [box, text] : words)
        p.words.append({box, text, 0});
    return p;
}

} // namespace

void TestFrmDetail::searchHits() {
    Record rec;
    rec.addTiff(QStringLiteral("合同"), 3);
    rec.addTiff(QStringLiteral("发票"), 2);
    rec.addTiff(QStringLiteral("附件"), 1);
    rec.load();
    const QRect party(1000, 1000, 1000, 500);
    const QRect contract(2100, 1000, 1000, 500);
    {
        const auto own = db::Connection::openCopy(rec.db.connection());
        wo::text::TextTable table(*own);
        table.ensure();
        table.store(rec.ids[0], {page(0, {{party, "甲方"}, {contract, "合同"}}),
                                 page(2, {{QRect(0, 0, 500, 500), "合同"}})});
        table.store(rec.ids[1], {page(0, {{QRect(0, 0, 3000, 500), "发票号码20261208"}})});
        // Recognised text: a space between every two Chinese characters.
        table.store(rec.ids[2], {page(0, {{QRect(0, 0, 400, 400), "合"}, {QRect(500, 0, 400, 400), "同"}})});
    }

    // Search off: the viewer is as it always was.
    {
        frmDetail off(rec.owner);
        off.setFindText(QStringLiteral("合同"));
        QVERIFY(!off.hitLayer() && !off.ActCopyText && !off.ActNextHit);
    }

    MyInit::gsTextSearch = QStringLiteral("chi_sim");
    frmDetail w(rec.owner);
    w.SelIndex = 1;
    w.Form_Load();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(w.ImgShow->actions(), (QList<QAction*>{w.ActThumbnails, w.ActCopyText}));
    QCOMPARE(w.ActCopyText->text(), QStringLiteral("复制文字"));
    QTest::keyClick(w.ImgShow, Qt::Key_F4);
    const ui::PageStrip* strip = w.pageStrip();
    // The marks cover the page area as the strip leaves it.
    QCOMPARE(w.hitLayer()->geometry(), w.ImgShow->rect());
    // No term yet: no marks, no moves, the status as before.
    QTest::keyClick(w.ImgShow, Qt::Key_F3);
    QCOMPARE(w.ImgShow->currentPage(), 1);
    QVERIFY(w.hitLayer()->shownBoxes().isEmpty());
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));

    w.setFindText(QStringLiteral("合 同"));
    QCOMPARE(w.hitLayer()->shownBoxes().size(), 1);
    QCOMPARE(w.panelText(1), QStringLiteral("“合 同”在第1、3页"));
    QCOMPARE(QList<bool>({strip->isMarked(1), strip->isMarked(2), strip->isMarked(3)}),
             QList<bool>({true, false, true}));
    // The mark turns with the page and stays on it.
    w.TlbMain_ButtonClick(QStringLiteral("RotateRight"));
    const QRectF pageArea = w.ImgShow->imageTransform().mapRect(QRectF(QPointF(), w.ImgShow->pageSize()));
    const QRectF mark = w.hitLayer()->shownBoxes().value(0);
    QVERIFY(mark.height() > mark.width());
    QVERIFY(pageArea.contains(mark));

    // On through the pages and documents with hits, round to the first; and back.
    const auto at = [&] { return std::pair(ui::currentRow(w.LVData), w.ImgShow->currentPage()); };
    QTest::keyClick(w.ImgShow, Qt::Key_F3);
    QCOMPARE(at(), std::pair(0, 3));
    QTest::keyClick(w.ImgShow, Qt::Key_F3);
    QCOMPARE(at(), std::pair(2, 1));
    QCOMPARE(w.hitLayer()->shownBoxes().size(), 2);
    QCOMPARE(w.panelText(1), QStringLiteral("“合 同”在第1页"));
    QTest::keyClick(w.ImgShow, Qt::Key_F3);
    QCOMPARE(at(), std::pair(0, 1));
    QTest::keyClick(w.ImgShow, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(at(), std::pair(2, 1));
    QTest::keyClick(w.ImgShow, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(at(), std::pair(0, 3));

    // The words in a drawn area, copied; a page without text has nothing to copy.
    w.TlbMain_ButtonClick(QStringLiteral("First"));
    QCOMPARE(at(), std::pair(0, 1));
    w.TlbMain_ButtonClick(QStringLiteral("Select"));
    const QRect area =
        ui::boxToWidget(party.united(contract), w.ImgShow->pageSize(), w.ImgShow->imageTransform())
            .toAlignedRect();
    w.ImgShow->setSelectionRect(area.x(), area.y(), area.width(), area.height());
    QVERIFY(w.ActCopyText->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    w.ActCopyText->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("甲方合同"));
    w.TlbMain_ButtonClick(QStringLiteral("Next"));
    QVERIFY(!w.ActCopyText->isEnabled());

    // Text read since is found when the term comes again.
    wo::text::TextTable(*db::Connection::openCopy(rec.db.connection()))
        .store(rec.ids[0], {page(0, {{contract, "合同"}}), page(1, {{contract, "合同"}})});
    w.setFindText(QStringLiteral("合 同"));
    QCOMPARE(w.panelText(1), QStringLiteral("“合 同”在第1、2页"));
    QVERIFY(strip->isMarked(2) && !strip->isMarked(3));

    w.setFindText(QString());
    QVERIFY(w.hitLayer()->shownBoxes().isEmpty());
    QVERIFY(!strip->isMarked(1) && !strip->isMarked(2));
    QCOMPARE(w.panelText(1), QStringLiteral("准备就绪"));
    QTest::keyClick(w.ImgShow, Qt::Key_F3);
    QCOMPARE(at(), std::pair(0, 2));
}

QTEST_MAIN(TestFrmDetail)
#include "tst_frmdetail.moc"
