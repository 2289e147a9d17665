#include "ui/viewer/frmDetail.h"

#include "imaging/DesktopOpener.h"
#include "imaging/ImageAdminDialog.h"
#include "imaging/ImageViewWidget.h"
#include "imaging/PagePrefetcher.h"
#include "platform/Error.h"
#include "platform/dialogs/Dialogs.h"
#include "settings/MyInit.h"
#include "ui/common/Guard.h"
#include "ui/common/ListItem.h"
#include "ui/common/Twips.h"
#include "ui/common/TypeIcon.h"
#include "ui/common/WindowParts.h"
#include "ui/viewer/ViewerCommands.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QWheelEvent>
#include <cmath>
#include <optional>

namespace wo::ui {

namespace {

const QString kCaption = QStringLiteral("图象浏览");
const QString kHideList = QStringLiteral("隐藏导航条");
const QString kShowList = QStringLiteral("显示导航条");

// ImgShow's left edge and width, and ImgTypeICO's left within it, with the list shown and hidden.
struct ImageArea {
    int left, width, iconLeft, image;
    const QString& tip;
};
const ImageArea kListShown{3000, 7935, 3480, 27, kHideList};
const ImageArea kListHidden{120, 10815, 5160, 26, kShowList};

// The toolbar from left to right; an entry without a key is a separator.
struct ToolEntry {
    const char16_t* key;
    const char16_t* tip;
    int image;
};
constexpr ToolEntry kToolbar[] = {
    {u"ZoomIn", u"放大", 1},
    {u"ZoomOut", u"缩小", 2},
    {u"OwnFit", u"原始大小", 29},
    {u"FitShow", u"最佳匹配", 20},
    {u"FitWidth", u"宽度匹配", 21},
    {nullptr, nullptr, 0},
    {u"Select", u"选择区域", 5},
    {u"ZoomSize", u"局部放大", 6},
    {u"Init", u"恢复选择", 7},
    {nullptr, nullptr, 0},
    {u"RotateLeft", u"向左旋转90度", 18},
    {u"RotateRight", u"向右旋转90度", 17},
    {nullptr, nullptr, 0},
    {u"First", u"第一页", 10},
    {u"Previous", u"上一页", 11},
    {u"Next", u"下一页", 12},
    {u"Last", u"最后一页", 13},
    {nullptr, nullptr, 0},
    {u"Print", u"打印", 14},
    {nullptr, nullptr, 0},
    {u"PreFile", u"上一份原文", 19},
    {u"NextFile", u"下一份原文", 15},
    {u"ShowLV", u"隐藏导航条", 27},
    {nullptr, nullptr, 0},
    {u"Exit", u"退出", 16},
};

// Zoom changes by this many percentage points per step; below the floor it stops.
constexpr double kZoomStep = 10;
constexpr double kZoomOutFloor = 12;
constexpr int kWheelNotch = 120;
// Pixels one wheel line scrolls the page.
constexpr int kWheelLinePixels = 20;

qint16 whole(double value) {
    return static_cast<qint16>(std::lround(value));
}

} // namespace

frmDetail::frmDetail(QTreeWidget* ownerList, QWidget* parent) : QDialog(parent), m_owner(ownerList) {
    setObjectName(QStringLiteral("frmDetail"));
    setWindowTitle(kCaption);
    buildLayout();
    buildToolbar();
    fitOnScreen();
}

void frmDetail::fitOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The title bar and borders are taken as large as the owner window's.
    QSize frame(0, 0);
    if (const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        owner && owner->isVisible())
        frame = owner->frameGeometry().size() - owner->size();
    const QRect room = screen->availableGeometry();
    // The page area keeps at least a third of its width and height.
    m_shrink = shrinkToFit(size() + frame, room.size(), ImgShow->size() * 2 / 3);
    const int dw = m_shrink.width();
    const int dh = m_shrink.height();
    setFixedSize(size() - m_shrink);
    LVData->resize(LVData->width(), LVData->height() - dh);
    ImgShow->resize(ImgShow->size() - m_shrink);
    TlbMain->resize(TlbMain->width() - dw, TlbMain->height());
    for (QWidget* bar : {static_cast<QWidget*>(CoolBar1), static_cast<QWidget*>(StaBar)})
        bar->setGeometry(bar->x(), bar->y() - dh, bar->width() - dw, bar->height());
    // Centred; a window still too large keeps its title bar on the screen.
    const QSize spare = (room.size() - size() - frame).expandedTo(QSize(0, 0));
    move(room.topLeft() + QPoint(spare.width() / 2, spare.height() / 2));
}

