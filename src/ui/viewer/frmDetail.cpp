#include "ui/viewer/frmDetail.h"

#include "imaging/DesktopOpener.h"
#include "imaging/ImageAdminDialog.h"
#include "imaging/ImageViewWidget.h"
#include "imaging/PagePrefetcher.h"
#include "platform/Error.h"
#include "platform/dialogs/Dialogs.h"
#include "settings/MyInit.h"
#include "transfer/CacheFolder.h"
#include "ui/common/DocumentList.h"
#include "ui/common/DocumentModel.h"
#include "ui/common/Guard.h"
#include "ui/common/Twips.h"
#include "ui/common/TypeIcon.h"
#include "ui/common/WindowParts.h"
#include "ui/viewer/HitLayer.h"
#include "ui/viewer/PageHits.h"
#include "ui/viewer/PageStrip.h"
#include "ui/viewer/RecordHits.h"
#include "ui/viewer/ToolbarIcons.h"
#include "ui/viewer/ViewerCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QWheelEvent>
#include <cmath>
#include <limits>
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

// Width of the thumbnail strip: a thumbnail, its margins and a scroll bar.
constexpr int kStripWidth = 2400;

constexpr int kWheelNotch = 120;
// Pixels one wheel line scrolls the page.
constexpr int kWheelLinePixels = 20;

qint16 whole(double value) {
    return static_cast<qint16>(std::lround(value));
}

// Panel 1 with a term: the pages of the shown document that hold it.
QString hitStatus(const QString& term, const QList<int>& pages) {
    if (pages.isEmpty())
        return QStringLiteral("本原文没有“%1”").arg(term);
    QStringList numbers;
    for (const int page : pages)
        numbers << QString::number(page);
    return QStringLiteral("“%1”在第%2页").arg(term, numbers.join(u'、'));
}

} // namespace

frmDetail::frmDetail(DocumentModel& documents, QWidget* parent) : QDialog(parent), m_documents(documents) {
    setObjectName(QStringLiteral("frmDetail"));
    setWindowTitle(kCaption);
    buildLayout();
    buildToolbar();
    buildSearch();
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

    LVData = new QTreeView(this);
    LVData->setObjectName(QStringLiteral("LVData"));
    LVData->setGeometry(twipsRect(120, 120, 2895, 6495, this));
    setUpDocumentList(LVData, &m_documents,
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

    ActThumbnails = new QAction(QStringLiteral("页面缩略图"), this);
    ActThumbnails->setObjectName(QStringLiteral("Thumbnails"));
    ActThumbnails->setCheckable(true);
    ActThumbnails->setShortcut(Qt::Key_F4);
    addAction(ActThumbnails);
    ImgShow->addAction(ActThumbnails);
    ImgShow->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(ActThumbnails, &QAction::toggled, this, [this](bool on) {
        // A strip that cannot be made leaves the action unchecked.
        if (!guarded(this, kCaption, [&] { showThumbnails(on); }))
            ActThumbnails->setChecked(false);
    });

    ImgAdmin1 = std::make_unique<imaging::ImageAdminDialog>(this);
    OLE1 = std::make_unique<imaging::DesktopOpener>();

    connect(LVData, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        guarded(this, kCaption, [&] { LVData_ItemClick(index.row()); });
    });
    connect(LVData, &QTreeView::doubleClicked, this, [this] { LVData_DblClick(); });
    onEmptyDoubleClick(LVData, [this] { LVData_DblClick(); });
    onKeyMove(LVData, [this](int row) { guarded(this, kCaption, [this, row] { LVData_ItemClick(row); }); });
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
    for (const CommandEntry& entry : commands()) {
        if (entry.groupStart)
            TlbMain->addSeparator();
        QAction* action = TlbMain->addAction(entry.tip.toString());
        action->setObjectName(entry.key.toString());
        action->setToolTip(entry.tip.toString());
        setImage(action, entry.image);
        connect(action, &QAction::triggered, this, [this, c = entry.command] { TlbMain_ButtonClick(c); });
    }
}

