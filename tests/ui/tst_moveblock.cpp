#include "ui/list/MoveBlock.h"

#include <QTest>

using namespace wo::ui;

class TestMoveBlock : public QObject {
    Q_OBJECT
private slots:
    void moves_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<bool>("up");
        // The rows A, B, ... after the move; empty when nothing moves.
        QTest::addColumn<QString>("order");
        // The block afterwards, or as it stays.
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("C up") << 4 << QList<int>{2} << true << "ACBD" << 2 << 2;
        QTest::newRow("B,C down") << 4 << QList<int>{1, 2} << false << "ADBC" << 3 << 4;
        QTest::newRow("B,D up, C between") << 4 << QList<int>{1, 3} << true << "BCDA" << 1 << 3;
        QTest::newRow("B,D down, C between") << 5 << QList<int>{1, 3} << false << "AEBCD" << 3 << 5;
        QTest::newRow("selected out of order") << 5 << QList<int>{3, 1} << true << "BCDAE" << 1 << 3;
        QTest::newRow("top row down") << 4 << QList<int>{0} << false << "BACD" << 2 << 2;
        QTest::newRow("bottom row up") << 4 << QList<int>{3} << true << "ABDC" << 3 << 3;
        QTest::newRow("top row up") << 4 << QList<int>{0} << true << "" << 1 << 1;
        QTest::newRow("bottom row down") << 4 << QList<int>{3} << false << "" << 4 << 4;
        QTest::newRow("all up") << 4 << QList<int>{0, 1, 2, 3} << true << "" << 1 << 4;
        QTest::newRow("all down") << 4 << QList<int>{0, 1, 2, 3} << false << "" << 1 << 4;
        QTest::newRow("nothing selected, up") << 4 << QList<int>{} << true << "" << 5 << 0;
        QTest::newRow("nothing selected, down") << 4 << QList<int>{} << false << "" << 5 << 0;
        QTest::newRow("single row") << 1 << QList<int>{0} << false << "" << 1 << 1;
        QTest::newRow("empty list") << 0 << QList<int>{} << true << "" << 1 << 0;
    }
    void moves() {
        QFETCH(int, rows);
        QFETCH(QList<int>, selected);
        QFETCH(bool, up);
        const MoveBlock block = moveBlockOf(rows, selected);
        const auto move = moveBlock(block, rows, up ? MoveDirection::Up : MoveDirection::Down);
        QString order;
        if (move) {
            // As the window does it: the neighbour inserted again, then its old row removed.
            order = QStringLiteral("ABCDEF").left(rows);
            order.insert(move->to, order.at(move->from));
            order.remove(move->from < move->to ? move->from : move->from + 1, 1);
        }
        QTEST(order, "order");
        const MoveBlock after = move ? move->block : block;
        QTEST(after.first, "first");
        QTEST(after.last, "last");
    }
};

QTEST_GUILESS_MAIN(TestMoveBlock)
#include "tst_moveblock.moc"