frmDetail::~frmDetail() = default;

void frmDetail::buildLayout() {
    setFixedSize(twips(10980, this), twips(7800, this));

    ImgBack = new QLabel(this);
    ImgBack->setObjectName(QStringLiteral("ImgBack"));
    ImgBack->setGeometry(twipsRect(0, 0, 720, 720, this));
    // The same default icon as the list window's.
    ImgBack->setPixmap(QPixmap(QStringLiteral(":/wendra/list/ImgBack.png")));
    ImgBack->hide();

    LVData = new QTreeWidget(this);
    LVData->setObjectName(QStringLiteral("LVData"));
    LVData->setGeometry(twipsRect(120, 120, 2895, 6495, this));
    setUpDocumentList(LVData,
                      {QStringLiteral("序号"), QStringLiteral("原文名称"), QStringLiteral("原文类型"),
                       QStringLiteral("原文路径")},
                      500, 3000, this);
    LVData->setSelectionMode(QAbstractItemView::SingleSelection);

    // Created after the list so that, widened, it covers it.
    ImgShow = new imaging::ImageViewWidget(this);
    ImgShow->setObjectName(QStringLiteral("ImgShow"));
    ImgShow->setGeometry(twipsRect(kListShown.left, 135, kListShown.width, 6495, this));
    ImgShow->setFocusPolicy(Qt::StrongFocus);
    ImgShow->installEventFilter(this);
    ImgTypeICO = new QLabel(ImgShow);
    ImgTypeICO->setObjectName(QStringLiteral("ImgTypeICO"));
    ImgTypeICO->setGeometry(twipsRect(kListShown.iconLeft, 2640, 720, 720, this));
    ImgTypeICO->setAttribute(Qt::WA_TransparentForMouseEvents);

    CoolBar1 = new QFrame(this);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    CoolBar1->setFrameShape(QFrame::StyledPanel);
    CoolBar1->setFrameShadow(QFrame::Raised);
    CoolBar1->setGeometry(twipsRect(120, 6760, 10695, 510, this));
    TlbMain = new QToolBar(CoolBar1);
    TlbMain->setObjectName(QStringLiteral("TlbMain"));
    TlbMain->setGeometry(twipsRect(165, 30, 10275, 450, this));
    TlbMain->setIconSize(QSize(24, 24));
    TlbMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
    TlbMain->setMovable(false);
    TlbMain->setFloatable(false);

    StaBar = new QStatusBar(this);
    StaBar->setObjectName(QStringLiteral("StaBar"));
    StaBar->setGeometry(twipsRect(0, 7545, 10980, 255, this));
    m_panels = std::make_unique<StatusPanels>(StaBar, std::array{3820, 5000, 2100}, this);

    ImgAdmin1 = std::make_unique<imaging::ImageAdminDialog>(this);
    OLE1 = std::make_unique<imaging::DesktopOpener>();

    connect(LVData, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { guarded(this, kCaption, [&] { LVData_ItemClick(item); }); });
    connect(LVData, &QTreeWidget::itemDoubleClicked, this, [this] { LVData_DblClick(); });
    onEmptyDoubleClick(LVData, [this] { LVData_DblClick(); });
    onKeyMove(LVData, [this](QTreeWidgetItem* item) {
        guarded(this, kCaption, [this, item] { LVData_ItemClick(item); });
    });
    connect(ImgShow, &imaging::ImageView::mouseDown, this, [this](int button, int shift, int x, int y) {
        guarded(this, kCaption, [&] { ImgShow_MouseDown(button, shift, x, y); });
    });
    connect(ImgShow, &imaging::ImageView::mouseMove, this, [this](int button, int shift, int x, int y) {
        guarded(this, kCaption, [&] { ImgShow_MouseMove(button, shift, x, y); });
    });
    connect(ImgShow, &imaging::ImageView::selectionRectDrawn, this,
            [this](int left, int top, int width, int height) {
                ImgShow_SelectionRectDrawn(left, top, width, height);
            });
}

void frmDetail::buildToolbar() {
    for (const ToolEntry& entry : kToolbar) {
        if (!entry.key) {
            TlbMain->addSeparator();
            continue;
        }
        const QString key = QString::fromUtf16(entry.key);
        QAction* action = TlbMain->addAction(QString::fromUtf16(entry.tip));
        action->setObjectName(key);
        action->setToolTip(QString::fromUtf16(entry.tip));
        setImage(action, entry.image);
        connect(action, &QAction::triggered, this, [this, key] { TlbMain_ButtonClick(key); });
    }
}

