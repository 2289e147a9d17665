// Shows the viewer on a three-page scanned contract and writes a screenshot of it.
// Not a test: scripts/screenshot-viewer.sh runs it under a virtual X server.
//   shot_viewer [--strip | --hits] output.png
// With --strip the page thumbnails are shown beside the page; with --hits the pages
// are recognised into a database of their own and the hits of "货物" marked.
#include "ScanTiff.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "settings/MyInit.h"
#include "text/PageReader.h"
#include "text/TextTable.h"
#include "ui/common/DocumentModel.h"
#include "ui/viewer/PageStrip.h"
#include "ui/viewer/frmDetail.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

namespace {

constexpr int Dpi = 150;
constexpr int Width = 1240; // A4 at 150 dpi
constexpr int Height = 1754;

const QString Clause = QStringLiteral("甲乙双方本着平等互利的原则，经友好协商，就下列货物的买卖事宜达成一致，"
                                      "共同遵守本合同的各项条款。");

void paragraph(QPainter& p, int& y, const QString& text, int indent = 0) {
    const QRect box(110 + indent, y, Width - 220 - indent, Height);
    QRect used;
    p.drawText(box, Qt::TextWordWrap, text, &used);
    y += used.height() + 18;
}

// A page as the scanner sees it: a little turned, with specks.
QImage scanned(int number) {
    QImage page(Width, Height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(Width / 2.0, Height / 2.0);
    p.rotate(number == 2 ? -0.5 : 0.4);
    p.translate(-Width / 2.0, -Height / 2.0);
    p.setPen(Qt::black);
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    int y = 120;
    if (number == 1) {
        font.setPixelSize(56);
        p.setFont(font);
        p.drawText(QRect(0, y, Width, 80), Qt::AlignHCenter, QStringLiteral("购 销 合 同"));
        y += 130;
        font.setPixelSize(24);
        p.setFont(font);
        for (const char16_t* line : {u"合同编号：WD-2026-0518", u"甲方（卖方）：示例贸易有限公司",
                                     u"乙方（买方）：示例制造有限公司", u"签订地点：示例市经济开发区"})
            paragraph(p, y, QString::fromUtf16(line));
        y += 20;
        paragraph(p, y, Clause, 48);
        paragraph(p, y, QStringLiteral("一、货物名称、规格、数量及金额"), 0);
        const int columns[] = {110, 420, 620, 800, 1130};
        const QStringList header{QStringLiteral("货物名称"), QStringLiteral("规格型号"),
                                 QStringLiteral("数量"), QStringLiteral("金额（元）")};
        for (int row = 0; row < 6; ++row) {
            const int top = y + row * 52;
            p.drawLine(columns[0], top, columns[4], top);
            for (int c = 0; c < 4; ++c) {
                const QString text = row == 0 ? header[c]
                                     : c == 0 ? QStringLiteral("精密轴承%1号").arg(row)
                                     : c == 1 ? QStringLiteral("ZC-%1200").arg(row)
                                     : c == 2 ? QString::number(row * 150)
                                              : QString::number(row * 150 * 86) + QStringLiteral(".00");
                p.drawText(QRect(columns[c] + 12, top, columns[c + 1] - columns[c] - 24, 52),
                           Qt::AlignVCenter, text);
            }
        }
        p.drawLine(columns[0], y + 6 * 52, columns[4], y + 6 * 52);
        for (const int x : columns)
            p.drawLine(x, y, x, y + 6 * 52);
        y += 6 * 52 + 40;
        paragraph(p, y, QStringLiteral("合计金额（大写）：贰拾万陆仟肆佰元整"), 0);
    } else {
        font.setPixelSize(24);
        p.setFont(font);
        const int first = number == 2 ? 2 : 7;
        for (int clause = first; clause < first + 5; ++clause) {
            paragraph(p, y, QStringLiteral("第%1条").arg(clause));
            paragraph(p, y, Clause + Clause, 48);
        }
        if (number == 3) {
            y += 40;
            paragraph(p, y, QStringLiteral("甲方（盖章）：                        乙方（盖章）："));
            paragraph(p, y, QStringLiteral("日期：2026年5月18日                  日期：2026年5月18日"));
            p.setPen(QPen(Qt::black, 6));
            p.drawEllipse(QPointF(300, y + 90), 110, 110);
            font.setPixelSize(22);
            p.setFont(font);
            p.drawText(QRectF(190, y + 110, 220, 40), Qt::AlignCenter, QStringLiteral("合同专用章"));
            p.drawText(QRectF(190, y + 30, 220, 40), Qt::AlignCenter, QStringLiteral("示例贸易"));
        }
    }
    font.setPixelSize(20);
    p.setFont(font);
    p.drawText(QRect(0, Height - 110, Width, 40), Qt::AlignHCenter,
               QStringLiteral("第 %1 页 共 3 页").arg(number));
    p.end();
    QRandomGenerator specks{quint32(number)};
    for (int i = 0; i < 1500; ++i)
        page.setPixel(specks.bounded(Width), specks.bounded(Height), 0);
    return page;
}

bool writeScan(const QString& path) {
    QList<QImage> pages;
    for (int number = 1; number <= 3; ++number) {
        QImage page = scanned(number).convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        page.setDotsPerMeterX(qRound(Dpi / 0.0254));
        page.setDotsPerMeterY(qRound(Dpi / 0.0254));
        pages << page;
    }
    return wo::test::writeScanTiff(path, pages);
}

const QList<std::pair<QString, QString>> Documents{
    {QStringLiteral("购销合同（扫描件）"), QStringLiteral(".TIF")},
    {QStringLiteral("增值税发票"), QStringLiteral(".JPG")},
    {QStringLiteral("验收报告"), QStringLiteral(".PDF")},
    {QStringLiteral("会议纪要"), QStringLiteral(".TXT")}};

// The record's rows and the contract's recognised text in an SQLite database, which
// the viewer then searches as it would the host's.
bool recogniseInto(const QString& database, const QString& scan) {
    try {
        const auto connection =
            wo::db::Connection::open(QStringLiteral("QSQLITE"), QStringLiteral("Database=") + database);
        connection->execute(
            QStringLiteral("CREATE TABLE Original_Text (ID varchar(40) NOT NULL, Original_Name varchar(255), "
                           "Type varchar(20), "
                           "RecordId varchar(100), FileOrder integer, FilePath varchar(255), Size bigint)"));
        for (int i = 0; i < Documents.size(); ++i)
            connection->execute(wo::db::Statement{
                QStringLiteral(
                    "INSERT INTO Original_Text (ID, Original_Name, Type, RecordId, FileOrder, FilePath) "
                    "VALUES (?, ?, ?, ?, ?, ?)"),
                {QString::number(i + 1), Documents[i].first, Documents[i].second, QStringLiteral("R"), i + 1,
                 QStringLiteral("2026-05")}});
        wo::text::TextTable table(*connection);
        table.ensure();
        table.store(QStringLiteral("1"), wo::text::readDocument(scan));
        wo::MyInit::Connection = connection;
        wo::MyInit::gsRecordID = QStringLiteral("R");
        wo::MyInit::gsTextSearch = QStringLiteral("chi_sim");
        return true;
    } catch (const wo::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return false;
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool strip = argc == 3 && qstrcmp(argv[1], "--strip") == 0;
    const bool hits = argc == 3 && qstrcmp(argv[1], "--hits") == 0;
    if (argc != (strip || hits ? 3 : 2)) {
        std::fprintf(stderr, "usage: shot_viewer [--strip | --hits] output.png\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString scan = dir.filePath(QStringLiteral("20260518093000123456.TIF"));
    if (!writeScan(scan)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(scan));
        return 1;
    }
    if (hits && !recogniseInto(dir.filePath(QStringLiteral("record.db")), scan))
        return 1;
    // The record's documents as the list window lists them; the contract is fetched already.
    wo::ui::DocumentModel owner;
    for (int i = 0; i < Documents.size(); ++i)
        owner.append(QString::number(i + 1), {QString::number(i + 1), Documents[i].first, Documents[i].second,
                                              QStringLiteral("2026-05")});
    owner.setCachePath(0, scan);

    wo::ui::frmDetail viewer(owner);
    viewer.SelIndex = 1;
    viewer.Form_Load();
    viewer.TlbMain_ButtonClick(QStringLiteral("Next"));
    if (hits) {
        viewer.setFindText(QStringLiteral("货物"));
        viewer.ActThumbnails->trigger();
        // Close enough to read the marked words.
        viewer.TlbMain_ButtonClick(QStringLiteral("ZoomIn"));
    }
    viewer.show();
    if (!QTest::qWaitForWindowExposed(&viewer))
        return 1;
    if (strip || hits) {
        if (strip)
            viewer.ActThumbnails->trigger();
        const wo::ui::PageStrip* thumbnails = viewer.pageStrip();
        if (!thumbnails || !QTest::qWaitFor([thumbnails] {
                for (int i = 0; i < thumbnails->count(); ++i)
                    if (thumbnails->item(i)->icon().isNull())
                        return false;
                return true;
            }))
            return 1;
    }
    viewer.repaint();
    QCoreApplication::processEvents();
    const QRect frame = viewer.frameGeometry();
    const QPixmap shot = viewer.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return shot.save(QString::fromLocal8Bit(argv[argc - 1])) ? 0 : 1;
}
