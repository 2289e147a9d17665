#include "ui/list/FrmMainList.h"

#include "imaging/DesktopOpener.h"
#include "imaging/ImageAdminDialog.h"
#include "imaging/ImageViewWidget.h"
#include "imaging/SaneScanner.h"
#include "platform/dialogs/Dialogs.h"
#include "settings/MyInit.h"
#include "store/ClsFileOperation.h"
#include "store/RecordDocuments.h"
#include "text/TextService.h"
#include "ui/common/DocumentList.h"
#include "ui/common/DocumentModel.h"
#include "ui/common/Guard.h"
#include "ui/common/MatchDelegate.h"
#include "ui/common/RecordSearch.h"
#include "ui/common/StoredList.h"
#include "ui/common/TextMatches.h"
#include "ui/common/Twips.h"
#include "ui/common/TypeIcon.h"
#include "ui/common/WindowParts.h"
#include "ui/list/DroppedFiles.h"
#include "ui/list/FindBar.h"
#include "ui/list/ImageTypes.h"
#include "ui/list/ListCommands.h"
#include "ui/list/MoveBlock.h"
#include "ui/list/StartWork.h"
#include "ui/viewer/frmDetail.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

namespace wo::ui {

namespace {

const QString kCaption = QStringLiteral("原文列表");
const QString kPrintTitle = QStringLiteral("原文打印");

// The list's place in Frame1, in twips, and the height the find bar takes from it.
constexpr int kListLeft = 120, kListTop = 240, kListWidth = 4575, kListHeight = 3615;
constexpr int kFindBarHeight = 360, kFindBarGap = 45;

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(twipsRect(left, top, 1095, 330, parent));
    b->setAutoDefault(false);
    return b;
}

} // namespace

const QString FrmMainList::kScanFile = ui::kScanFile;

FrmMainList::FrmMainList(QWidget* parent)
    : QDialog(parent), m_documents(new DocumentModel(this)), m_matches(std::make_unique<TextMatches>()) {
    setObjectName(QStringLiteral("FrmMainList"));
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(QStringLiteral(":/wendra/list/FrmMainList.png")));
    buildLayout();
}

FrmMainList::~FrmMainList() = default;