void frmDetail::setImage(QAction* action, int image) {
    action->setData(image);
    // Both densities, whatever the screen at start: a window may move to a denser one.
    const QString base = QStringLiteral(":/wendra/viewer/icons/%1").arg(image, 2, 10, QLatin1Char('0'));
    QIcon icon(base + QStringLiteral(".png"));
    icon.addFile(base + QStringLiteral("@2x.png"));
    action->setIcon(icon);
}

QAction* frmDetail::button(const QString& key) const {
    return TlbMain->findChild<QAction*>(key, Qt::FindDirectChildrenOnly);
}

QString frmDetail::panelText(int panel) const {
    return m_panels->text(panel);
}

void frmDetail::setPanelText(int panel, const QString& text) {
    m_panels->setText(panel, text);
}

void frmDetail::Form_Load() {
    LVData->clear();
    QList<QTreeWidgetItem*> items;
    for (int i = 0; m_owner && i < m_owner->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* own = m_owner->topLevelItem(i);
        QTreeWidgetItem* item = ListItem::recreate(own);
        ListItem::setCachePath(item, ListItem::cachePath(own));
        items << item;
    }
    LVData->addTopLevelItems(items);
    // A position past the end names no document: nothing is shown, as for 0.
    if (SelIndex <= 0 || SelIndex > items.size())
        return;
    QTreeWidgetItem* item = items.at(SelIndex - 1);
    LVData->setCurrentItem(item);
    LVData->scrollToItem(item);
    guarded(this, kCaption, [&] { LVData_ItemClick(item); });
    ImgShow->setFocus();
}

void frmDetail::setCommandStates() {
    const ViewerState state{.imageShown = !ImgShow->imageFile().isEmpty(),
                            .selecting = ImgShow->selectionMode(),
                            .page = ImgShow->currentPage(),
                            .pageCount = ImgShow->pageCount(),
                            .document = m_document,
                            .documentCount = LVData->topLevelItemCount()};
    for (QAction* action : TlbMain->actions()) {
        if (!action->isSeparator())
            action->setEnabled(commandEnabled(action->objectName(), state));
    }
}

QString frmDetail::localCopy(QTreeWidgetItem* item) {
    const QString cached = ListItem::cachePath(item);
    if (!cached.isEmpty())
        return cached;
    const QString path = fetchLocalCopy(item, *m_panels);
    if (QTreeWidgetItem* own = m_owner ? m_owner->topLevelItem(LVData->indexOfTopLevelItem(item)) : nullptr)
        ListItem::setCachePath(own, path);
    return path;
}

void frmDetail::LVData_ItemClick(QTreeWidgetItem* item) {
    if (!item)
        return;
    std::optional<Error> pending;
    m_document = LVData->indexOfTopLevelItem(item) + 1;
    try {
        MyInit::gsOriginalID = ListItem::tag(item);
        ImgShow->clearImage();
        ImgShow->setCurrentPage(1);
        const QString path = localCopy(item);
        if (path.isEmpty()) {
            unsetCursor();
        } else {
            ImgShow->setImageFile(path);
            ImgShow->showImage();
            ImgShow->fitImage(imaging::ImageView::FitToWidth);
            ImgTypeICO->setPixmap(QPixmap());
            RefreshToolbar();
            setPageText();
            prefetchAfter(0);
            return;
        }
    } catch (const std::exception& e) {
        pending = errorOf(e);
    }

    // Nothing is shown: the type icon, no image commands, no page. The view also
    // forgets the file, so that printing and refitting cannot reach the document
    // shown before.
    std::optional<Error> iconError;
    try {
        ShowTypeIcon(item->text(ListItem::Type).toLower());
    } catch (const Error& e) {
        iconError = e;
    }
    ImgShow->setImageFile(QString());
    setCommandStates();
    if (pending && pending->number() != err::InvalidFileFormat)
        dialogs::inform(this, pending->description(), kCaption, dialogs::Icon::Information);
    setPanelText(2, QString());
    if (iconError)
        throw *iconError;
}

