// Statements hosts run through their connection: scripts of several statements
// and rows read as JSON with bound values, on SQLite and PostgreSQL.
#include "TestDatabase.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/HostStatements.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace wo;
using test::TestDatabase;

namespace {

bool tableExists(TestDatabase& t, const QString& name) {
    try {
        t.connection().execute("SELECT COUNT(*) FROM " + name);
        return true;
    } catch (const Error&) {
        return false;
    }
}

// The rows with their column names in lower case, as PostgreSQL folds them.
QJsonArray foldedNames(const QByteArray& json) {
    QJsonArray rows;
    for (const QJsonValue& row : QJsonDocument::fromJson(json).array()) {
        QJsonObject folded;
        const QJsonObject object = row.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            folded.insert(it.key().toLower(), it.value());
        rows.append(folded);
    }
    return rows;
}

} // namespace

class TestHostStatements : public QObject {
    Q_OBJECT
private slots:
    void splitScript_data();
    void splitScript();
    void shippedScriptCreatesTheTable();
    void scriptStopsAtTheFailingStatement();
    void rowsAsJson_data();
    void rowsAsJson();
    void boundValuesAreNeverStatementText();
};

void TestHostStatements::splitScript_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("backslashEscapes");
    QTest::addColumn<QStringList>("statements");
    QTest::newRow("two statements") << "CREATE TABLE a (x int);\nINSERT INTO a VALUES (1);" << false
                                    << QStringList{"CREATE TABLE a (x int)", "INSERT INTO a VALUES (1)"};
    QTest::newRow("no final semicolon")
        << "SELECT 1; SELECT 2" << false << QStringList{"SELECT 1", "SELECT 2"};
    QTest::newRow("empty statements") << " ; ;SELECT 1;;\n" << false << QStringList{"SELECT 1"};
    QTest::newRow("semicolon in a string") << "INSERT INTO a VALUES ('x;y');SELECT 1" << false
                                           << QStringList{"INSERT INTO a VALUES ('x;y')", "SELECT 1"};
    QTest::newRow("doubled quote") << "SELECT 'it''s; here';" << false << QStringList{"SELECT 'it''s; here'"};
    QTest::newRow("quoted name") << "SELECT \"a;b\", `c;d` FROM t;" << false
                                 << QStringList{"SELECT \"a;b\", `c;d` FROM t"};
    QTest::newRow("line comments") << "-- first; 'unclosed\nSELECT 1; -- trailing;\n-- only a comment;\n"
                                   << false << QStringList{"SELECT 1"};
    QTest::newRow("block comment") << "SELECT /* a; 'b */ 1;" << false << QStringList{"SELECT   1"};
    QTest::newRow("comment marks in a string")
        << "SELECT '--x', '/*y*/';" << false << QStringList{"SELECT '--x', '/*y*/'"};
    QTest::newRow("dollar quote")
        << "CREATE FUNCTION f() RETURNS int AS $body$ SELECT 1; $body$ LANGUAGE sql;SELECT 2" << false
        << QStringList{"CREATE FUNCTION f() RETURNS int AS $body$ SELECT 1; $body$ LANGUAGE sql", "SELECT 2"};
    QTest::newRow("placeholders are no dollar quotes")
        << "SELECT $1, a$b$ FROM t; SELECT 2" << false << QStringList{"SELECT $1, a$b$ FROM t", "SELECT 2"};
    QTest::newRow("backslash read literally")
        << "SELECT 'C:\\';SELECT 2" << false << QStringList{"SELECT 'C:\\'", "SELECT 2"};
    QTest::newRow("backslash escapes a quote")
        << "SELECT 'x\\';y';SELECT 2" << true << QStringList{"SELECT 'x\\';y'", "SELECT 2"};
    QTest::newRow("unclosed quote runs to the end")
        << "SELECT 'a; SELECT 2" << false << QStringList{"SELECT 'a; SELECT 2"};
}

void TestHostStatements::splitScript() {
    QFETCH(QString, script);
    QFETCH(bool, backslashEscapes);
    QFETCH(QStringList, statements);
    QCOMPARE(db::splitScript(script, backslashEscapes), statements);
}