void FrmMainList::buildLayout() {
    setFixedSize(twips(7650, this), twips(4725, this));

    // Hidden behind Frame1: the default type icon, created first so it lies below.
    ImgBack = new QLabel(this);
    ImgBack->setObjectName(QStringLiteral("ImgBack"));
    ImgBack->setGeometry(twipsRect(3120, 1920, 720, 720, this));
    ImgBack->setPixmap(QPixmap(QStringLiteral(":/wendra/list/ImgBack.png")));
    ImgBack->hide();

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Frame1->setGeometry(twipsRect(0, 0, 7455, 3975, this));

    LVOrder = new QTreeView(Frame1);
    LVOrder->setObjectName(QStringLiteral("LVOrder"));
    LVOrder->setGeometry(twipsRect(kListLeft, kListTop, kListWidth, kListHeight, this));
    setUpDocumentList(LVOrder, m_documents,
                      {QStringLiteral("顺序号"), QStringLiteral("原文名称"), QStringLiteral("原文类型"),
                       QStringLiteral("原文路径")},
                      720, 4000, this, Qt::AlignCenter);
    LVOrder->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LVOrder->setItemDelegate(new MatchDelegate(LVOrder));
    connect(LVOrder->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (finding())
            dropHiddenSelection();
    });

    CmdUp = button(Frame1, "CmdUp", QStringLiteral("向上(&U)"), 4920, 3480);
    CmdDown = button(Frame1, "CmdDown", QStringLiteral("向下(&D)"), 6120, 3480);
    CmdUp->setEnabled(false);
    CmdDown->setEnabled(false);

    ImgPreview = new imaging::ImageViewWidget(this);
    ImgPreview->setObjectName(QStringLiteral("ImgPreview"));
    ImgPreview->setGeometry(twipsRect(4800, 240, 2535, 3135, this));
    ImgTypeICO = new QLabel(ImgPreview);
    ImgTypeICO->setObjectName(QStringLiteral("ImgTypeICO"));
    ImgTypeICO->setGeometry(twipsRect(840, 960, 720, 720, this));

    CmdAdd = button(this, "CmdAdd", QStringLiteral("添加原文"), 120, 4080);
    CmdScan = button(this, "CmdScan", QStringLiteral("扫描添加"), 1200, 4080);
    CmdPrint = button(this, "CmdPrint", QStringLiteral("打印原文"), 2280, 4080);
    CmdDel = button(this, "CmdDel", QStringLiteral("删除原文"), 3360, 4080);
    CmdExit = button(this, "CmdExit", QStringLiteral("关闭(&X)"), 6360, 4080);
    CmdPrint->setEnabled(false);
    CmdDel->setEnabled(false);

    StaBar = new QStatusBar(this);
    StaBar->setObjectName(QStringLiteral("StaBar"));
    StaBar->setGeometry(twipsRect(0, 4470, 7650, 255, this));
    m_panels = std::make_unique<StatusPanels>(StaBar, std::array{4425, 1440, 1440}, this);

    PopMenu = new QMenu(QStringLiteral("PopMenu"), this);
    PopMenu->setObjectName(QStringLiteral("PopMenu"));
    RenameFile = PopMenu->addAction(QStringLiteral("修改原文名称"));
    RenameFile->setObjectName(QStringLiteral("RenameFile"));

    ScanOCX = std::make_unique<imaging::SaneScanner>(this);
    ImgAdmin1 = std::make_unique<imaging::ImageAdminDialog>(this);
    OLE1 = std::make_unique<imaging::DesktopOpener>();

    ImgPreview->raise();
    connect(CmdExit, &QPushButton::clicked, this,
            [this] { guarded(this, kCaption, [this] { CmdExit_Click(); }); });
    connect(LVOrder, &QTreeView::clicked, this,
            [this](const QModelIndex& index) { LVOrder_ItemClick(index.row()); });
    connect(LVOrder, &QTreeView::doubleClicked, this,
            [this] { guarded(this, kCaption, [this] { LVOrder_DblClick(); }); });
    onEmptyDoubleClick(LVOrder, [this] { guarded(this, kCaption, [this] { LVOrder_DblClick(); }); });
    connect(ImgPreview, &imaging::ImageView::doubleClicked, this,
            [this] { guarded(this, kCaption, [this] { ImgPreview_DblClick(); }); });
    connect(CmdAdd, &QPushButton::clicked, this,
            [this] { guarded(this, kCaption, [this] { CmdAdd_Click(); }); });
    connect(CmdDel, &QPushButton::clicked, this,
            [this] { guarded(this, kCaption, [this] { CmdDel_Click(); }); });
    LVOrder->viewport()->installEventFilter(this);
    LVOrder->installEventFilter(this);
    for (QWidget* target : {LVOrder->viewport(), static_cast<QWidget*>(ImgPreview)}) {
        target->setAcceptDrops(true);
        target->installEventFilter(this);
    }
    onKeyMove(LVOrder, [this](int row) { guarded(this, kCaption, [this, row] { LVOrder_ItemClick(row); }); });
    connect(CmdScan, &QPushButton::clicked, this, [this] { CmdScan_Click(); });
    connect(CmdPrint, &QPushButton::clicked, this,
            [this] { guarded(this, kPrintTitle, [this] { CmdPrint_Click(); }); });
    connect(CmdUp, &QPushButton::clicked, this, [this] { CmdUp_Click(); });
    connect(CmdDown, &QPushButton::clicked, this, [this] { CmdDown_Click(); });
}