void frmDetail::LVData_DblClick() {
    QTreeWidgetItem* item = LVData->currentItem();
    if (!item)
        return;
    setCursor(Qt::WaitCursor);
    guarded(this, kCaption, [&] {
        // Back to the arrow before any message about the failure.
        const auto arrow = qScopeGuard([this] { unsetCursor(); });
        const QString path = localCopy(item);
        if (!path.isEmpty())
            OLE1->openInOwnApplication(path);
    });
}

void frmDetail::ShowTypeIcon(const QString& type) {
    ui::ShowTypeIcon(ImgTypeICO, ImgBack, type, ErrorPolicy::Throw);
}

void frmDetail::RefreshToolbar() {
    if (ImgShow->selectionMode())
        ImgShow->setSelectionRect(0, 0, 0, 0);
    setSelecting(false);
}

void frmDetail::setSelecting(bool on) {
    ImgShow->setSelectionMode(on);
    button(QStringLiteral("Init"))->setVisible(on);
    button(QStringLiteral("Select"))->setVisible(!on);
    setCommandStates();
}

void frmDetail::setPageText() {
    setPanelText(2, QStringLiteral("第") + QString::number(ImgShow->currentPage()) +
                        QStringLiteral("页/共有") + QString::number(ImgShow->pageCount()) +
                        QStringLiteral("页"));
}

void frmDetail::TlbMain_ButtonClick(const QString& key) {
    try {
        command(key);
    } catch (const std::exception& e) {
        const Error error = errorOf(e);
        if (error.number() != err::PrintDialogCancelled)
            dialogs::inform(this, error.description(), QString(), dialogs::Icon::None);
    }
}

void frmDetail::command(const QString& key) {
    using imaging::ImageView;
    if (key == QLatin1String("Select")) {
        setSelecting(true);
    } else if (key == QLatin1String("Init")) {
        RefreshToolbar();
    } else if (key == QLatin1String("ZoomSize")) {
        if (bHasSelection) {
            ImgShow->zoomToSelection();
            bHasSelection = false;
            RefreshToolbar();
        } else {
            dialogs::inform(this, QStringLiteral("请先选择需要局部放大的区域"), QStringLiteral("局部放大"),
                            dialogs::Icon::Information);
        }
    } else if (key == QLatin1String("RotateLeft")) {
        ImgShow->rotateViewLeft();
        RefreshToolbar();
    } else if (key == QLatin1String("RotateRight")) {
        ImgShow->rotateViewRight();
        RefreshToolbar();
    } else if (key == QLatin1String("ZoomIn")) {
        zoomBy(kZoomStep);
    } else if (key == QLatin1String("ZoomOut")) {
        if (ImgShow->zoomPercent() > kZoomOutFloor)
            zoomBy(-kZoomStep);
    } else if (key == QLatin1String("OwnFit")) {
        ImgShow->fitImage(ImageView::ActualSize);
        RefreshToolbar();
    } else if (key == QLatin1String("FitShow")) {
        ImgShow->fitImage(ImageView::BestFit);
        RefreshToolbar();
    } else if (key == QLatin1String("FitWidth")) {
        ImgShow->fitImage(ImageView::FitToWidth);
        RefreshToolbar();
    } else if (key == QLatin1String("First")) {
        showPage(1);
    } else if (key == QLatin1String("Previous")) {
        if (ImgShow->currentPage() > 1)
            showPage(ImgShow->currentPage() - 1);
    } else if (key == QLatin1String("Next")) {
        if (ImgShow->currentPage() < ImgShow->pageCount())
            showPage(ImgShow->currentPage() + 1);
    } else if (key == QLatin1String("Last")) {
        showPage(ImgShow->pageCount());
    } else if (key == QLatin1String("Print")) {
        print();
    } else if (key == QLatin1String("PreFile")) {
        moveToDocument(-1);
    } else if (key == QLatin1String("NextFile")) {
        moveToDocument(1);
    } else if (key == QLatin1String("ShowLV")) {
        toggleNavigation();
    } else if (key == QLatin1String("Exit")) {
        close();
    }
}

void frmDetail::zoomBy(double points) {
    ImgShow->setZoomPercent(ImgShow->zoomPercent() + points);
    ImgShow->showImage();
    RefreshToolbar();
}

void frmDetail::showPage(int page) {
    const int step = page - ImgShow->currentPage();
    ImgShow->setCurrentPage(page);
    ImgShow->showImage();
    RefreshToolbar();
    setPageText();
    prefetchAfter(step);
}

