// Where a term stands on a page's words, and word boxes through the view's transform.
#include "imaging/ViewGeometry.h"
#include "ui/viewer/PageHits.h"

#include <QTest>

using wo::text::Word;
using wo::ui::HitPlace;

using Words = QList<Word>;
using Boxes = QList<QRect>;
using Places = QList<HitPlace>;
Q_DECLARE_METATYPE(Word)
Q_DECLARE_METATYPE(HitPlace)
Q_DECLARE_METATYPE(std::optional<HitPlace>)

namespace {

// Words of one line, each 1000 units wide, one after the other.
Words line(const QStringList& texts, int line = 0, int left = 0) {
    Words out;
    for (const QString& text : texts) {
        out.append({QRect(left, line * 500, 1000, 400), text, line});
        left += 1100;
    }
    return out;
}

} // namespace

class TestPageHits : public QObject {
    Q_OBJECT
private slots:
    void matchBoxes_data() {
        QTest::addColumn<Words>("words");
        QTest::addColumn<QString>("term");
        QTest::addColumn<Boxes>("boxes");
        QTest::newRow("full-width and case folded")
            << line({"ＩＮＶＯＩＣＥ", "No."}) << "invoice" << Boxes{QRect(0, 0, 1000, 400)};
        QTest::newRow("recognised characters apart")
            << line({"发", "票", "号"}) << "发票" << Boxes{QRect(0, 0, 1000, 400), QRect(1100, 0, 1000, 400)};
        QTest::newRow("spaces in the term between Chinese characters")
            << line({"发", "票"}) << "发 票" << Boxes{QRect(0, 0, 1000, 400), QRect(1100, 0, 1000, 400)};
        QTest::newRow("over two Latin words, only their own characters")
            << line({"invoice", "no."}) << "ce no"
            << Boxes{QRect(714, 0, 286, 400), QRect(1100, 0, 666, 400)};
        QTest::newRow("inside a longer word") << Words{{QRect(0, 0, 1200, 100), "发票号码20261208", 0}}
                                              << "20261208" << Boxes{QRect(400, 0, 800, 100)};
        QTest::newRow("Latin words stay apart") << line({"ab", "cd"}) << "abcd" << Boxes{};
        QTest::newRow("from one line to the next")
            << line({"甲方", "合"}) + line({"同"}, 1) << "合同"
            << Boxes{QRect(1100, 0, 1000, 400), QRect(0, 500, 1000, 400)};
        QTest::newRow("overlapping matches, one mark")
            << line({"aaa"}) << "aa" << Boxes{QRect(0, 0, 1000, 400)};
        QTest::newRow("every match") << line({"合同", "附件", "合同"}) << "合同"
                                     << Boxes{QRect(0, 0, 1000, 400), QRect(2200, 0, 1000, 400)};
        QTest::newRow("not there") << line({"发票"}) << "合同" << Boxes{};
        QTest::newRow("empty term") << line({"发票"}) << "  " << Boxes{};
    }
    void matchBoxes() {
        QFETCH(Words, words);
        QFETCH(QString, term);
        QFETCH(Boxes, boxes);
        QCOMPARE(wo::ui::matchBoxes(words, term), boxes);
    }