void FrmMainList::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Find)) {
        event->accept();
        guarded(this, kCaption, [this] { openFindBar(); });
        return;
    }
    // The list closes only through its close command, the close box and Alt+F4: Esc
    // would close it like the close box, where a moved order is not saved. Esc closes
    // an open find bar.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        if (finding())
            closeFindBar();
        return;
    }
    QDialog::keyPressEvent(event);
}

QString FrmMainList::panelText(int panel) const {
    return m_panels->text(panel);
}

void FrmMainList::setPanelText(int panel, const QString& text) {
    m_panels->setText(panel, text);
}

void FrmMainList::Form_Load() {
    bOrderChanged = false;
    const auto documents =
        store::loadRecordDocuments(*MyInit::Connection, MyInit::gsRecordID, MyInit::FtpMode);
    m_documents->setDocuments(documents);
    QStringList tags;
    tags.reserve(documents.size());
    for (const auto& d : documents)
        tags << d.id;
    // As a list view does, the first row starts as the current, selected row.
    if (!documents.isEmpty())
        setCurrentRow(LVOrder, 0);

    if (MyInit::browseOnly()) {
        for (QPushButton* b : {CmdUp, CmdDown, CmdAdd, CmdScan, CmdDel})
            b->setEnabled(false);
    } else {
        CmdDel->setEnabled(!documents.isEmpty());
        CmdPrint->setEnabled(!documents.isEmpty());
    }

    const StartWork work = decideStartWork(MyInit::gsState, MyInit::gsOriginalID, tags);
    switch (work.kind) {
    case StartWork::Scan:
        CmdScan_Click();
        break;
    case StartWork::OpenDocument: {
        if (const int current = currentRow(LVOrder); current >= 0)
            setRowSelected(LVOrder, current, false);
        setCurrentRow(LVOrder, work.row);
        setRowSelected(LVOrder, work.row, true);
        scrollToRow(LVOrder, work.row);
        LVOrder_DblClick();
        LVOrder_ItemClick(currentRow(LVOrder));
        break;
    }
    case StartWork::PreviewFirst:
        LVOrder_ItemClick(0);
        break;
    case StartWork::Nothing:
        break;
    }
}

void FrmMainList::UpdateMoveButtons() {
    const MoveBlock block = moveBlockOf(m_documents->rowCount(), selectedRows(LVOrder));
    nFirstSelected = block.first;
    nLastSelected = block.last;
    setMoveButtons();
}

void FrmMainList::setMoveButtons() {
    const bool movable = !MyInit::browseOnly() && !finding();
    CmdUp->setEnabled(movable && nFirstSelected != 1);
    CmdDown->setEnabled(movable && nLastSelected != m_documents->rowCount());
}

void FrmMainList::LVOrder_ItemClick(int row) {
    if (row < 0)
        return;
    try {
        MyInit::gsOriginalID = m_documents->document(row).id;
        ImgPreview->clearImage();
        const QString path = fetchLocalCopy(*m_documents, row, *m_panels);
        if (path.isEmpty()) {
            unsetCursor();
        } else {
            ImgPreview->setImageFile(path);
            ImgPreview->showImage();
            ImgPreview->fitImage(imaging::ImageView::FitToWidth);
            m_documents->setLoadState(row, LoadState::Image);
            ImgTypeICO->clear();
            setPanelText(2, QStringLiteral("共有") + QString::number(ImgPreview->pageCount()) +
                                QStringLiteral("页"));
        }
    } catch (const std::exception& e) {
        previewFailed(row, errorOf(e));
    }
    UpdateMoveButtons();
}

void FrmMainList::previewFailed(int row, const Error& error) {
    m_documents->setLoadState(row, error.number() == err::InvalidFileFormat ? LoadState::NotAnImage
                                                                            : LoadState::Failed);
    if (error.number() == err::InvalidFileFormat)
        ImgPreview->setImageFile(QString());
    else if (error.number() == err::FileNotFound)
        dialogs::current().messageBox(this, QStringLiteral("原文已被移除"), dialogs::Buttons::OK,
                                      dialogs::Icon::Exclamation, err::description(err::FileNotFound));
    else
        reportError(this, kCaption, error);
    ShowTypeIcon(m_documents->document(row).type.toLower());
    setPanelText(2, QString());
}

