// Figures of the text of pages, run by hand (not a test):
//   bench_text ocr [DIR]   CPU per A4 300-dpi page, characters right on a clean and a degraded
//                          page (DIR keeps the pages and what was read)
//   bench_text page FILE   writes the clean page (for scripts/bench-index.sh)
//   bench_text search [N]  search on SQLite at N documents of ten pages (default 5,000): first
//                          50 hits, and misses against a plain substring scan of the same text
//   bench_text search-on DRIVER CONNECTION [N]  the same on a server (default 10,000 documents),
//                          run by scripts/bench-text.sh on a PostgreSQL server of its own
#include "BenchTiming.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "text/Folding.h"
#include "text/PageReader.h"
#include "text/TextTable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTransform>
#include <cstdio>
#include <sys/resource.h>

namespace {

// The words the search figures draw their pages from.
const QString kText = QStringLiteral(
    "购销合同 合同编号20261208 甲方向乙方购买办公用品一批 合同金额人民币壹万贰仟叁佰肆拾伍元整 "
    "其中税额贰仟零伍拾元 乙方应于收到预付款后七日内交货 交货地点为甲方仓库 验收合格后甲方支付余款 "
    "陆仟柒佰捌拾玖元 如有质量问题乙方负责退换 本合同一式两份 双方各执一份 自签字盖章之日起生效 "
    "增值税专用发票 发票代码3100204130 开票日期二零二六年十二月八日 货物名称打印纸 数量伍拾箱 单价壹佰玖拾元 "
    "价税合计玖仟伍佰元 销售方上海某某贸易有限公司 购买方北京某某科技有限公司 收款人张三 复核李四 "
    "开票人王五");

// A full A4 page of a purchase contract as it is printed: a title, then body text in
// 10.5 pt (the usual size of Chinese business documents), amounts in formal numerals.
const QString kPageTitle = QStringLiteral("购销合同");
const QStringList kPageLines = {
    QStringLiteral("合同编号：HT-20261208-017　　　　　签订日期：二〇二六年十二月八日"),
    QStringLiteral("甲方（购买方）：北京某某科技有限公司　　乙方（销售方）：上海某某贸易有限公司"),
    QStringLiteral("根据《中华人民共和国民法典》及有关法律法规的规定，甲乙双方本着平等互利、诚实信用的原则，"
                   "经友好协商，就甲"
                   "方向乙方购买办公用品一事达成如下协议，以资共同遵守。"),
    QStringLiteral(
        "第一条　货物名称、数量及价款。货物名称为复印纸、打印机硒鼓及文件柜，规格型号以本合同附件一所列为准。"
        "复印"
        "纸伍拾箱，每箱单价人民币壹佰玖拾元；硒鼓贰拾个，每个单价人民币叁佰陆拾元；文件柜捌组，每组单价人民币"
        "壹仟贰佰伍拾元。合同总金额为人民币贰万肆仟陆佰伍拾元整（￥24650.00），其中增值税额贰仟捌佰叁拾陆元"
        "整，价款已含运输费、装卸费及保险费。"),
    QStringLiteral("第二条　质量标准。乙方所供货物应为原厂正品，符合国家标准及行业标准，包装完好，附有产品合"
                   "格证及使用说明"
                   "书。质量保证期为自验收合格之日起壹拾贰个月，保证期内非因甲方使用不当造成的质量问题，由乙"
                   "方负责免费维修"
                   "或更换。"),
    QStringLiteral("第三条　交货时间、地点及方式。乙方应于收到甲方预付款后柒日内将全部货物送至甲方指定仓库，"
                   "地址为北京市海淀"
                   "区中关村大街壹号，运输方式由乙方自行确定，运输途中货物毁损灭失的风险由乙方承担。"),
    QStringLiteral("第四条　验收。甲方应于货物送达后叁日内按本合同约定的规格、数量及质量标准进行验收，验收合"
                   "格的由甲方出具书面"
                   "验收单；验收不合格的，甲方有权拒收，乙方应于伍日内予以更换。"),
    QStringLiteral("第五条　付款方式。本合同签订后伍日内，甲方向乙方支付合同总金额的百分之叁拾作为预付款，即"
                   "人民币柒仟叁佰玖"
                   "拾伍元整；货物验收合格且乙方开具增值税专用发票后拾伍日内，甲方支付余款人民币壹万柒仟贰佰"
                   "伍拾伍元整。乙"
                   "方开户银行为中国工商银行上海分行，账号为3100204130008765432。"),
    QStringLiteral("第六条　违约责任。乙方逾期交货的，每逾期一日，应按逾期交货部分货款的千分之伍向甲方支付违"
                   "约金；逾期超过拾"
                   "伍日的，甲方有权解除合同，乙方应退还已收款项并支付合同总金额百分之贰拾的违约金。甲方逾期"
                   "付款的，每逾期一"
                   "日，应按逾期付款金额的千分之伍向乙方支付违约金。"),
    QStringLiteral("第七条　争议解决。因本合同引起的或与本合同有关的任何争议，双方应友好协商解决；协商不成的"
                   "，任何一方均可向"
                   "甲方所在地有管辖权的人民法院提起诉讼。"),
    QStringLiteral("第八条　其他。本合同一式肆份，甲乙双方各执贰份，具有同等法律效力，自双方签字盖章之日起生"
                   "效。本合同未尽"
                   "事宜，由双方另行签订补充协议，补充协议与本合同具有同等法律效力。"),
    QStringLiteral("甲方（盖章）：北京某某科技有限公司　　　　乙方（盖章）：上海某某贸易有限公司"),
    QStringLiteral("法定代表人：张三　　　　　　　　　　　　　法定代表人：李四"),
    QStringLiteral("电话：010-62751234　　　　　　　　　　　　电话：021-58961234"),
};

QString pageText() {
    return kPageTitle + u'\n' + kPageLines.join(u'\n');
}

double cpuSecondsOfChildren() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QImage a4Page(bool degraded) {
    constexpr int dpi = 300;
    constexpr int margin = 295; // 2.5 cm
    QImage page(2480, 3508, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setDotsPerMeterX(int(dpi / 0.0254));
    page.setDotsPerMeterY(int(dpi / 0.0254));
    {
        QPainter p(&page);
        p.setPen(Qt::black);
        QFont title(QStringLiteral("WenQuanYi Zen Hei"));
        title.setPixelSize(18 * dpi / 72); // 18 pt
        p.setFont(title);
        const QRect width(margin, margin, page.width() - 2 * margin, page.height() - 2 * margin);
        QRect used = p.boundingRect(width, Qt::AlignHCenter | Qt::AlignTop, kPageTitle);
        p.drawText(used, Qt::AlignHCenter | Qt::AlignTop, kPageTitle);
        QFont body(QStringLiteral("WenQuanYi Zen Hei"));
        body.setPixelSize(int(10.5 * dpi / 72)); // 10.5 pt
        p.setFont(body);
        int y = used.bottom() + body.pixelSize() * 2;
        for (const QString& line : kPageLines) {
            const QRect box(margin, y, width.width(), page.height() - margin - y);
            used = p.boundingRect(box, Qt::TextWordWrap, line);
            p.drawText(box, Qt::TextWordWrap, line);
            y = used.bottom() + body.pixelSize() * 3 / 4;
        }
    }
    if (!degraded)
        return page;
    // Skewed, blurred (down and up again) and speckled, as a poor scan.
    QImage skewed = page.transformed(QTransform().rotate(1.2), Qt::SmoothTransformation);
    QImage blurred = skewed.scaled(skewed.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .scaled(skewed.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int i = 0; i < 40000; ++i)
        blurred.setPixel(int(random.bounded(blurred.width())), int(random.bounded(blurred.height())),
                         random.bounded(2) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    blurred.setDotsPerMeterX(page.dotsPerMeterX());
    blurred.setDotsPerMeterY(page.dotsPerMeterY());
    return blurred;
}

int distance(const QList<uint>& a, const QList<uint>& b) {
    QList<int> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// `keep`: a folder that keeps the pages and what was read from them.
int ocr(const QString& keep) {
    QTemporaryDir temporary;
    const QDir dir(keep.isEmpty() ? temporary.path() : keep);
    const QList<uint> expected = wo::text::searchForm(pageText()).remove(u' ').toUcs4();
    for (const bool degraded : {false, true}) {
        const QString path =
            dir.filePath(degraded ? QStringLiteral("poor.png") : QStringLiteral("clean.png"));
        a4Page(degraded).save(path);
        const double before = cpuSecondsOfChildren();
        QElapsedTimer wall;
        wall.start();
        const auto pages = wo::text::readDocument(path);
        const double cpu = cpuSecondsOfChildren() - before;
        const QString text = pages[0].text();
        if (!keep.isEmpty()) {
            QFile out(path + QStringLiteral(".txt"));
            if (out.open(QIODevice::WriteOnly))
                out.write(text.toUtf8());
        }
        const QList<uint> got = wo::text::searchForm(text).remove(u' ').toUcs4();
        const double right = 100.0 * (1.0 - double(distance(expected, got)) / double(expected.size()));
        std::printf("%s page: %.2f s CPU, %.2f s wall, %.1f %% of %lld characters right\n",
                    degraded ? "degraded" : "clean", cpu, double(wall.elapsed()) / 1000, right,
                    qlonglong(expected.size()));
    }
    return 0;
}

// The search figures on one engine: `documents` documents of ten pages of 400
// characters drawn from the test text, 40 documents to a record.
int search(const QString& driver, const QString& connectString, int documents) {
    auto db = wo::db::Connection::open(driver, connectString);
    const bool sqlite = driver == QLatin1String("QSQLITE");
    if (sqlite)
        db->execute(QStringLiteral("PRAGMA synchronous = OFF"));
    db->execute(
        QStringLiteral("CREATE TABLE Original_Text (ID varchar(40) NOT NULL, Original_Name varchar(255), "
                       "Type varchar(20), RecordId varchar(100), FileOrder integer, FilePath varchar(255), "
                       "Size bigint)"));
    db->execute(QStringLiteral("CREATE INDEX Original_Text_ID ON Original_Text (ID)"));
    db->execute(QStringLiteral("CREATE INDEX Original_Text_RecordId ON Original_Text (RecordId)"));
    wo::text::TextTable table(*db);
    table.ensure();
    const QList<uint> pool = kText.toUcs4();
    QRandomGenerator random(42);
    constexpr int pagesPerDocument = 10;
    QElapsedTimer clock;
    clock.start();
    for (int d = 0; d < documents; ++d) {
        const QString id = QStringLiteral("D%1").arg(d, 6, 10, QLatin1Char('0'));
        db->execute(
            wo::db::Statement{QStringLiteral("INSERT INTO Original_Text (ID, Original_Name, Type, RecordId, "
                                             "FileOrder, FilePath) VALUES (?, ?, '.TIF', ?, ?, '2026-12')"),
                              {id, id, QStringLiteral("R%1").arg(d / 40), d % 40}});
        QList<wo::text::PageText> pages;
        for (int p = 0; p < pagesPerDocument; ++p) {
            wo::text::PageText page;
            page.page = p;
            QList<uint> chars;
            for (int c = 0; c < 400; ++c)
                chars << pool[random.bounded(int(pool.size()))];
            page.words.append(
                {QRect(),
                 QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()), chars.size()), 0});
            pages << page;
        }
        table.store(id, pages);
    }
    if (!sqlite)
        db->execute(QStringLiteral("ANALYZE"));
    std::printf("%s: %d documents, %d pages stored in %.1f s\n", qPrintable(driver), documents,
                documents * pagesPerDocument, double(clock.elapsed()) / 1000);
    const QString record = QStringLiteral("R%1").arg(documents / 40 * 3 / 5);
    const struct {
        const char* what;
        QString term;
        std::optional<QString> record;
    } cases[] = {{"1 character", QStringLiteral("叁"), std::nullopt},
                 {"2 characters", QStringLiteral("发票"), std::nullopt},
                 // Near where reading in order and the index cost the same, on either side.
                 {"2 characters, 3.7 % of pages", QStringLiteral("税额"), std::nullopt},
                 {"2 characters, 2.5 % of pages", QStringLiteral("交付"), std::nullopt},
                 {"2 characters, on no page", QStringLiteral("猫狗"), std::nullopt},
                 {"3 characters", QStringLiteral("合同金"), std::nullopt},
                 {"4 characters, rare", QStringLiteral("壹万贰仟"), std::nullopt},
                 {"1 character in a record", QStringLiteral("叁"), record},
                 {"2 characters in a record", QStringLiteral("发票"), record},
                 {"3 characters in a record", QStringLiteral("合同金"), record}};
    for (const auto& c : cases) {
        constexpr int runs = 20;
        QList<wo::text::Hit> hits;
        std::vector<double> times;
        for (int i = 0; i < runs; ++i)
            times.push_back(wo::test::elapsedMs([&] { hits = table.search(c.term, c.record, 50); }));
        // All hits against a plain scan of the same text.
        const auto all = table.search(c.term, c.record, 1 << 30);
        wo::db::Recordset scan;
        wo::db::Statement s{
            QStringLiteral("SELECT COUNT(*) FROM Original_PageText t JOIN Original_Text o ON o.ID = t.ID "
                           "WHERE %1(t.Body, ?) > 0")
                .arg(sqlite ? QStringLiteral("instr") : QStringLiteral("strpos")),
            {wo::text::searchForm(c.term)}};
        if (c.record) {
            s.text += QStringLiteral(" AND o.RecordId = ?");
            s.values << *c.record;
        }
        scan.open(s, *db);
        const qint64 expected = scan.field(0).toLongLong();
        std::printf("%-30s first %2lld hits in %7.2f ms (median of %d, worst %.2f); %lld hits, scan finds "
                    "%lld, missed %lld\n",
                    c.what, qlonglong(hits.size()), wo::test::median(times), runs,
                    *std::max_element(times.begin(), times.end()), qlonglong(all.size()), expected,
                    expected - qlonglong(all.size()));
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("ocr"))
        return ocr(args.size() >= 3 ? args[2] : QString());
    if (args.size() >= 3 && args[1] == QLatin1String("page"))
        return a4Page(false).save(args[2]) ? 0 : 1;
    if (args.size() >= 2 && args[1] == QLatin1String("search")) {
        QTemporaryDir dir;
        return search(QStringLiteral("QSQLITE"),
                      QStringLiteral("Database=") + dir.filePath(QStringLiteral("b.db")),
                      args.size() >= 3 ? args[2].toInt() : 5000);
    }
    if (args.size() >= 4 && args[1] == QLatin1String("search-on"))
        return search(args[2], args[3], args.size() >= 5 ? args[4].toInt() : 10000);
    std::fprintf(stderr, "usage: bench_text ocr [DIR] | page FILE | search [documents] | search-on DRIVER "
                         "CONNECTION [documents]\n");
    return 2;
}
