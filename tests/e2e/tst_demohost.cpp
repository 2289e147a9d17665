#include "DemoHost.h"
#include "Sandbox.h"
#include "TestDatabase.h"

#include <QTest>

using namespace wo;

class TestDemoHost : public QObject {
    Q_OBJECT
private slots:
    void startsOnTheSuitesEngine_data();
    void startsOnTheSuitesEngine();
};

void TestDemoHost::startsOnTheSuitesEngine_data() {
    QTest::addColumn<QString>("record");
    QTest::newRow("plain record") << QStringLiteral("DEMO-0001");
    QTest::newRow("record holding SQL") << QStringLiteral("记录'一\\' OR 1=1 -- ");
}

// The host starts on the engine's own option, creates the table from the statements
// shipped for that engine, and fills an empty record with the samples once.
void TestDemoHost::startsOnTheSuitesEngine() {
    QFETCH(QString, record);
    test::Sandbox box;
    test::TestDatabase db;
    QString option = QStringLiteral("--postgres");
    QString connect = db.connectString();
    if (db.driver() == QLatin1String("QMYSQL")) {
        option = QStringLiteral("--mariadb");
    } else if (db.driver() == QLatin1String("QSQLITE")) {
        option = QStringLiteral("--database");
        connect = connect.section(u'=', 1);
    }
    const demohost::Options options =
        demohost::parseOptions({QStringLiteral("tst_demohost"), option, connect, QStringLiteral("--store"),
                                box.path(QStringLiteral("store")), QStringLiteral("--record"), record});
    QCOMPARE(options.driver, db.driver());
    const QString rows =
        QStringLiteral("SELECT RecordId, Original_Name FROM Original_Text ORDER BY FileOrder");
    const QList<QVariantList> expected = {{record, QStringLiteral("会议纪要.txt")},
                                          {record, QStringLiteral("增值税发票.jpg")},
                                          {record, QStringLiteral("购销合同（扫描件）.tif")},
                                          {record, QStringLiteral("验收报告.pdf")}};
    for (int start = 0; start < 2; ++start) {
        try {
            demohost::Host host(options);
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
        QCOMPARE(db.query(rows), expected);
    }
}

QTEST_MAIN(TestDemoHost)
#include "tst_demohost.moc"