void FrmMainList::LVOrder_DblClick() {
    const int current = currentRow(LVOrder);
    if (current < 0)
        return;
    if (isImageType(m_documents->document(current).type)) {
        frmDetail viewer(*m_documents, this);
        viewer.SelIndex = qint16(current + 1);
        viewer.Form_Load();
        if (finding()) {
            // The viewer marks the find bar's term, and finds it in text read while it is open.
            const QString term = m_findBar->term();
            viewer.setFindText(term);
            connect(
                &text::TextService::instance().events(), &text::TextEvents::documentRead, &viewer,
                [&viewer, term] { viewer.setFindText(term); }, Qt::QueuedConnection);
        }
        viewer.exec();
        return;
    }
    // A program that cannot be started is reported; the pointer comes back either way.
    const BusyState busy(this);
    guarded(this, kCaption, [&] {
        const QString path = fetchLocalCopy(*m_documents, current, *m_panels);
        if (!path.isEmpty())
            OLE1->openInOwnApplication(path);
    });
}

void FrmMainList::ImgPreview_DblClick() {
    if (currentRow(LVOrder) >= 0)
        LVOrder_DblClick();
}

bool FrmMainList::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == LVOrder->viewport() || watched == ImgPreview) && dragEvent(event))
        return true;
    if (watched == LVOrder && event->type() == QEvent::KeyPress) {
        bool handled = false;
        guarded(this, kCaption, [&] { handled = listKey(*static_cast<QKeyEvent*>(event)); });
        if (handled)
            return true;
    }
    if (watched == LVOrder->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint at = press->position().toPoint();
        const int button = imaging::mouseButtonCode(press->button());
        const int shift = imaging::mouseShiftCode(press->modifiers());
        guarded(this, kCaption, [&] { LVOrder_MouseDown(button, shift, at.x(), at.y()); });
    }
    return QDialog::eventFilter(watched, event);
}

bool FrmMainList::listKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const int current = currentRow(LVOrder);
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
        LVOrder_DblClick();
    } else if (key.key() == Qt::Key_Delete && modifiers == Qt::NoModifier) {
        if (CmdDel->isEnabled())
            CmdDel_Click();
    } else if (key.key() == Qt::Key_F2 && modifiers == Qt::NoModifier) {
        RenameFile_Click();
    } else if ((key.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier) || key.key() == Qt::Key_Menu) {
        // The menu comes up at the current row, as the right button's does there.
        if (current >= 0) {
            const QPoint at = LVOrder->visualRect(LVOrder->model()->index(current, 0)).center();
            LVOrder_MouseDown(2, 0, at.x(), at.y());
        }
    } else {
        return false;
    }
    return true;
}

void FrmMainList::LVOrder_MouseDown(int button, int shift, int x, int y) {
    if (button == 1 && shift == 2) {
        // The range Shift made would otherwise stay, less the row the Ctrl-click
        // toggles off; the press then selects the clicked row alone.
        LVOrder->setSelectionMode(QAbstractItemView::SingleSelection);
        LVOrder->clearSelection();
    } else if (button == 1 && shift == 1) {
        LVOrder->setSelectionMode(QAbstractItemView::ExtendedSelection);
    } else if (button == 2) {
        // The menu acts on the row it opens over: that row becomes current, and shows,
        // before it opens. The list itself would move there only after the menu closed.
        const int under = rowAt(LVOrder, QPoint(x, y));
        if (under >= 0 && under != currentRow(LVOrder)) {
            LVOrder->selectionModel()->setCurrentIndex(LVOrder->model()->index(under, 0),
                                                       isRowSelected(LVOrder, under)
                                                           ? QItemSelectionModel::NoUpdate
                                                           : QItemSelectionModel::ClearAndSelect |
                                                                 QItemSelectionModel::Rows);
            LVOrder_ItemClick(under);
        }
        if (currentRow(LVOrder) < 0)
            return;
        const QPoint global = LVOrder->viewport()->mapToGlobal(QPoint(x, y));
        if (dialogs::current().contextMenu(PopMenu, global) == RenameFile)
            RenameFile_Click();
    }
}