    // A page of 2000 × 1000 pixels; the box (1000, 2000, 2000, 1000) in ten-thousandths
    // is the image's (200, 200, 400, 100), turned clockwise as the view turns it.
    void boxThroughTheView_data() {
        QTest::addColumn<int>("turns");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<QPointF>("origin");
        QTest::addColumn<QRectF>("widget");
        QTest::newRow("upright, half size, scrolled")
            << 0 << 50.0 << QPointF(10, -20) << QRectF(110, 80, 200, 50);
        QTest::newRow("right") << 1 << 100.0 << QPointF() << QRectF(700, 200, 100, 400);
        QTest::newRow("upside down") << 2 << 100.0 << QPointF() << QRectF(1400, 700, 400, 100);
        QTest::newRow("left") << 3 << 100.0 << QPointF() << QRectF(200, 1400, 100, 400);
        QTest::newRow("left, twice the size") << 3 << 200.0 << QPointF(5, 5) << QRectF(405, 2805, 200, 800);
    }
    void boxThroughTheView() {
        QFETCH(int, turns);
        QFETCH(double, zoom);
        QFETCH(QPointF, origin);
        QFETCH(QRectF, widget);
        const QSize page(2000, 1000);
        const QRect box(1000, 2000, 2000, 1000);
        const QTransform view = wo::imaging::geometry::imageToWidget(QSizeF(page), turns, zoom, origin);
        QCOMPARE(wo::ui::boxToWidget(box, page, view), widget);
        QCOMPARE(wo::ui::widgetToBox(widget, page, view), box);
    }

    void wordsIn_data() {
        QTest::addColumn<Words>("words");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QString>("text");
        const QRect all(0, 0, 10000, 10000);
        QTest::newRow("Latin words") << line({"Invoice", "No.", "7"}) << all << "Invoice No. 7";
        QTest::newRow("Chinese characters") << line({"发", "票", "号", "码"}) << all << "发票号码";
        QTest::newRow("mixed") << line({"金额", "100", "元", "整"}) << all << "金额100元整";
        QTest::newRow("lines in order, words by position")
            << line({"第二行"}, 1) + line({"b"}, 0, 1100) + line({"a"}) << all << "a b\n第二行";
        QTest::newRow("words whose middle is outside are left")
            << line({"甲", "乙", "丙"}) << QRect(400, 0, 1800, 400) << "甲乙";
        QTest::newRow("nothing in the area") << line({"甲"}) << QRect(5000, 5000, 100, 100) << "";
    }
    void wordsIn() {
        QFETCH(Words, words);
        QFETCH(QRect, area);
        QFETCH(QString, text);
        QCOMPARE(wo::ui::wordsIn(words, area), text);
    }

    void nextHit_data() {
        QTest::addColumn<Places>("hits");
        QTest::addColumn<HitPlace>("from");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<std::optional<HitPlace>>("to");
        const Places hits{{0, 2}, {0, 4}, {1, 1}, {3, 3}};
        const int past = std::numeric_limits<int>::max();
        QTest::newRow("next page") << hits << HitPlace{0, 2} << true << std::optional<HitPlace>({0, 4});
        QTest::newRow("between hits") << hits << HitPlace{0, 3} << true << std::optional<HitPlace>({0, 4});
        QTest::newRow("next document") << hits << HitPlace{0, 4} << true << std::optional<HitPlace>({1, 1});
        QTest::newRow("after the last, the first")
            << hits << HitPlace{3, 3} << true << std::optional<HitPlace>({0, 2});
        QTest::newRow("a document without pages passed")
            << hits << HitPlace{2, past} << true << std::optional<HitPlace>({3, 3});
        QTest::newRow("back a document")
            << hits << HitPlace{1, 1} << false << std::optional<HitPlace>({0, 4});
        QTest::newRow("back from a document without pages")
            << hits << HitPlace{2, 0} << false << std::optional<HitPlace>({1, 1});
        QTest::newRow("before the first, the last")
            << hits << HitPlace{0, 2} << false << std::optional<HitPlace>({3, 3});
        QTest::newRow("no hits") << Places{} << HitPlace{0, 1} << true << std::optional<HitPlace>();
    }
    void nextHit() {
        QFETCH(Places, hits);
        QFETCH(HitPlace, from);
        QFETCH(bool, forward);
        QFETCH(std::optional<HitPlace>, to);
        QCOMPARE(wo::ui::nextHit(hits, from, forward), to);
    }
};

QTEST_APPLESS_MAIN(TestPageHits)
#include "tst_pagehits.moc"