void TestHostStatements::shippedScriptCreatesTheTable() {
    TestDatabase t;
    const QString name = t.driver() == QLatin1String("QPSQL") ? "postgresql" : "sqlite";
    QFile file(QStringLiteral(WO_SQL_DIR "/original_text.%1.sql").arg(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    int executed = -1;
    db::executeScript(t.connection(), QString::fromUtf8(file.readAll()), executed);
    QCOMPARE(executed, 3);
    t.insertRow("1", "合同.pdf", "pdf", "R1", 1, "2026-12", 10);
    QCOMPARE(t.query("SELECT Original_Name FROM Original_Text WHERE RecordId = 'R1'").at(0).at(0).toString(),
             QStringLiteral("合同.pdf"));
}

void TestHostStatements::scriptStopsAtTheFailingStatement() {
    TestDatabase t;
    t.connection().execute("CREATE TABLE done_before (x int)");
    int executed = -1;
    try {
        db::executeScript(
            t.connection(),
            "DROP TABLE done_before; INSERT INTO no_such_table VALUES (1); CREATE TABLE never (x int)",
            executed);
        QFAIL("the script ran through a failing statement");
    } catch (const Error& e) {
        QVERIFY2(e.description().startsWith(QStringLiteral("第2条语句：")), qPrintable(e.description()));
        QVERIFY(e.description().size() > 6);
    }
    QCOMPARE(executed, 1);
    // The first statement stays done; the third never ran. The connection goes on.
    QVERIFY(!tableExists(t, "done_before"));
    QVERIFY(!tableExists(t, "never"));
    db::executeScript(t.connection(), "CREATE TABLE later (x int);", executed);
    QCOMPARE(executed, 1);
    QVERIFY(tableExists(t, "later"));
}

void TestHostStatements::rowsAsJson_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("no rows") << "SELECT ID FROM Original_Text WHERE RecordId = ?" << QVariantList{"R9"}
                             << QByteArray("[]");
    QTest::newRow("text, integer and null")
        << "SELECT ID, Original_Name, FileOrder, FilePath, Size FROM Original_Text WHERE RecordId = ? ORDER "
           "BY ID"
        << QVariantList{"R1"}
        << QByteArray(
               R"([{"FileOrder":1,"FilePath":null,"ID":"1","Original_Name":"O'Brien \"合同\".pdf","Size":9007199254740993},)"
               R"({"FileOrder":null,"FilePath":"2026-12","ID":"2","Original_Name":"b;c.txt","Size":0}])");
    QTest::newRow("two values in order") << "SELECT ID FROM Original_Text WHERE RecordId = ? AND Type = ?"
                                         << QVariantList{"R1", "txt"} << QByteArray(R"([{"ID":"2"}])");
    QTest::newRow("null bound") << "SELECT ID FROM Original_Text WHERE FilePath IS NOT DISTINCT FROM ?"
                                << QVariantList{QVariant()} << QByteArray(R"([{"ID":"1"}])");
}

void TestHostStatements::rowsAsJson() {
    QFETCH(QString, query);
    QFETCH(QVariantList, values);
    QFETCH(QByteArray, json);
    TestDatabase t;
    // MariaDB spells the null-safe comparison its own way.
    if (t.driver() == QLatin1String("QMYSQL"))
        query.replace("IS NOT DISTINCT FROM", "<=>");
    t.createDocumentTable();
    t.insertRow("1", "O'Brien \"合同\".pdf", "pdf", "R1", 1, QVariant(), 9007199254740993LL);
    t.insertRow("2", "b;c.txt", "txt", "R1", QVariant(), "2026-12", 0);
    const qint64 before = t.connection().statementCount();
    const QByteArray rows = db::queryJson(t.connection(), {query, values});
    QVERIFY2(!QJsonDocument::fromJson(rows).isNull(), rows.constData());
    // Column names as the database gives them; the values exactly, large integers too.
    QCOMPARE(foldedNames(rows), foldedNames(json));
    if (t.driver() == QLatin1String("QSQLITE"))
        QCOMPARE(rows, json);
    QCOMPARE(t.connection().statementCount(), before + 1);
}

void TestHostStatements::boundValuesAreNeverStatementText() {
    TestDatabase t;
    t.createDocumentTable();
    t.insertRow("1", "a.pdf", "pdf", "R1", 1, "x", 1);
    const QString attack = "R1' OR '1'='1'; DROP TABLE Original_Text; --";
    QCOMPARE(db::queryJson(t.connection(), {"SELECT ID FROM Original_Text WHERE RecordId = ?", {attack}}),
             QByteArray("[]"));
    QCOMPARE(t.query("SELECT COUNT(*) FROM Original_Text").at(0).at(0).toInt(), 1);
    // Too few values for the placeholders: the driver's error, nothing run.
    try {
        db::queryJson(t.connection(),
                      {"SELECT ID FROM Original_Text WHERE RecordId = ? AND Type = ?", {"R1"}});
        QFAIL("a query with a placeholder left unbound ran");
    } catch (const Error& e) {
        QVERIFY(!e.description().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestHostStatements)
#include "tst_hoststatements.moc"