void frmDetail::buildSearch() {
    if (MyInit::gsTextSearch.isEmpty() || !MyInit::Connection)
        return;
    // Tables that could not be made were reported once when the component started.
    try {
        auto hits = std::make_unique<RecordHits>(*MyInit::Connection);
        if (!hits->available())
            return;
        m_hits = std::move(hits);
    } catch (const Error&) {
        return;
    }
    m_hitLayer = new HitLayer(ImgShow);

    ActCopyText = new QAction(QStringLiteral("复制文字"), this);
    ActCopyText->setObjectName(QStringLiteral("CopyText"));
    ActCopyText->setEnabled(false);
    ImgShow->addAction(ActCopyText);
    connect(ActCopyText, &QAction::triggered, this,
            [this] { guarded(this, kCaption, [this] { copySelectedText(); }); });

    ActNextHit = new QAction(QStringLiteral("查找下一处"), this);
    ActNextHit->setObjectName(QStringLiteral("NextHit"));
    ActNextHit->setShortcut(Qt::Key_F3);
    ActPreviousHit = new QAction(QStringLiteral("查找上一处"), this);
    ActPreviousHit->setObjectName(QStringLiteral("PreviousHit"));
    ActPreviousHit->setShortcut(QKeyCombination(Qt::ShiftModifier, Qt::Key_F3));
    for (QAction* go : {ActNextHit, ActPreviousHit}) {
        addAction(go);
        connect(go, &QAction::triggered, this,
                [this, forward = go == ActNextHit] { guarded(this, kCaption, [&] { goToHit(forward); }); });
    }
}

void frmDetail::setImage(QAction* action, int image) {
    action->setData(image);
    action->setIcon(toolbarIcon(image));
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
    // A position past the end names no document: nothing is shown, as for 0.
    if (SelIndex <= 0 || SelIndex > m_documents.rowCount())
        return;
    const int row = SelIndex - 1;
    setCurrentRow(LVData, row);
    scrollToRow(LVData, row);
    guarded(this, kCaption, [&] { LVData_ItemClick(row); });
    ImgShow->setFocus();
}

ViewerState frmDetail::viewerState() const {
    return {.imageShown = imageShown(),
            .selecting = ImgShow->selectionMode(),
            .page = ImgShow->currentPage(),
            .pageCount = ImgShow->pageCount(),
            .document = m_document,
            .documentCount = m_documents.rowCount()};
}

void frmDetail::setCommandStates() {
    const ViewerState state = viewerState();
    for (const CommandEntry& entry : commands())
        button(entry.key.toString())->setEnabled(entry.enabled(state));
}

LoadState frmDetail::shownState() const {
    return m_document > 0 && m_document <= m_documents.rowCount() ? m_documents.loadState(m_document - 1)
                                                                  : LoadState::NotFetched;
}

bool frmDetail::imageShown() const {
    return shownState() == LoadState::Image;
}

void frmDetail::LVData_ItemClick(int row) {
    if (row < 0 || row >= m_documents.rowCount())
        return;
    std::optional<Error> pending;
    m_document = row + 1;
    try {
        MyInit::gsOriginalID = m_documents.document(row).id;
        ImgShow->clearImage();
        ImgShow->setCurrentPage(1);
        const QString path = fetchLocalCopy(m_documents, row, *m_panels);
        if (path.isEmpty()) {
            unsetCursor();
        } else {
            ImgShow->setImageFile(path);
            ImgShow->showImage();
            ImgShow->fitImage(imaging::ImageView::FitToWidth);
            m_documents.setLoadState(row, LoadState::Image);
            ImgTypeICO->setPixmap(QPixmap());
            RefreshToolbar();
            setPageText();
            updateStrip();
            showHits();
            prefetchAfter(0);
            return;
        }
    } catch (const std::exception& e) {
        pending = errorOf(e);
    }

    // Nothing is shown: the type icon, no image commands, no page. The view also
    // forgets the file, so that printing and refitting cannot reach the document
    // shown before.
    if (pending)
        m_documents.setLoadState(row, pending->number() == err::InvalidFileFormat ? LoadState::NotAnImage
                                                                                  : LoadState::Failed);
    std::optional<Error> iconError;
    try {
        ShowTypeIcon(m_documents.document(row).type.toLower());
    } catch (const Error& e) {
        iconError = e;
    }
    ImgShow->setImageFile(QString());
    setCommandStates();
    if (pending && pending->number() != err::InvalidFileFormat)
        dialogs::inform(this, pending->description(), kCaption, dialogs::Icon::Information);
    setPanelText(2, QString());
    updateStrip();
    showHits();
    if (iconError)
        throw *iconError;
}