bool FrmMainList::dragEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drag = static_cast<QDropEvent*>(event);
    if (!dropAllowed(*drag->mimeData(), drag->possibleActions(), MyInit::browseOnly(), m_adding)) {
        drag->ignore();
        return true;
    }
    // Always a copy: a file manager that was told "move" would remove the originals.
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop) {
        // Added once the drop has ended, so the file manager is not kept waiting by
        // the add's messages; no second drop is taken until then.
        m_adding = true;
        QTimer::singleShot(0, this, [this, paths = droppedPaths(*drag->mimeData())] {
            m_adding = false;
            guarded(this, kCaption, [&] { FilesDropped(paths); });
        });
    }
    return true;
}

void FrmMainList::CmdAdd_Click() {
    addDocuments([this](store::ClsFileOperation& operation) {
        return operation.AddFile(appendTo(*m_documents, LVOrder));
    });
}

void FrmMainList::FilesDropped(const QStringList& paths) {
    addDocuments([this, &paths](store::ClsFileOperation& operation) {
        return operation.AddFiles(paths, appendTo(*m_documents, LVOrder));
    });
}

void FrmMainList::addDocuments(const std::function<bool(store::ClsFileOperation&)>& add) {
    m_adding = true;
    const auto finished = qScopeGuard([this] { m_adding = false; });
    const BusyState busy(this);
    if (const int current = currentRow(LVOrder); current >= 0)
        setRowSelected(LVOrder, current, false);
    store::ClsFileOperation operation(MyInit::record());
    if (add(operation)) {
        CmdDel->setEnabled(true);
        CmdPrint->setEnabled(true);
        LVOrder_ItemClick(currentRow(LVOrder));
    }
}

void FrmMainList::CmdDel_Click() {
    const BusyState busy(this);
    store::ClsFileOperation operation(MyInit::record());
    if (deleteSelected(operation, *m_documents, LVOrder)) {
        ImgPreview->clearImage();
        ImgTypeICO->clear();
        // The delete makes the first row current, which the find bar may hide.
        if (finding())
            keepCurrentShown();
    }
    if (m_documents->rowCount() == 0) {
        for (QPushButton* b : {CmdDel, CmdPrint, CmdUp, CmdDown})
            b->setEnabled(false);
        // No document is previewed any more, so no page count either.
        setPanelText(2, QString());
    } else if (const int current = currentRow(LVOrder); current >= 0) {
        LVOrder_ItemClick(current);
    }
}

void FrmMainList::RenameFile_Click() {
    const int current = currentRow(LVOrder);
    if (current < 0)
        return;
    const DocumentModel::Document& document = m_documents->document(current);
    const QString name = dialogs::current().inputBox(this, QStringLiteral("修改文件名"),
                                                     QStringLiteral("请输入新的文件名称："), document.name);
    if (name.isEmpty() || name == document.name)
        return;
    // Stored first, so the row never shows a name the table does not hold.
    store::renameDocument(*MyInit::Connection, document.id, name);
    m_documents->rename(current, name);
}

ListParts FrmMainList::parts() {
    return {.window = this,
            .documents = *m_documents,
            .list = LVOrder,
            .panels = *m_panels,
            .showFile = [this](const QString& file) {
                // The scan is shown as itself: no earlier document's icon or page count over it.
                ImgTypeICO->clear();
                ImgPreview->setImageFile(file);
                ImgPreview->showImage();
                setPanelText(2, QStringLiteral("共有") + QString::number(ImgPreview->pageCount()) +
                                    QStringLiteral("页"));
            }};
}

