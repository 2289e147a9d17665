#include "platform/TemporaryNames.h"

#include <QTest>

using namespace wo;

// The names copies and uploads write before their rename are the names the audit
// takes for what an interrupted transfer left, and no document's name is one.
class TestTemporaryNames : public QObject {
    Q_OBJECT

private slots:
    void madeNamesAreKnown_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("fresh copy") << temporary::freshName();
        QTest::newRow("upload") << temporary::partName(QStringLiteral("20261101000000000005.TIF"));
        QTest::newRow("upload of a name with a place marker")
            << temporary::partName(QStringLiteral("20261101000000000005.a%2b%1"));
        QTest::newRow("upload of a hidden name") << temporary::partName(QStringLiteral(".profile"));
        QTest::newRow("upload of a Chinese name") << temporary::partName(QStringLiteral("合同 第2页.pdf"));
    }
    void madeNamesAreKnown() {
        QFETCH(QString, name);
        QVERIFY2(temporary::isTemporaryName(name), qPrintable(name));
        QVERIFY(name.startsWith(QLatin1Char('.')));
    }

    void partNameKeepsTheName() {
        const QString name = QStringLiteral("20261101000000000005.a%2b%1");
        const QString part = temporary::partName(name);
        QVERIFY2(part.startsWith(QLatin1Char('.') + name + QStringLiteral(".part-")), qPrintable(part));
        QCOMPARE(part.size(), name.size() + 15);
        // Fresh each call: two uploads of one name do not meet.
        QVERIFY(temporary::partName(name) != part);
        QVERIFY(temporary::freshName() != temporary::freshName());
    }

    void otherNamesAreNot_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("document") << QStringLiteral("20261101000000000005.TIF");
        QTest::newRow("hidden document") << QStringLiteral(".20261101000000000005.TIF");
        QTest::newRow("short copy number") << QStringLiteral(".0123456789abcde.tmp");
        QTest::newRow("upper-case copy number") << QStringLiteral(".0123456789ABCDEF.tmp");
        QTest::newRow("copy not hidden") << QStringLiteral("0123456789abcdef.tmp");
        QTest::newRow("short upload number") << QStringLiteral(".a.TIF.part-0badf00");
        QTest::newRow("upload with nothing before") << QStringLiteral("..part-0badf00d");
        QTest::newRow("upload not hidden") << QStringLiteral("a.TIF.part-0badf00d");
        QTest::newRow("month folder") << QStringLiteral("2026-11");
    }
    void otherNamesAreNot() {
        QFETCH(QString, name);
        QVERIFY2(!temporary::isTemporaryName(name), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(TestTemporaryNames)
#include "tst_temporarynames.moc"