void frmDetail::LVData_DblClick() {
    const int row = currentRow(LVData);
    if (row < 0)
        return;
    setCursor(Qt::WaitCursor);
    guarded(this, kCaption, [&] {
        // Back to the arrow before any message about the failure.
        const auto arrow = qScopeGuard([this] { unsetCursor(); });
        const QString path = fetchLocalCopy(m_documents, row, *m_panels);
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
    button(commandEntry(Command::Init).key.toString())->setVisible(on);
    button(commandEntry(Command::Select).key.toString())->setVisible(!on);
    setCommandStates();
}

void frmDetail::setPageText() {
    setPanelText(2, QStringLiteral("第") + QString::number(ImgShow->currentPage()) +
                        QStringLiteral("页/共有") + QString::number(ImgShow->pageCount()) +
                        QStringLiteral("页"));
}

void frmDetail::TlbMain_ButtonClick(const QString& key) {
    if (const auto command = commandNamed(key))
        TlbMain_ButtonClick(*command);
}

void frmDetail::TlbMain_ButtonClick(Command command) {
    try {
        commandEntry(command).run(*this);
    } catch (const std::exception& e) {
        const Error error = errorOf(e);
        if (error.number() != err::PrintDialogCancelled)
            dialogs::inform(this, error.description(), QString(), dialogs::Icon::None);
    }
}

void frmDetail::zoomToSelection() {
    if (bHasSelection) {
        ImgShow->zoomToSelection();
        bHasSelection = false;
        RefreshToolbar();
    } else {
        dialogs::inform(this, QStringLiteral("请先选择需要局部放大的区域"), QStringLiteral("局部放大"),
                        dialogs::Icon::Information);
    }
}

void frmDetail::rotate(bool right) {
    if (right)
        ImgShow->rotateViewRight();
    else
        ImgShow->rotateViewLeft();
    RefreshToolbar();
}

double frmDetail::zoomPercent() const {
    return ImgShow->zoomPercent();
}

void frmDetail::fit(imaging::ImageView::Fit fit) {
    ImgShow->fitImage(fit);
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
    if (m_strip)
        m_strip->setCurrentPage(page);
    showHits();
    prefetchAfter(step);
}

void frmDetail::showThumbnails(bool on) {
    if (m_strip && m_strip->isHidden() != on)
        return;
    if (!m_strip) {
        if (!on)
            return;
        m_strip = new PageStrip(transfer::cacheFolder() + QStringLiteral("/thumbnails"), this);
        connect(m_strip, &PageStrip::pageChosen, this, [this](int page) {
            if (imageShown())
                guarded(this, kCaption, [this, page] { showPage(page); });
        });
        updateStrip();
    }
    const int room = twips(kStripWidth, this);
    ImgShow->resize(ImgShow->width() + (on ? -room : room), ImgShow->height());
    m_strip->setGeometry(ImgShow->geometry().right() + 1, ImgShow->y(), room, ImgShow->height());
    m_strip->open(on);
    if (imageShown())
        ImgShow->fitImage(imaging::ImageView::FitToWidth);
}

void frmDetail::updateStrip() {
    if (!m_strip)
        return;
    if (!imageShown()) {
        m_strip->setDocument(QString(), QString(), 0);
        return;
    }
    const int row = m_document - 1;
    const QString& id = m_documents.document(row).id;
    m_strip->setDocument(id, m_documents.cachePath(row), ImgShow->pageCount());
    m_strip->setCurrentPage(ImgShow->currentPage());
    if (m_hits)
        m_strip->markPages(m_hits->pages(id));
}

void frmDetail::setFindText(const QString& text) {
    // The same term again searches again: documents may have got their text meanwhile.
    if (!m_hits || (text.isEmpty() && m_hits->term().isEmpty()))
        return;
    guarded(this, kCaption, [&] { m_hits->setTerm(text, MyInit::gsRecordID); });
    updateStrip();
    showHits();
    if (text.isEmpty())
        setPanelText(1, kReady);
}

void frmDetail::showHits() {
    if (!m_hits)
        return;
    QList<QRect> boxes;
    bool hasText = false;
    const QString id = m_document > 0 && m_document <= m_documents.rowCount()
                           ? m_documents.document(m_document - 1).id
                           : QString();
    if (imageShown()) {
        guarded(this, kCaption, [&] {
            const QList<text::Word>& words = m_hits->words(id, ImgShow->currentPage());
            hasText = !words.isEmpty();
            boxes = matchBoxes(words, m_hits->term());
        });
    }
    m_hitLayer->setBoxes(boxes);
    ActCopyText->setEnabled(hasText);
    if (!m_hits->term().isEmpty())
        setPanelText(1, id.isEmpty() ? QString() : hitStatus(m_hits->term(), m_hits->pages(id)));
}

void frmDetail::goToHit(bool forward) {
    if (!m_hits || m_hits->term().isEmpty())
        return;
    const int row = m_document - 1;
    // A document shown without pages (or none) counts as wholly passed in the direction of travel.
    const HitPlace from = imageShown() ? HitPlace{row, ImgShow->currentPage()}
                                       : HitPlace{row, forward ? std::numeric_limits<int>::max() : 0};
    const std::optional<HitPlace> to = nextHit(m_hits->places(m_documents.ids()), from, forward);
    if (!to)
        return;
    if (to->row != row || !imageShown()) {
        setCurrentRow(LVData, to->row);
        scrollToRow(LVData, to->row);
        LVData_ItemClick(to->row);
    }
    if (imageShown() && to->page != ImgShow->currentPage() && to->page <= ImgShow->pageCount())
        showPage(to->page);
}

void frmDetail::copySelectedText() {
    if (!m_hits || !imageShown())
        return;
    const QRect selection = ImgShow->selectionRect();
    if (selection.isEmpty()) {
        dialogs::inform(this, QStringLiteral("请先选择需要复制文字的区域"), QStringLiteral("复制文字"),
                        dialogs::Icon::Information);
        return;
    }
    const QRect area = widgetToBox(selection, ImgShow->pageSize(), ImgShow->imageTransform());
    const QString words =
        wordsIn(m_hits->words(m_documents.document(m_document - 1).id, ImgShow->currentPage()), area);
    // An area without words leaves the clipboard as it was.
    if (words.isEmpty()) {
        dialogs::inform(this, QStringLiteral("所选区域没有文字"), QStringLiteral("复制文字"),
                        dialogs::Icon::Information);
        return;
    }
    QGuiApplication::clipboard()->setText(words);
}

void frmDetail::prefetchAfter(int step) {
    // Once the page shown is painted: the preparation must not compete with it.
    QTimer::singleShot(0, this, [this, step] {
        if (!imageShown())
            return;
        // Only a next document already in the download cache: fetching is no background work.
        const int current = currentRow(LVData);
        const QString nextFile = current >= 0 && current + 1 < m_documents.rowCount()
                                     ? m_documents.cachePath(current + 1)
                                     : QString();
        if (const std::optional<imaging::PrefetchTarget> target =
                imaging::prefetchTarget(ImgShow->currentPage(), ImgShow->pageCount(), step,
                                        QFileInfo::exists(nextFile) ? nextFile : QString()))
            ImgShow->prefetchPage(target->page, target->file);
    });
}

void frmDetail::moveToDocument(int step) {
    const int current = currentRow(LVData);
    if (current < 0)
        return;
    const int target = current + step;
    if (target < 0 || target >= m_documents.rowCount())
        return;
    setCurrentRow(LVData, target);
    scrollToRow(LVData, target);
    LVData_ItemClick(target);
}

void frmDetail::toggleNavigation() {
    const ImageArea& to = ImgShow->x() == twips(kListShown.left, this) ? kListHidden : kListShown;
    const int stripRoom = m_strip && !m_strip->isHidden() ? m_strip->width() : 0;
    ImgShow->setGeometry(twips(to.left, this), ImgShow->y(),
                         twips(to.width, this) - m_shrink.width() - stripRoom, ImgShow->height());
    QAction* showList = button(commandEntry(Command::ShowLV).key.toString());
    showList->setToolTip(to.tip);
    setImage(showList, to.image);
    if (imageShown())
        ImgShow->fitImage(imaging::ImageView::FitToWidth);
    ImgTypeICO->move(twips(to.iconLeft, this), ImgTypeICO->y());
}

void frmDetail::print() {
    if (imageShown()) {
        printShownImage(*ImgShow, *ImgAdmin1);
        return;
    }
    // The shell prints local files: the document's copy in the download cache.
    if (const int row = currentRow(LVData); row >= 0)
        printThroughShell(m_documents.cachePath(row), this);
}

void frmDetail::ImgShow_MouseDown(int button, int, double x, double y) {
    if (button != 1)
        return;
    nDragX = whole(x);
    nDragY = whole(y);
}

void frmDetail::ImgShow_MouseMove(int button, int, double x, double y) {
    // The view pans itself under a left drag; here the pointer is only followed.
    if (!imageShown() || ImgShow->selectionMode() || button != 1 || nDragX == 0 || nDragY == 0)
        return;
    nDragX = whole(x);
    nDragY = whole(y);
}

void frmDetail::ImgShow_SelectionRectDrawn(int, int, int width, int height) {
    bHasSelection = width != 0 || height != 0;
}

bool frmDetail::press(Command command) {
    const QAction* action = button(commandEntry(command).key.toString());
    if (action->isEnabled() && action->isVisible())
        TlbMain_ButtonClick(command);
    return true;
}

bool frmDetail::wheel(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        m_zoomWheel += delta.y();
        for (; m_zoomWheel >= kWheelNotch; m_zoomWheel -= kWheelNotch)
            press(Command::ZoomIn);
        for (; m_zoomWheel <= -kWheelNotch; m_zoomWheel += kWheelNotch)
            press(Command::ZoomOut);
        return true;
    }
    const int linePixels = QApplication::wheelScrollLines() * kWheelLinePixels;
    ImgShow->scrollImage(imaging::ImageView::Horizontal, -delta.x() * linePixels / kWheelNotch);
    ImgShow->scrollImage(imaging::ImageView::Vertical, -delta.y() * linePixels / kWheelNotch);
    return true;
}

bool frmDetail::key(QKeyEvent* event) {
    const auto command = commandOfKey(event->keyCombination());
    return command && press(*command);
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
