#include "ui/list/FrmMainList.h"

#include "entry/MyInit.h"
#include "imaging/DesktopOpener.h"
#include "imaging/ImageAdminDialog.h"
#include "imaging/ImageViewWidget.h"
#include "platform/dialogs/Dialogs.h"
#include "store/RecordDocuments.h"
#include "ui/common/Guard.h"
#include "ui/common/ListItem.h"
#include "ui/common/Twips.h"
#include "ui/common/TypeIcon.h"
#include "ui/list/StartWork.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTreeWidget>

namespace wo::ui {

namespace {

const QString kCaption = QStringLiteral("原文列表");
const QString kReady = QStringLiteral("准备就绪");

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setGeometry(twipsRect(left, top, 1095, 330, parent));
    b->setAutoDefault(false);
    return b;
}

} // namespace

FrmMainList::FrmMainList(QWidget* parent) : QDialog(parent) {
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

    LVOrder = new QTreeWidget(Frame1);
    LVOrder->setObjectName(QStringLiteral("LVOrder"));
    LVOrder->setGeometry(twipsRect(120, 240, 4575, 3615, this));
    LVOrder->setColumnCount(ListItem::ColumnCount);
    LVOrder->setHeaderLabels({QStringLiteral("顺序号"), QStringLiteral("原文名称"),
                              QStringLiteral("原文类型"), QStringLiteral("原文路径")});
    LVOrder->headerItem()->setTextAlignment(ListItem::Name, Qt::AlignCenter);
    LVOrder->setColumnWidth(ListItem::Number, twips(720, this));
    LVOrder->setColumnWidth(ListItem::Name, twips(4000, this));
    LVOrder->setColumnHidden(ListItem::Type, true);
    LVOrder->setColumnHidden(ListItem::Path, true);
    LVOrder->header()->setStretchLastSection(false);
    LVOrder->setRootIsDecorated(false);
    LVOrder->setUniformRowHeights(true);
    LVOrder->setAllColumnsShowFocus(true);
    LVOrder->setSelectionMode(QAbstractItemView::ExtendedSelection);

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
    StaBar->setSizeGripEnabled(false);
    StaBar->setGeometry(twipsRect(0, 4470, 7650, 255, this));
    const int widths[3] = {4425, 1440, 1440};
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(StaBar);
        m_panels[i]->setObjectName(QStringLiteral("StaBarPanel%1").arg(i + 1));
        m_panels[i]->setFixedWidth(twips(widths[i], this));
        m_panels[i]->setFrameShape(QFrame::Panel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        StaBar->addWidget(m_panels[i]);
    }
    m_panels[0]->setText(kReady);
    m_panels[2]->setText(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));

    PopMenu = new QMenu(QStringLiteral("PopMenu"), this);
    PopMenu->setObjectName(QStringLiteral("PopMenu"));
    RenameFile = PopMenu->addAction(QStringLiteral("修改原文名称"));
    RenameFile->setObjectName(QStringLiteral("RenameFile"));

    ImgAdmin1 = std::make_unique<imaging::ImageAdminDialog>(this);
    OLE1 = std::make_unique<imaging::DesktopOpener>();

    ImgPreview->raise();
    connect(CmdExit, &QPushButton::clicked, this,
            [this] { guarded(this, kCaption, [this] { CmdExit_Click(); }); });
    connect(LVOrder, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { LVOrder_ItemClick(item); });
    connect(LVOrder, &QTreeWidget::itemDoubleClicked, this, [this] { LVOrder_DblClick(); });
    connect(CmdScan, &QPushButton::clicked, this, [this] { CmdScan_Click(); });
    connect(CmdUp, &QPushButton::clicked, this, [this] { CmdUp_Click(); });
    connect(CmdDown, &QPushButton::clicked, this, [this] { CmdDown_Click(); });
}

QString FrmMainList::panelText(int panel) const {
    return m_panels[panel - 1]->text();
}

void FrmMainList::setPanelText(int panel, const QString& text) {
    m_panels[panel - 1]->setText(text);
}