void FrmMainList::CmdScan_Click() {
    try {
        const ScanEnd end = scanIntoList(*ScanOCX, parts());
        if (end == ScanEnd::Stored && m_documents->rowCount() > 0) {
            CmdDel->setEnabled(true);
            CmdPrint->setEnabled(true);
        }
        if (end == ScanEnd::Stored || end == ScanEnd::Discarded)
            previewCurrentItem();
    } catch (const std::exception& e) {
        unsetCursor();
        reportError(this, kCaption, errorOf(e));
    }
}

void FrmMainList::previewCurrentItem() {
    if (m_documents->rowCount() > 0) {
        LVOrder_ItemClick(currentRow(LVOrder));
    } else {
        ImgPreview->setImageFile(QString());
        setPanelText(2, QString());
    }
}

void FrmMainList::CmdPrint_Click() {
    try {
        if (currentRow(LVOrder) < 0) {
            dialogs::inform(this, QStringLiteral("请选择要打印的文件！"), kPrintTitle);
            return;
        }
        printSelected(parts(), *ImgPreview, *ImgAdmin1);
    } catch (const std::exception& e) {
        const Error error = errorOf(e);
        if (error.number() != err::PrintDialogCancelled && error.number() != err::PrintEnded)
            dialogs::inform(this, error.description(), kPrintTitle);
    }
}

bool FrmMainList::prepareMove() {
    if (currentRow(LVOrder) < 0 || selectedRows(LVOrder).isEmpty()) {
        dialogs::current().messageBox(this, QStringLiteral("请先选择一条记录！"), dialogs::Buttons::OK,
                                      dialogs::Icon::Information, kCaption);
        return false;
    }
    UpdateMoveButtons();
    return true;
}

void FrmMainList::moveNeighbour(int from, int to) {
    m_documents->moveRecreated(from, to);
    scrollToRow(LVOrder, currentRow(LVOrder));
    bOrderChanged = true;
}

void FrmMainList::moveSelection(MoveDirection direction) {
    if (finding() || !prepareMove())
        return;
    const auto move = moveBlock({nFirstSelected, nLastSelected}, m_documents->rowCount(), direction);
    if (!move)
        return;
    moveNeighbour(move->from, move->to);
    nFirstSelected = move->block.first;
    nLastSelected = move->block.last;
    setMoveButtons();
}

void FrmMainList::CmdUp_Click() {
    moveSelection(MoveDirection::Up);
}

void FrmMainList::CmdDown_Click() {
    moveSelection(MoveDirection::Down);
}

void FrmMainList::openFindBar() {
    if (!m_findBar) {
        if (!MyInit::Connection)
            return;
        m_search = RecordSearch::open(*MyInit::Connection, MyInit::gsRecordID, MyInit::gsTextSearch);
        if (!m_search)
            return;
        m_findBar = new FindBar(Frame1);
        m_findBar->hide();
        connect(m_findBar, &FindBar::searchRequested, this,
                [this](const QString& term) { guarded(this, kCaption, [&] { showMatches(term); }); });
        connect(m_findBar, &FindBar::nextRequested, this,
                [this] { guarded(this, kCaption, [this] { previewMatch(true); }); });
        connect(m_findBar, &FindBar::previousRequested, this,
                [this] { guarded(this, kCaption, [this] { previewMatch(false); }); });
        connect(m_findBar, &FindBar::closeRequested, this, &FrmMainList::closeFindBar);
        // Emitted on the reading thread: queued to this one.
        connect(&text::TextService::instance().events(), &text::TextEvents::documentRead, m_findBar,
                &FindBar::searchAgain, Qt::QueuedConnection);
    }
    const bool opening = !finding();
    if (opening) {
        LVOrder->setGeometry(
            twipsRect(kListLeft, kListTop, kListWidth, kListHeight - kFindBarHeight - kFindBarGap, this));
        m_findBar->setGeometry(
            twipsRect(kListLeft, kListTop + kListHeight - kFindBarHeight, kListWidth, kFindBarHeight, this));
    }
    m_findBar->open();
    if (opening)
        setMoveButtons();
}