void frmDetail::prefetchAfter(int step) {
    // Once the page shown is painted: the preparation must not compete with it.
    QTimer::singleShot(0, this, [this, step] {
        if (ImgShow->imageFile().isEmpty())
            return;
        // Only a next document already in the download cache: fetching is no background work.
        QTreeWidgetItem* current = LVData->currentItem();
        const QTreeWidgetItem* next =
            current ? LVData->topLevelItem(LVData->indexOfTopLevelItem(current) + 1) : nullptr;
        const QString nextFile = next ? ListItem::cachePath(next) : QString();
        if (const std::optional<imaging::PrefetchTarget> target =
                imaging::prefetchTarget(ImgShow->currentPage(), ImgShow->pageCount(), step,
                                        QFileInfo::exists(nextFile) ? nextFile : QString()))
            ImgShow->prefetchPage(target->page, target->file);
    });
}

void frmDetail::moveToDocument(int step) {
    QTreeWidgetItem* current = LVData->currentItem();
    if (!current)
        return;
    const int index = LVData->indexOfTopLevelItem(current) + step;
    QTreeWidgetItem* target = LVData->topLevelItem(index);
    if (!target)
        return;
    LVData->setCurrentItem(target);
    LVData->scrollToItem(target);
    LVData_ItemClick(target);
}

void frmDetail::toggleNavigation() {
    const ImageArea& to = ImgShow->x() == twips(kListShown.left, this) ? kListHidden : kListShown;
    ImgShow->setGeometry(twips(to.left, this), ImgShow->y(), twips(to.width, this) - m_shrink.width(),
                         ImgShow->height());
    QAction* showList = button(QStringLiteral("ShowLV"));
    showList->setToolTip(to.tip);
    setImage(showList, to.image);
    if (!ImgShow->imageFile().isEmpty())
        ImgShow->fitImage(imaging::ImageView::FitToWidth);
    ImgTypeICO->move(twips(to.iconLeft, this), ImgTypeICO->y());
}

void frmDetail::print() {
    if (!ImgShow->imageFile().isEmpty()) {
        printShownImage(*ImgShow, *ImgAdmin1);
        return;
    }
    // The shell prints local files: the document's copy in the download cache.
    if (const QTreeWidgetItem* item = LVData->currentItem())
        printThroughShell(ListItem::cachePath(item), this);
}

void frmDetail::ImgShow_MouseDown(int button, int, double x, double y) {
    if (button != 1)
        return;
    nDragX = whole(x);
    nDragY = whole(y);
}

void frmDetail::ImgShow_MouseMove(int button, int, double x, double y) {
    // The view pans itself under a left drag; here the pointer is only followed.
    if (ImgShow->imageFile().isEmpty() || ImgShow->selectionMode() || button != 1 || nDragX == 0 ||
        nDragY == 0)
        return;
    nDragX = whole(x);
    nDragY = whole(y);
}

void frmDetail::ImgShow_SelectionRectDrawn(int, int, int width, int height) {
    bHasSelection = width != 0 || height != 0;
}

bool frmDetail::press(const QString& key) {
    const QAction* action = button(key);
    if (action && action->isEnabled() && action->isVisible())
        TlbMain_ButtonClick(key);
    return true;
}

bool frmDetail::wheel(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        m_zoomWheel += delta.y();
        for (; m_zoomWheel >= kWheelNotch; m_zoomWheel -= kWheelNotch)
            press(QStringLiteral("ZoomIn"));
        for (; m_zoomWheel <= -kWheelNotch; m_zoomWheel += kWheelNotch)
            press(QStringLiteral("ZoomOut"));
        return true;
    }
    const int linePixels = QApplication::wheelScrollLines() * kWheelLinePixels;
    ImgShow->scrollImage(imaging::ImageView::Horizontal, -delta.x() * linePixels / kWheelNotch);
    ImgShow->scrollImage(imaging::ImageView::Vertical, -delta.y() * linePixels / kWheelNotch);
    return true;
}

bool frmDetail::key(QKeyEvent* event) {
    const QString command = commandOfKey(event->keyCombination());
    return !command.isEmpty() && press(command);
}

bool frmDetail::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ImgShow || (event->type() != QEvent::Wheel && event->type() != QEvent::KeyPress))
        return QDialog::eventFilter(watched, event);
    bool handled = true;
    guarded(this, kCaption, [&] {
        handled = event->type() == QEvent::Wheel ? wheel(static_cast<QWheelEvent*>(event))
                                                 : key(static_cast<QKeyEvent*>(event));
    });
    return handled;
}

} // namespace wo::ui
