#include "ui/common/DocumentModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

using wo::ui::DocumentModel;
using wo::ui::LoadState;

namespace {

QStringList ids(const DocumentModel& model) {
    QStringList out;
    for (int i = 0; i < model.rowCount(); ++i)
        out << model.document(i).id;
    return out;
}

// Rows a, b, c, d, each fetched, shown as an image and carrying an extra value.
void fill(DocumentModel& model) {
    model.setDocuments(
        {{"a", "A", ".TIF", "m"}, {"b", "B", ".TIF", "m"}, {"c", "C", ".TIF", "m"}, {"d", "D", ".TIF", "m"}});
    for (int i = 0; i < model.rowCount(); ++i) {
        model.setCachePath(i, "/cache/" + model.document(i).id);
        model.setLoadState(i, LoadState::Image);
        QVERIFY(model.setData(model.index(i, 0), i, DocumentModel::FirstExtraRole));
    }
}

} // namespace

class TestDocumentModel : public QObject {
    Q_OBJECT
private slots:
    // A move re-creates the row elsewhere: same number and document, no cached copy,
    // nothing kept for it; the rows it passes keep everything.
    void moveRecreated_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("down past one") << 0 << 2 << QStringList{"b", "a", "c", "d"};
        QTest::newRow("down to the end") << 1 << 4 << QStringList{"a", "c", "d", "b"};
        QTest::newRow("up past two") << 3 << 1 << QStringList{"a", "d", "b", "c"};
        QTest::newRow("up to the top") << 2 << 0 << QStringList{"c", "a", "b", "d"};
    }
    void moveRecreated() {
        QFETCH(int, from);
        QFETCH(int, to);
        DocumentModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fill(model);
        const QString moved = model.document(from).id;
        model.moveRecreated(from, to);
        QTEST(ids(model), "order");
        for (int i = 0; i < model.rowCount(); ++i) {
            const QString id = model.document(i).id;
            QCOMPARE(model.number(i), QString::number(id.at(0).unicode() - u'a' + 1));
            const bool isMoved = id == moved;
            QCOMPARE(model.cachePath(i).isEmpty(), isMoved);
            QCOMPARE(model.index(i, 1).data(Qt::ToolTipRole).isValid(), !isMoved);
            QCOMPARE(model.loadState(i), isMoved ? LoadState::NotFetched : LoadState::Image);
            QCOMPARE(model.index(i, 0).data(DocumentModel::FirstExtraRole).isValid(), !isMoved);
        }
    }

    // The model's own values change only through its functions; the extra roles are
    // free, per row, and gone with the row.
    void rolesAndRemoval() {
        DocumentModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        fill(model);
        QVERIFY(!model.setData(model.index(0, 1), "X", Qt::EditRole));
        QVERIFY(!model.setData(model.index(0, 0), "/elsewhere", DocumentModel::CachePathRole));
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("A"));
        QCOMPARE(model.index(0, 3).data(DocumentModel::CachePathRole).toString(), QStringLiteral("/cache/a"));
        model.remove(1);
        model.append("9", {"e", "E", ".PDF", "m"});
        QCOMPARE(ids(model), (QStringList{"a", "c", "d", "e"}));
        QCOMPARE(model.index(1, 0).data(DocumentModel::FirstExtraRole).toInt(), 2);
        QVERIFY(!model.index(3, 0).data(DocumentModel::FirstExtraRole).isValid());
        QCOMPARE(model.loadState(3), LoadState::NotFetched);
        model.rename(3, "新名");
        QCOMPARE(model.index(3, DocumentModel::Name).data().toString(), QStringLiteral("新名"));
    }
};

QTEST_MAIN(TestDocumentModel)
#include "tst_documentmodel.moc"