bool FrmMainList::finding() const {
    return m_findBar && !m_findBar->isHidden();
}

void FrmMainList::closeFindBar() {
    if (!finding())
        return;
    m_findBar->hide();
    LVOrder->setGeometry(twipsRect(kListLeft, kListTop, kListWidth, kListHeight, this));
    for (int row = 0; row < m_documents->rowCount(); ++row)
        LVOrder->setRowHidden(row, {}, false);
    TextMatches::unmark(*m_documents);
    *m_matches = {};
    LVOrder->setFocus();
    const int current = currentRow(LVOrder);
    if (current < 0 && m_documents->rowCount() > 0)
        goToRow(0);
    else if (current >= 0)
        scrollToRow(LVOrder, current);
    UpdateMoveButtons();
}

void FrmMainList::showMatches(const QString& term) {
    *m_matches = m_search->find(term);
    const bool filtered = !term.trimmed().isEmpty();
    for (int row = 0; row < m_documents->rowCount(); ++row)
        LVOrder->setRowHidden(row, {}, filtered && !m_matches->contains(m_documents->document(row).id));
    if (filtered)
        m_matches->mark(*m_documents);
    else
        TextMatches::unmark(*m_documents);
    m_findBar->showCount(filtered ? m_matches->count() : -1);
    dropHiddenSelection();
    if (keepCurrentShown() && currentRow(LVOrder) >= 0)
        LVOrder_ItemClick(currentRow(LVOrder));
}

bool FrmMainList::keepCurrentShown() {
    const int current = currentRow(LVOrder);
    if (current >= 0 && !LVOrder->isRowHidden(current, {}))
        return false;
    int first = 0;
    while (first < m_documents->rowCount() && LVOrder->isRowHidden(first, {}))
        ++first;
    LVOrder->clearSelection();
    if (first < m_documents->rowCount()) {
        setCurrentRow(LVOrder, first);
        scrollToRow(LVOrder, first);
        return true;
    }
    // Nothing is shown, so nothing may stay current for a command to act on.
    setCurrentRow(LVOrder, -1, false);
    ImgPreview->clearImage();
    ImgTypeICO->clear();
    setPanelText(2, QString());
    return true;
}

void FrmMainList::previewMatch(bool forward) {
    const int row = m_matches->step(m_documents->ids(), currentRow(LVOrder), forward);
    if (row >= 0)
        goToRow(row);
}

void FrmMainList::goToRow(int row) {
    LVOrder->clearSelection();
    setCurrentRow(LVOrder, row);
    scrollToRow(LVOrder, row);
    LVOrder_ItemClick(row);
}

void FrmMainList::dropHiddenSelection() {
    for (const int row : selectedRows(LVOrder))
        if (LVOrder->isRowHidden(row, {}))
            setRowSelected(LVOrder, row, false);
}

void FrmMainList::CmdExit_Click() {
    if (bOrderChanged) {
        const BusyState busy(this, m_panels.get(), 1, QStringLiteral("正在保存原文顺序，请稍等..."));
        store::saveDocumentOrder(*MyInit::Connection, m_documents->ids());
    }
    accept();
}

void FrmMainList::done(int result) {
    Form_QueryUnload();
    QDialog::done(result);
}

void FrmMainList::Form_QueryUnload() {
    for (int i = 0; i < m_documents->rowCount(); ++i) {
        const QString path = m_documents->cachePath(i);
        if (path.isEmpty() || !QFileInfo::exists(path))
            continue;
        QFile file(path);
        file.setPermissions(file.permissions() | QFile::WriteOwner | QFile::WriteUser);
        file.remove();
    }
}

void FrmMainList::ShowTypeIcon(const QString& type) {
    ui::ShowTypeIcon(ImgTypeICO, ImgBack, type, ErrorPolicy::Silent);
}

} // namespace wo::ui
