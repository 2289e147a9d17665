// Shows the list window with its find bar open on a record whose documents' text was
// read (recognised scans, a PDF's text layer, text files) and writes a screenshot of it.
// Not a test: scripts/screenshot-find.sh runs it under a virtual X server.
//   shot_find output.png
#include "ListWindowFixture.h"
#include "TextPages.h"
#include "settings/MyInit.h"
#include "text/TextService.h"
#include "ui/list/FindBar.h"
#include "ui/list/FrmMainList.h"

#include <QApplication>
#include <QBuffer>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTreeView>
#include <cstdio>

namespace {

const QString kTerm = QStringLiteral("购销合同");

QByteArray picture(const QStringList& lines, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    wo::test::textPage(lines).save(&buffer, format);
    return bytes;
}

// The record: a scanned contract, minutes, an invoice photographed, an acceptance
// report as a PDF with text, a quotation; three of them name the contract.
bool fill(wo::test::Record& rec) {
    using wo::test::Record;
    rec.add(QStringLiteral("a"), QStringLiteral("购销合同（扫描件）.tif"), QStringLiteral(".TIF"),
            picture({QStringLiteral("购销合同"), QStringLiteral("合同编号：WD-2026-0518"),
                     QStringLiteral("甲方：示例贸易有限公司")},
                    "TIFF"),
            1);
    rec.add(QStringLiteral("b"), QStringLiteral("会议纪要.txt"), QStringLiteral(".TXT"),
            QStringLiteral("会议纪要\n第三季度经营情况").toUtf8(), 2);
    rec.add(
        QStringLiteral("c"), QStringLiteral("增值税发票.jpg"), QStringLiteral(".JPG"),
        picture({QStringLiteral("增值税专用发票"), QStringLiteral("备注：购销合同 WD-2026-0518")}, "JPEG"),
        3);
    rec.add(QStringLiteral("d"), QStringLiteral("验收报告.pdf"), QStringLiteral(".PDF"), QByteArray(), 4);
    rec.add(QStringLiteral("e"), QStringLiteral("报价单.txt"), QStringLiteral(".TXT"),
            QStringLiteral("报价单\n精密轴承").toUtf8(), 5);
    return wo::test::writeTextPdf(
        rec.stored(QStringLiteral("d.PDF")),
        {QStringLiteral("验收报告"), QStringLiteral("依据购销合同 WD-2026-0518 验收合格")}, false);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: shot_find output.png\n");
        return 2;
    }
    wo::test::Record rec({});
    if (!fill(rec))
        return 1;
    wo::MyInit::gsTextSearch = QStringLiteral("chi_sim");
    auto& reading = wo::text::TextService::instance();
    if (!reading.start(rec.record, {true, wo::MyInit::gsTextSearch}) ||
        !QTest::qWaitFor([&] { return reading.idle(); }, 120000))
        return 1;

    wo::ui::FrmMainList list;
    list.Form_Load();
    list.show();
    if (!QTest::qWaitForWindowExposed(&list))
        return 1;
    QTest::keyClick(list.LVOrder, Qt::Key_F, Qt::ControlModifier);
    wo::ui::FindBar* bar = list.findBar();
    if (!bar)
        return 1;
    QInputMethodEvent commit;
    commit.setCommitString(kTerm);
    QApplication::sendEvent(bar->field(), &commit);
    if (!QTest::qWaitFor([bar] { return !bar->countText().isEmpty(); }))
        return 1;
    list.repaint();
    QCoreApplication::processEvents();
    const QRect frame = list.frameGeometry();
    const QPixmap shot = list.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    reading.stop();
    std::fprintf(stderr, "%s\n", qPrintable(bar->countText()));
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