void FrmMainList::Form_Load() {
    bOrderChanged = false;
    const auto documents =
        store::loadRecordDocuments(*MyInit::Connection, MyInit::gsRecordID, MyInit::FtpMode);
    LVOrder->clear();
    QList<QTreeWidgetItem*> items;
    QStringList tags;
    items.reserve(documents.size());
    for (int k = 0; k < documents.size(); ++k) {
        const auto& d = documents.at(k);
        items << ListItem::make(QString::number(k + 1), d.name, d.type, d.path, d.id);
        tags << d.id;
    }
    LVOrder->addTopLevelItems(items);
    // As a list view does, the first row starts as the current, selected item.
    if (!items.isEmpty())
        LVOrder->setCurrentItem(items.first());

    if (MyInit::browseOnly()) {
        for (QPushButton* b : {CmdUp, CmdDown, CmdAdd, CmdScan, CmdDel})
            b->setEnabled(false);
    } else {
        CmdDel->setEnabled(!items.isEmpty());
        CmdPrint->setEnabled(!items.isEmpty());
    }

    const StartWork work = decideStartWork(MyInit::gsState, MyInit::gsOriginalID, tags);
    switch (work.kind) {
    case StartWork::Scan:
        CmdScan_Click();
        break;
    case StartWork::OpenDocument: {
        if (QTreeWidgetItem* current = LVOrder->currentItem())
            current->setSelected(false);
        QTreeWidgetItem* found = items.at(work.row);
        LVOrder->setCurrentItem(found);
        found->setSelected(true);
        LVOrder->scrollToItem(found);
        LVOrder_DblClick();
        LVOrder_ItemClick(LVOrder->currentItem());
        break;
    }
    case StartWork::PreviewFirst:
        LVOrder_ItemClick(items.first());
        break;
    case StartWork::Nothing:
        break;
    }
}

void FrmMainList::UpdateMoveButtons() {
    CmdUp->setEnabled(false);
    CmdDown->setEnabled(false);
    const int count = LVOrder->topLevelItemCount();
    nFirstSelected = count + 1;
    nLastSelected = 0;
    for (int i = 1; i <= count; ++i) {
        if (!LVOrder->topLevelItem(i - 1)->isSelected())
            continue;
        nFirstSelected = std::min(nFirstSelected, i);
        nLastSelected = std::max(nLastSelected, i);
    }
    if (MyInit::browseOnly())
        return;
    CmdUp->setEnabled(nFirstSelected != 1);
    CmdDown->setEnabled(nLastSelected != count);
}

void FrmMainList::LVOrder_ItemClick(QTreeWidgetItem* item) {
    if (!item)
        return;
    MyInit::gsOriginalID = ListItem::tag(item);
    UpdateMoveButtons();
}

// Opening a document in the viewer or its own program arrives with the viewer.
void FrmMainList::LVOrder_DblClick() {}

// Scanning arrives with the scanner.
void FrmMainList::CmdScan_Click() {}

bool FrmMainList::prepareMove() {
    if (!LVOrder->currentItem() || LVOrder->selectedItems().isEmpty()) {
        dialogs::current().messageBox(this, QStringLiteral("请先选择一条记录！"), dialogs::Buttons::OK,
                                      dialogs::Icon::Information, kCaption);
        return false;
    }
    UpdateMoveButtons();
    return true;
}

void FrmMainList::moveNeighbour(int from, int to) {
    LVOrder->insertTopLevelItem(to, ListItem::recreate(LVOrder->topLevelItem(from)));
    delete LVOrder->takeTopLevelItem(from < to ? from : from + 1);
    LVOrder->scrollToItem(LVOrder->currentItem());
    bOrderChanged = true;
}

void FrmMainList::CmdUp_Click() {
    if (!prepareMove() || nFirstSelected <= 1)
        return;
    moveNeighbour(nFirstSelected - 2, nLastSelected);
    --nFirstSelected;
    --nLastSelected;
    if (nFirstSelected == 1)
        CmdUp->setEnabled(false);
    if (!MyInit::browseOnly())
        CmdDown->setEnabled(true);
}

void FrmMainList::CmdDown_Click() {
    if (!prepareMove() || nLastSelected >= LVOrder->topLevelItemCount())
        return;
    moveNeighbour(nLastSelected, nFirstSelected - 1);
    ++nFirstSelected;
    ++nLastSelected;
    if (nLastSelected == LVOrder->topLevelItemCount())
        CmdDown->setEnabled(false);
    if (!MyInit::browseOnly())
        CmdUp->setEnabled(true);
}

void FrmMainList::CmdExit_Click() {
    if (bOrderChanged) {
        setPanelText(1, QStringLiteral("正在保存原文顺序，请稍等..."));
        QStringList ids;
        for (int i = 0; i < LVOrder->topLevelItemCount(); ++i)
            ids << ListItem::tag(LVOrder->topLevelItem(i));
        store::saveDocumentOrder(*MyInit::Connection, ids);
    }
    accept();
}

void FrmMainList::done(int result) {
    Form_QueryUnload();
    QDialog::done(result);
}

void FrmMainList::Form_QueryUnload() {
    for (int i = 0; i < LVOrder->topLevelItemCount(); ++i) {
        const QString path = ListItem::cachePath(LVOrder->topLevelItem(i));
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
