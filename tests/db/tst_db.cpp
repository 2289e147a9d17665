#include "TestDatabase.h"
#include "platform/Error.h"
#include "platform/db/Connection.h"
#include "platform/db/FilterExpression.h"
#include "platform/db/Recordset.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <limits>

using namespace wo;
using db::Connection;
using db::Recordset;
using test::TestDatabase;

namespace {

constexpr int kProviderError = -2147467259;

bool onPostgres() {
    return qEnvironmentVariable("WO_TEST_DRIVER") == QLatin1String("QPSQL");
}

bool onMariadb() {
    return qEnvironmentVariable("WO_TEST_DRIVER") == QLatin1String("QMYSQL");
}

// The error the action raised; number 0 when it raised none.
template <typename F> Error errorOf(F&& action) {
    try {
        action();
    } catch (const Error& e) {
        return e;
    }
    return Error(0, QStringLiteral("no error raised"));
}

QString quoted(QString value) {
    return u'\'' + value.replace(u'\'', QStringLiteral("''")) + u'\'';
}

const QString kBigId = QStringLiteral("20261208120000001");

// Five documents; ordered by Size they read big, 9, 1, 2, 10.
void insertDocuments(TestDatabase& t) {
    t.createDocumentTable();
    t.insertRow(QStringLiteral("1"), QStringLiteral("Alpha.doc"), QStringLiteral("doc"), QStringLiteral("R1"),
                1, QStringLiteral("a/1"), 100);
    t.insertRow(QStringLiteral("2"), QStringLiteral("beta.pdf"), QStringLiteral("pdf"), QStringLiteral("R1"),
                2, QVariant(), 200);
    t.insertRow(QStringLiteral("10"), QStringLiteral("O'Brien.txt"), QStringLiteral("txt"),
                QStringLiteral("R2"), 10, QStringLiteral("c/10"), 300);
    t.insertRow(QStringLiteral("9"), QStringLiteral("Gamma.doc"), QStringLiteral("doc"), QStringLiteral("R2"),
                9, QStringLiteral("d/9"), 50);
    t.insertRow(kBigId, QStringLiteral("alpha.PDF"), QStringLiteral("pdf"), QStringLiteral("R3"), QVariant(),
                QStringLiteral("e"), 0);
}

const QString kAllBySize = QStringLiteral("Select * From Original_Text Order By Size");

// IDs of the rows from the cursor to the end.
QStringList remainingIds(Recordset& rs, const QString& field = QStringLiteral("ID")) {
    QStringList ids;
    while (!rs.eof()) {
        ids << rs.field(field).toString();
        rs.moveNext();
    }
    return ids;
}

QString postgresPort() {
    QFile f(qEnvironmentVariable("WO_TEST_PG_DIR") + QStringLiteral("/port"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().trimmed()) : QString();
}

// The run's server of the suite's engine, reached through its ODBC driver.
QString odbcServer() {
    if (onMariadb())
        return QStringLiteral("Driver=MariaDB Unicode;Server=127.0.0.1;Port=%1;Database=test;Uid=wo;Pwd=wo")
            .arg(test::mariadbPort());
    return QStringLiteral(
               "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;Database=test;Uid=postgres;Pwd=x")
        .arg(postgresPort());
}

} // namespace

class TestDb : public QObject {
    Q_OBJECT
private slots:
    void odbcStringsAsWritten_data();
    void odbcStringsAsWritten();
    void boundValues_data();
    void boundValues();
    void openFailures_data();
    void openFailures();
    void queryInterface_data();
    void queryInterface();
    void executeErrors_data();
    void executeErrors();
    void transactions_data();
    void transactions();
    void closedConnection();
    void wrapLeavesDatabaseOpen();
    void snapshotReading_data();
    void snapshotReading();
    void reopenReplacesSnapshot();
    void cursorErrors_data();
    void cursorErrors();
    void nullValues_data();
    void nullValues();
    void quotesRoundTrip_data();
    void quotesRoundTrip();
    void filter_data();
    void filter();
    void filterWorksInMemory();
    void malformedFilter_data();
    void malformedFilter();
    void clearFilter_data();
    void clearFilter();
    void equalityFiltersOnLargeSnapshot();
    void indexedFilterMatchesScan_data();
    void indexedFilterMatchesScan();
    void valuesKeepTheirKind_data();
    void valuesKeepTheirKind();
    void actionStatementLeavesRecordsetClosed();
};

void TestDb::openFailures_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("connectString");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("secret");
    const QString driver = qEnvironmentVariable("WO_TEST_DRIVER", QStringLiteral("QSQLITE"));
    QTest::newRow("missing driver") << QStringLiteral("QNOSUCH") << QStringLiteral("Database=x;Password=pw-1")
                                    << 3706 << QStringLiteral("pw-1");
    QTest::newRow("unknown key") << driver << QStringLiteral("Databse=x;Password=pw-2")
                                 << err::InvalidArgument << QStringLiteral("pw-2");
    QTest::newRow("port not a number") << driver << QStringLiteral("Database=x;Port=abc;Password=pw-3")
                                       << err::InvalidArgument << QStringLiteral("pw-3");
    // The database name repeats the password, so the driver's own text holds it
    // (MariaDB refuses the login first: the account's password differs).
    if (onMariadb())
        QTest::newRow("no such database")
            << driver
            << QStringLiteral("Host=127.0.0.1;Port=%1;User=wo;Database=nodb_pw4;Password=nodb_pw4")
                   .arg(test::mariadbPort())
            << 1045 << QStringLiteral("nodb_pw4");
    else if (onPostgres())
        QTest::newRow("no such database")
            << driver
            << QStringLiteral("Host=127.0.0.1;Port=%1;User=postgres;Database=nodb_pw4;Password=nodb_pw4")
                   .arg(postgresPort())
            << kProviderError << QStringLiteral("nodb_pw4");
    else
        QTest::newRow("no such folder")
            << driver << QStringLiteral("Database=/nonexistent/wo/x.db;Password=pw-4") << 14
            << QStringLiteral("pw-4");
    QTest::newRow("odbc data source missing")
        << QStringLiteral("QODBC") << QStringLiteral("DSN=wo_no_such_dsn;UID=u;PWD=pw-5") << kProviderError
        << QStringLiteral("pw-5");
}

// ODBC connection strings reach the driver manager as users write them, keys the
// component also knows (Database, Port) included.
void TestDb::odbcStringsAsWritten_data() {
    QTest::addColumn<QString>("connectString");
    if (onMariadb())
        QTest::newRow("driver and server") << odbcServer();
    if (!onPostgres())
        return;
    const QString port = postgresPort();
    QTest::newRow("driver and server")
        << QStringLiteral(
               "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;Database=test;Uid=postgres;Pwd=x")
               .arg(port);
    // A user data source, as the driver manager reads it from $ODBCINI, set before
    // the first connection of the process.
    static QTemporaryDir folder;
    const QString ini = folder.filePath(QStringLiteral("odbc.ini"));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[wo_test_dsn]\nDriver=PostgreSQL Unicode\nServername=127.0.0.1\nPort=%1\n"
                              "Database=test\nUsername=postgres\nPassword=x\n")
                   .arg(port)
                   .toUtf8());
    file.close();
    qputenv("ODBCINI", QFile::encodeName(ini));
    QTest::newRow("data source with user") << QStringLiteral("DSN=wo_test_dsn;UID=postgres;PWD=x");
    QTest::newRow("data source named last") << QStringLiteral("UID=postgres;PWD=x;DSN=wo_test_dsn");
    QTest::newRow("bare data source name") << QStringLiteral("wo_test_dsn");
}

void TestDb::odbcStringsAsWritten() {
    if (!onPostgres() && !onMariadb())
        QSKIP("the ODBC drivers are tried against the run's servers");
    QFETCH(QString, connectString);
    const auto connection = Connection::open(QStringLiteral("QODBC"), connectString);
    Recordset rows;
    rows.open(QStringLiteral("SELECT 7 AS seven"), *connection);
    QCOMPARE(rows.field(QStringLiteral("seven")).toInt(), 7);
}

void TestDb::boundValues_data() {
    QTest::addColumn<bool>("odbc");
    QTest::addColumn<bool>("backslashEscapes");
    QTest::newRow("own driver") << false << false;
    if (!onPostgres() && !onMariadb())
        return;
    QTest::newRow("ODBC") << true << false;
    if (!onPostgres())
        return;
    // Switched on after the connection opened, as a host may do.
    QTest::newRow("own driver, backslash escapes") << false << true;
    QTest::newRow("ODBC, backslash escapes") << true << true;
}

// Values that would end or escape a literal are stored and found as they are, on
// every path to the database; NULL binds as NULL.
void TestDb::boundValues() {
    QFETCH(bool, odbc);
    QFETCH(bool, backslashEscapes);
    TestDatabase t;
    const com::ComPtr<Connection> c =
        odbc ? Connection::open(QStringLiteral("QODBC"), odbcServer()) : t.connectionPtr();
    if (backslashEscapes)
        c->execute(QStringLiteral("SET standard_conforming_strings = off"));
    c->execute(QStringLiteral("CREATE TEMPORARY TABLE Bound (k integer, v varchar(200))"));
    const QStringList values = {QStringLiteral("'"),        QStringLiteral("\\'"),
                                QStringLiteral("\\"),       QStringLiteral("x\\',1)--"),
                                QStringLiteral("$$ $a$"),   QStringLiteral("; Drop Table Bound; --"),
                                QStringLiteral("%_"),       QStringLiteral("?"),
                                QStringLiteral("合同 ‘x’"), QStringLiteral("end\\")};
    const qint64 before = c->statementCount();
    for (int k = 0; k < values.size(); ++k)
        c->execute(db::Statement{QStringLiteral("INSERT INTO Bound (k, v) VALUES (?, ?)"), {k, values[k]}});
    c->execute(db::Statement{QStringLiteral("INSERT INTO Bound (k, v) VALUES (?, ?)"), {-1, QVariant()}});
    QCOMPARE(c->statementCount(), before + values.size() + 1);
    for (int k = 0; k < values.size(); ++k) {
        Recordset rs;
        rs.open(db::Statement{QStringLiteral("SELECT k, v FROM Bound WHERE v = ?"), {values[k]}}, *c);
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.field(QStringLiteral("k")).toInt(), k);
        QCOMPARE(rs.field(QStringLiteral("v")).toString().toUtf8(), values[k].toUtf8());
    }
    Recordset nulls;
    nulls.open(db::Statement{QStringLiteral("SELECT k FROM Bound WHERE v IS NULL AND k = ?"), {-1}}, *c);
    QCOMPARE(nulls.recordCount(), 1);
}

void TestDb::openFailures() {
    QFETCH(QString, driver);
    QFETCH(QString, connectString);
    QFETCH(int, number);
    QFETCH(QString, secret);
    const auto error = errorOf([&] { Connection::open(driver, connectString); });
    QCOMPARE(error.number(), number);
    QVERIFY(!error.description().isEmpty());
    QVERIFY2(!error.description().contains(secret), qPrintable(error.description()));
}

void TestDb::queryInterface_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<bool>("answered");
    QTest::newRow("IUnknown") << 0 << true;
    QTest::newRow("Connection") << 1 << true;
    QTest::newRow("IClassFactory") << 2 << false;
    QTest::newRow("_ClsMain") << 3 << false;
}

void TestDb::queryInterface() {
    QFETCH(int, which);
    QFETCH(bool, answered);
    const IID iids[] = {com::IID_IUnknown, Wendra_Original::IID_Connection, com::IID_IClassFactory,
                        Wendra_Original::IID__ClsMain};
    TestDatabase t;
    Connection& connection = t.connection();
    const uint32_t refs = connection.AddRef() - 1;
    connection.Release();

    int untouched = 0;
    void* object = &untouched;
    const HRESULT hr = connection.QueryInterface(iids[which], &object);
    QCOMPARE(hr, answered ? WO_S_OK : WO_E_NOINTERFACE);
    if (answered) {
        QCOMPARE(object, static_cast<void*>(static_cast<com::IUnknown*>(&connection)));
        QCOMPARE(static_cast<com::IUnknown*>(object)->Release(), refs);
    } else {
        QCOMPARE(object, nullptr);
    }
    QCOMPARE(connection.QueryInterface(com::IID_IUnknown, nullptr), WO_E_POINTER);
}

void TestDb::executeErrors_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("sqliteNumber");
    QTest::addColumn<int>("mariadbNumber");
    QTest::addColumn<QString>("sqlState");
    QTest::newRow("missing table") << QStringLiteral("Select * From NoSuchTable") << 1 << 1146
                                   << QStringLiteral("42P01");
    QTest::newRow("syntax error") << QStringLiteral("Selec 1") << 1 << 1064 << QStringLiteral("42601");
    QTest::newRow("not null violated")
        << QStringLiteral("Insert Into Original_Text(Original_Name) Values('x')") << 1299 << 1364
        << QStringLiteral("23502");
}

void TestDb::executeErrors() {
    QFETCH(QString, statement);
    QFETCH(int, sqliteNumber);
    QFETCH(int, mariadbNumber);
    QFETCH(QString, sqlState);
    TestDatabase t;
    t.createDocumentTable();
    // Executed, opened as a recordset (which reads SQLite through its own handle), or
    // run as a bound statement (PostgreSQL's through libpq): the same error every way.
    for (int way = 0; way < 3; ++way) {
        const qint64 before = t.connection().statementCount();
        const auto error = errorOf([&] {
            if (way == 0)
                t.connection().execute(statement);
            else if (way == 1)
                Recordset().open(statement, t.connection());
            else
                t.connection().execute(db::Statement{statement, {}});
        });
        QCOMPARE(t.connection().statementCount(), before + 1);
        const QString text = error.description();
        if (onPostgres()) {
            QCOMPARE(error.number(), kProviderError);
            QVERIFY2(text.startsWith(u'[' + sqlState + QStringLiteral("] ")), qPrintable(text));
            QVERIFY2(!text.endsWith(u'(' + sqlState + u')'), qPrintable(text));
            QVERIFY(text.size() > sqlState.size() + 3);
        } else {
            QCOMPARE(error.number(), onMariadb() ? mariadbNumber : sqliteNumber);
            QVERIFY(!text.isEmpty());
        }
    }
    // The connection is still usable after a failed statement.
    t.connection().execute(QStringLiteral("Insert Into Original_Text(ID) Values('ok')"));
    QCOMPARE(t.query(QStringLiteral("Select Count(*) From Original_Text")).at(0).at(0).toInt(), 1);
}

void TestDb::transactions_data() {
    QTest::addColumn<bool>("commit");
    QTest::newRow("commit keeps the insert") << true;
    QTest::newRow("rollback undoes the insert") << false;
}

void TestDb::transactions() {
    QFETCH(bool, commit);
    TestDatabase t;
    t.createDocumentTable();
    const QString count = QStringLiteral("Select Count(*) From Original_Text");
    Connection& c = t.connection();
    for (int round = 0; round < 2; ++round) {
        c.beginTrans();
        c.execute(QStringLiteral("Insert Into Original_Text(ID) Values('%1')").arg(round));
        QCOMPARE(t.query(count).at(0).at(0).toInt(), commit ? round + 1 : 1);
        commit ? c.commitTrans() : c.rollbackTrans();
        QCOMPARE(t.query(count).at(0).at(0).toInt(), commit ? round + 1 : 0);
    }
}

void TestDb::closedConnection() {
    TestDatabase t;
    Connection& c = t.connection();
    c.close();
    QVERIFY(!c.database().isValid());
    Recordset rs;
    const std::function<void()> actions[] = {
        [&] { c.execute(QStringLiteral("Select 1")); }, [&] { c.beginTrans(); }, [&] { c.commitTrans(); },
        [&] { c.rollbackTrans(); }, [&] { rs.open(QStringLiteral("Select 1"), c); }};
    for (const auto& action : actions)
        QCOMPARE(errorOf(action).number(), 3704);
    QCOMPARE(rs.state(), Recordset::adStateClosed);
}

void TestDb::wrapLeavesDatabaseOpen() {
    TestDatabase t;
    t.createDocumentTable();
    {
        const com::ComPtr<Connection> wrapped = Connection::wrap(t.connection().database());
        wrapped->execute(QStringLiteral("Insert Into Original_Text(ID) Values('w')"));
        QCOMPARE(wrapped->statementCount(), qint64(1));
        QCOMPARE(wrapped->driverName(), t.driver());
        wrapped->close();
    }
    QVERIFY(t.connection().database().isOpen());
    QCOMPARE(t.query(QStringLiteral("Select ID From Original_Text")).at(0).at(0).toString(),
             QStringLiteral("w"));

    QCOMPARE(errorOf([] { Connection::wrap(QSqlDatabase()); }).number(), 3704);
}

void TestDb::snapshotReading_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("all rows") << QString()
                              << QStringList{kBigId, QStringLiteral("9"), QStringLiteral("1"),
                                             QStringLiteral("2"), QStringLiteral("10")};
    QTest::newRow("one row") << QStringLiteral("Where RecordId = 'R3'") << QStringList{kBigId};
    QTest::newRow("no rows") << QStringLiteral("Where RecordId = 'none'") << QStringList();
}

void TestDb::snapshotReading() {
    QFETCH(QString, where);
    QFETCH(QStringList, ids);
    TestDatabase t;
    insertDocuments(t);
    const qint64 before = t.connection().statementCount();
    Recordset rs;
    rs.open(QStringLiteral("Select ID, Original_Name, Size From Original_Text %1 Order By Size").arg(where),
            t.connection());
    QCOMPARE(t.connection().statementCount(), before + 1);
    QCOMPARE(rs.state(), Recordset::adStateOpen);
    QCOMPARE(rs.fieldNames().size(), 3);
    QCOMPARE(rs.recordCount(), ids.size());
    QCOMPARE(rs.bof(), ids.isEmpty());
    QCOMPARE(rs.eof(), ids.isEmpty());
    QStringList seen;
    qint64 lastSize = -1;
    while (!rs.eof()) {
        // Field names are found whatever their case in the statement or the driver.
        seen << rs.field(QStringLiteral("id")).toString();
        QCOMPARE(rs.field(QStringLiteral("ID")), rs.field(QStringLiteral("iD")));
        QCOMPARE(rs.field(rs.fieldIndex(QStringLiteral("original_name"))), rs.field(1));
        QVERIFY(!rs.field(QStringLiteral("ORIGINAL_NAME")).toString().isEmpty());
        QVERIFY(rs.field(QStringLiteral("size")).toLongLong() > lastSize);
        lastSize = rs.field(QStringLiteral("Size")).toLongLong();
        rs.moveNext();
    }
    QCOMPARE(seen, ids);
    QCOMPARE(rs.recordCount(), ids.size());
    if (!ids.isEmpty()) {
        rs.moveFirst();
        QCOMPARE(rs.field(QStringLiteral("ID")).toString(), ids.first());
    }
}

void TestDb::reopenReplacesSnapshot() {
    TestDatabase t;
    insertDocuments(t);
    Recordset rs;
    rs.open(kAllBySize, t.connection());
    rs.setFilter(QStringLiteral("Type = 'doc'"));
    rs.open(QStringLiteral("Select RecordId From Original_Text Where ID = '10'"), t.connection());
    QCOMPARE(rs.filter(), QString());
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.fieldNames().size(), 1);
    QCOMPARE(rs.field(QStringLiteral("RecordId")).toString(), QStringLiteral("R2"));

    QVERIFY(errorOf([&] { rs.open(QStringLiteral("Select * From NoSuchTable"), t.connection()); }).number() !=
            0);
    QCOMPARE(rs.state(), Recordset::adStateClosed);
}

void TestDb::cursorErrors_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<int>("moves");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("number");
    const QString all;
    const QString none = QStringLiteral("Where 1 = 0");
    QTest::newRow("unknown field") << all << 0 << false << QStringLiteral("field Nope") << 3265;
    QTest::newRow("unknown field at eof") << all << 5 << false << QStringLiteral("field Nope") << 3265;
    QTest::newRow("field at eof") << all << 5 << false << QStringLiteral("field ID") << 3021;
    QTest::newRow("move past eof") << all << 5 << false << QStringLiteral("moveNext") << 3021;
    QTest::newRow("field of empty result") << none << 0 << false << QStringLiteral("field ID") << 3021;
    QTest::newRow("move first in empty result") << none << 0 << false << QStringLiteral("moveFirst") << 3021;
    QTest::newRow("field when closed") << all << 0 << true << QStringLiteral("field ID") << 3704;
    QTest::newRow("move when closed") << all << 0 << true << QStringLiteral("moveNext") << 3704;
    QTest::newRow("count when closed") << all << 0 << true << QStringLiteral("recordCount") << 3704;
    QTest::newRow("eof when closed") << all << 0 << true << QStringLiteral("eof") << 3704;
    QTest::newRow("filter when closed") << all << 0 << true << QStringLiteral("filter") << 3704;
    QTest::newRow("column out of range") << all << 0 << false << QStringLiteral("column 7") << 3265;
    QTest::newRow("negative column") << all << 0 << false << QStringLiteral("column -1") << 3265;
    QTest::newRow("column at eof") << all << 5 << false << QStringLiteral("column 0") << 3021;
    QTest::newRow("column when closed") << all << 0 << true << QStringLiteral("column 0") << 3704;
}

void TestDb::cursorErrors() {
    QFETCH(QString, where);
    QFETCH(int, moves);
    QFETCH(bool, closed);
    QFETCH(QString, action);
    QFETCH(int, number);
    TestDatabase t;
    insertDocuments(t);
    Recordset rs;
    rs.open(QStringLiteral("Select * From Original_Text ") + where, t.connection());
    for (int i = 0; i < moves; ++i)
        rs.moveNext();
    if (closed)
        rs.close();
    const auto error = errorOf([&] {
        if (action.startsWith(QLatin1String("field ")))
            rs.field(action.mid(6));
        else if (action.startsWith(QLatin1String("column ")))
            rs.field(action.mid(7).toInt());
        else if (action == QLatin1String("moveNext"))
            rs.moveNext();
        else if (action == QLatin1String("moveFirst"))
            rs.moveFirst();
        else if (action == QLatin1String("recordCount"))
            rs.recordCount();
        else if (action == QLatin1String("eof"))
            rs.eof();
        else
            rs.setFilter(QStringLiteral("ID = '1'"));
    });
    QCOMPARE(error.number(), number);
    QVERIFY(!error.description().isEmpty());
}

void TestDb::nullValues_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("maximum of no rows")
        << QStringLiteral("Select Max(FileOrder) As FileOrder from Original_Text Where RecordId = 'x'")
        << QVariant();
    QTest::newRow("maximum of rows")
        << QStringLiteral("Select Max(FileOrder) As FileOrder from Original_Text Where RecordId = 'R2'")
        << QVariant(10);
    QTest::newRow("null text column")
        << QStringLiteral("Select FilePath As FileOrder From Original_Text Where ID = '2'") << QVariant();
    QTest::newRow("empty text is not null")
        << QStringLiteral("Select FilePath As FileOrder From Original_Text Where ID = 'e'")
        << QVariant(QString());
}

void TestDb::nullValues() {
    QFETCH(QString, statement);
    QFETCH(QVariant, expected);
    TestDatabase t;
    insertDocuments(t);
    t.insertRow(QStringLiteral("e"), QStringLiteral("empty.txt"), QStringLiteral("txt"), QStringLiteral("R4"),
                1, QStringLiteral(""));
    Recordset rs;
    rs.open(statement, t.connection());
    QCOMPARE(rs.recordCount(), 1);
    const QVariant value = rs.field(QStringLiteral("FileOrder"));
    QCOMPARE(value.isNull(), expected.isNull());
    if (!expected.isNull())
        QCOMPARE(value.toString(), expected.toString());
}

void TestDb::quotesRoundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("inner quote") << QStringLiteral("O'Brien");
    QTest::newRow("leading quote") << QStringLiteral("'quoted");
    QTest::newRow("trailing quote") << QStringLiteral("quoted'");
    QTest::newRow("only quotes") << QStringLiteral("''");
    QTest::newRow("statement inside") << QStringLiteral("x' Or '1' = '1");
}

void TestDb::quotesRoundTrip() {
    QFETCH(QString, name);
    TestDatabase t;
    insertDocuments(t);
    t.connection().execute(
        QStringLiteral("Insert Into Original_Text(ID, Original_Name) Values('q', %1)").arg(quoted(name)));
    Recordset rs;
    rs.open(QStringLiteral("Select * From Original_Text Where Original_Name = %1").arg(quoted(name)),
            t.connection());
    QCOMPARE(rs.recordCount(), 1);
    QCOMPARE(rs.field(QStringLiteral("Original_Name")).toString(), name);

    rs.open(kAllBySize, t.connection());
    rs.setFilter(QStringLiteral("Original_Name = ") + quoted(name));
    QCOMPARE(remainingIds(rs), QStringList{QStringLiteral("q")});
}

void TestDb::filter_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QStringList>("ids");
    const QString big = kBigId;
    const QString s1 = QStringLiteral("1"), s2 = QStringLiteral("2"), s9 = QStringLiteral("9"),
                  s10 = QStringLiteral("10");
    const auto row = [](const char* name, const char* expression, const QStringList& ids) {
        QTest::newRow(name) << QString::fromUtf8(expression) << ids;
    };
    row("equal text", "ID = '1'", {s1});
    row("field name ignores case", "id = '1'", {s1});
    row("bracketed field", "[ID] = '10'", {s10});
    row("not equal", "ID <> '1'", {big, s9, s2, s10});
    row("text is case-sensitive", "Original_Name = 'alpha.doc'", {});
    row("greater, numeric", "FileOrder > 9", {s10});
    row("greater or equal", "FileOrder >= 9", {s9, s10});
    row("less", "FileOrder < 2", {s1});
    row("less or equal", "FileOrder <= 2", {s1, s2});
    row("text field orders as text", "ID < '2'", {s1, s10});
    row("quoted number on numeric field", "FileOrder = '10'", {s10});
    row("numeric equality ignores spelling", "FileOrder = '010'", {s10});
    row("decimal literal", "FileOrder = 9.0", {s9});
    row("number on text field compares text", "ID = 10", {s10});
    row("number spelled differently on text field", "ID = 010", {});
    row("digits in quotes on text field", "ID = '9'", {s9});
    row("like prefix", "Original_Name Like 'Alpha*'", {s1});
    row("like suffix with percent", "Original_Name Like '%.doc'", {s9, s1});
    row("like both ends", "Original_Name Like '*ph*'", {big, s1});
    row("like without wildcard", "Type Like 'doc'", {s9, s1});
    row("doubled quote", "Original_Name = 'O''Brien.txt'", {s10});
    row("null", "FilePath = Null", {s2});
    row("not null", "FilePath <> Null", {big, s9, s1, s10});
    row("null in numeric field", "FileOrder = Null", {big});
    row("null never equals or differs", "FilePath <> 'a/1'", {big, s9, s10});
    row("And binds tighter than Or", "Type = 'doc' Or Type = 'pdf' And RecordId = 'R3'", {big, s9, s1});
    row("parentheses", "(Type = 'doc' Or Type = 'pdf') And RecordId = 'R1'", {s1, s2});
    row("Or inside And", "Type = 'doc' And (RecordId = 'R1' Or RecordId = 'R2')", {s9, s1});
    row("equality and the rest", "ID = '1' And RecordId <> 'R1'", {});
    row("long id and the rest", "ID = '20261208120000001' And RecordId <> 'R1'", {big});
    row("numeric field equality and the rest", "FileOrder = '2' And Type = 'pdf'", {s2});
    row("equality after another condition", "Type = 'pdf' And ID = '2'", {s2});
    row("keywords ignore case", "RecordId = 'R2' AND FileOrder >= 9 and Size < 100", {s9});
    row("like keyword ignores case", "RecordId like 'R%' And FileOrder < 3", {s1, s2});
    row("Or of unrelated fields", "Size = 0 Or ID = '1'", {big, s1});
    row("redundant parentheses", "((ID = '1'))", {s1});
    row("no spaces", "ID='1'Or ID='9'", {s9, s1});
    row("negative number", "FileOrder > -1", {s9, s1, s2, s10});
    row("exponent", "Size >= 1e2", {s1, s2, s10});
    row("nothing matches", "Original_Name = 'nothing'", {});
}

void TestDb::filter() {
    QFETCH(QString, expression);
    QFETCH(QStringList, ids);
    TestDatabase t;
    insertDocuments(t);
    Recordset rs;
    rs.open(kAllBySize, t.connection());
    rs.moveNext();
    rs.setFilter(expression);
    QCOMPARE(rs.filter(), expression);
    QCOMPARE(rs.recordCount(), ids.size());
    QCOMPARE(rs.bof(), ids.isEmpty());
    QCOMPARE(remainingIds(rs), ids);
}

void TestDb::filterWorksInMemory() {
    TestDatabase t;
    insertDocuments(t);
    Recordset rs;
    rs.open(kAllBySize, t.connection());
    const qint64 statements = t.connection().statementCount();
    rs.setFilter(QStringLiteral("RecordId = 'R1'"));
    QCOMPARE(remainingIds(rs), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    rs.setFilter(QStringLiteral("RecordId = 'R2' And FileOrder > 9"));
    QCOMPARE(remainingIds(rs), QStringList{QStringLiteral("10")});
    QCOMPARE(t.connection().statementCount(), statements);

    t.connection().close();
    QCOMPARE(errorOf([&] { t.connection().execute(QStringLiteral("Select 1")); }).number(), 3704);
    rs.setFilter(QStringLiteral("Type = 'doc' Or ID = '2'"));
    QCOMPARE(remainingIds(rs), (QStringList{QStringLiteral("9"), QStringLiteral("1"), QStringLiteral("2")}));
    rs.setFilter(QStringLiteral("ID = '10'"));
    QCOMPARE(rs.field(QStringLiteral("Original_Name")).toString(), QStringLiteral("O'Brien.txt"));
}

void TestDb::malformedFilter_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<int>("position");
    const auto row = [](const char* name, const QString& expression, int position) {
        QTest::newRow(name) << expression << position;
    };
    row("missing value", QStringLiteral("ID = "), 6);
    row("missing operator", QStringLiteral("ID '1'"), 4);
    row("missing field", QStringLiteral("= '1'"), 1);
    row("unknown field", QStringLiteral("Nope = '1'"), 1);
    row("unclosed parenthesis", QStringLiteral("(ID = '1'"), 10);
    row("extra closing parenthesis", QStringLiteral("ID = '1')"), 9);
    row("unterminated quote", QStringLiteral("ID = 'abc"), 6);
    row("unterminated bracket", QStringLiteral("[ID = '1'"), 1);
    row("dangling And", QStringLiteral("ID = '1' And"), 13);
    row("dangling Or", QStringLiteral("Type = 'doc' Or"), 16);
    row("trailing comparison", QStringLiteral("ID = '1' RecordId = 'R1'"), 10);
    row("doubled Or", QStringLiteral("ID = '1' Or Or ID = '2'"), 13);
    row("Null with less", QStringLiteral("ID < Null"), 6);
    row("Null with Like", QStringLiteral("ID Like Null"), 9);
    row("bare word as value", QStringLiteral("ID = abc"), 6);
    row("doubled equals", QStringLiteral("ID == '1'"), 5);
    row("unknown character", QStringLiteral("ID ! '1'"), 4);
    row("empty parentheses", QStringLiteral("()"), 2);
    row("open parenthesis at the end", QStringLiteral("ID = '1' And ("), 15);
    row("broken number", QStringLiteral("ID = 1.2.3"), 6);
    row("deep nesting", QString(10000, u'(') + QStringLiteral("ID = '1'") + QString(10000, u')'), 65);
}

void TestDb::malformedFilter() {
    QFETCH(QString, expression);
    QFETCH(int, position);
    TestDatabase t;
    insertDocuments(t);
    Recordset rs;
    rs.open(kAllBySize, t.connection());
    const QString previous = QStringLiteral("RecordId = 'R1'");
    rs.setFilter(previous);
    rs.moveNext();
    const auto error = errorOf([&] { rs.setFilter(expression); });
    QCOMPARE(error.number(), 3001);
    QVERIFY2(error.description().contains(QStringLiteral("第 %1 个字符处").arg(position)),
             qPrintable(error.description()));
    QCOMPARE(rs.filter(), previous);
    QCOMPARE(rs.recordCount(), 2);
    QCOMPARE(rs.field(QStringLiteral("ID")).toString(), QStringLiteral("2"));
}

void TestDb::clearFilter_data() {
    QTest::addColumn<QString>("expression");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank") << QStringLiteral("  ");
}

void TestDb::clearFilter() {
    QFETCH(QString, expression);
    TestDatabase t;
    insertDocuments(t);
    Recordset rs;
    rs.open(kAllBySize, t.connection());
    rs.setFilter(QStringLiteral("ID = '2'"));
    rs.moveNext();
    rs.setFilter(expression);
    QCOMPARE(rs.filter(), QString());
    QCOMPARE(rs.recordCount(), 5);
    QCOMPARE(remainingIds(rs), (QStringList{kBigId, QStringLiteral("9"), QStringLiteral("1"),
                                            QStringLiteral("2"), QStringLiteral("10")}));
}

// The reference check filters a large snapshot once per deleted document, so an
// equality conjunct must narrow rows through the index instead of a scan (its
// speed is measured by the benchmark); here: the narrowing is found and the
// indexed answers are right.
void TestDb::equalityFiltersOnLargeSnapshot() {
    const QHash<QString, int> columns{{QStringLiteral("id"), 0}, {QStringLiteral("recordid"), 1}};
    using db::FilterExpression;
    const auto narrowed =
        FilterExpression(QStringLiteral("ID = '7' And RecordID <> 'R1'"), columns).requiredEquality();
    QVERIFY(narrowed);
    QCOMPARE(narrowed->column, 0);
    QCOMPARE(narrowed->text, QStringLiteral("7"));
    QVERIFY(!FilterExpression(QStringLiteral("ID = '7' Or RecordID = 'R1'"), columns).requiredEquality());

    TestDatabase t;
    const int rows = 20000;
    // MariaDB stops a recursion at 1000 rounds unless told, and joins texts with Concat.
    if (onMariadb())
        t.connection().execute(QStringLiteral("Set max_recursive_iterations = %1").arg(rows));
    Recordset rs;
    rs.open(QStringLiteral("With Recursive n(x) As (Select 1 Union All Select x + 1 From n Where x < %1) "
                           "Select Cast(x As %2) As ID, %3 As RecordID From n")
                .arg(rows)
                .arg(onMariadb() ? QStringLiteral("char(20)") : QStringLiteral("varchar(20)"),
                     onMariadb() ? QStringLiteral("Concat('R', x % 7)")
                                 : QStringLiteral("'R' || Cast(x % 7 As varchar(20))")),
            t.connection());
    QCOMPARE(rs.recordCount(), rows);
    const qint64 statements = t.connection().statementCount();
    for (int i = 0; i < 500; ++i) {
        const int id = (i * 7919) % rows + 1;
        rs.setFilter(QStringLiteral("ID = '%1' And RecordID <> 'R1'").arg(id));
        QCOMPARE(rs.recordCount(), id % 7 == 1 ? 0 : 1);
        if (!rs.eof())
            QCOMPARE(rs.field(QStringLiteral("ID")).toInt(), id);
    }
    QCOMPARE(t.connection().statementCount(), statements);
}

void TestDb::indexedFilterMatchesScan_data() {
    QTest::addColumn<QString>("expression");
    for (const char* e : {"Txt = '1'",
                          "txt = '01'",
                          "[TXT] = '1.0'",
                          "Txt = ' 1'",
                          "Txt = 'O''Brien'",
                          "Txt = ''''",
                          "Txt = 'x'' Or ''1'' = ''1'",
                          "Txt = ''",
                          "Txt = '#1'",
                          "Txt = 'nan'",
                          "Txt = 'abc'",
                          "Txt = '合同'",
                          "Txt = 1",
                          "Txt = 1e2",
                          "Num = '100'",
                          "NUM = 100",
                          "num = 1e2",
                          "Num = '0100'",
                          "Num = '-0'",
                          "Big = '9007199254740993'",
                          "Big = 9007199254740992",
                          "Real = '100'",
                          "Real = 0",
                          "Real = '-0'",
                          "Real = 0.5",
                          "Real = 'nan'",
                          "Real = 'inf'",
                          "Real = 'NaN'",
                          "Mixed = '5'",
                          "Mixed = 5",
                          "Mixed = '5.0'",
                          "Mixed = 'five'",
                          "Txt = '1' And Num <> 1",
                          "Num = 1 And Txt = Null",
                          "Txt = Null And Num = 1",
                          "Num = 100 And (Txt = 'abc' Or Real > 0)",
                          "Txt = '1' And Txt = '01'",
                          "Txt = '1' Or Num = 100",
                          "Txt = 'absent'"})
        QTest::newRow(e) << QString::fromUtf8(e);
}

// Whatever the values' types, spelling, quotes and NULLs, a filter looked up through
// its index finds exactly the rows, in snapshot order, that evaluating it on every
// row finds; also once the index exists.
void TestDb::indexedFilterMatchesScan() {
    QFETCH(QString, expression);
    TestDatabase t;
    const bool pg = onPostgres();
    // Real is a reserved word on MariaDB, and its columns need a type.
    t.connection().execute(QStringLiteral("CREATE TABLE Vary (Ident integer, Txt varchar(40), Num integer, "
                                          "Big bigint, %1 double precision, Mixed %2)")
                               .arg(onMariadb() ? QStringLiteral("`Real`") : QStringLiteral("Real"),
                                    pg || onMariadb() ? QStringLiteral("varchar(20)") : QString()));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QVariant null;
    const QList<QVariantList> values = {
        {"1", 1, 9007199254740993LL, 1.0, 5},
        {"01", 100, 9007199254740992LL, 100.0, "5"},
        {"1.0", null, null, 0.5, 5.0},
        {" 1", -0, 1, -0.0, "5.0"},
        {"O'Brien", 1, 2, pg ? QVariant(nan) : null, "05"},
        {"'", 100, 100, pg ? QVariant(inf) : null, "five"},
        {"x' Or '1' = '1", 0, 0, 0.0, null},
        {"", 1, 1, 100.0, 5},
        {"#1", 1, 1, 1.0, "#5"},
        {"nan", 2, 2, 2.0, 6},
        {"abc", 100, 1, 3.0, "5"},
        {"ABC", 100, 1, 0.0, 5},
        {"合同", 3, 3, 0.5, "合同"},
        {null, 1, 1, 1.0, null},
        {"100", 100, 100, 1e2, 100},
        {"1", 1, 1, 1.0, 5},
    };
    QSqlQuery insert(t.connection().database());
    insert.prepare(QStringLiteral("INSERT INTO Vary VALUES (?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < values.size(); ++i) {
        insert.addBindValue(i);
        for (const QVariant& v : values[i])
            insert.addBindValue(v);
        QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
    }

    Recordset rs;
    rs.open(QStringLiteral("Select * From Vary Order By Ident"), t.connection());
    QHash<QString, int> columns;
    for (int c = 0; c < rs.fieldNames().size(); ++c)
        columns.insert(rs.fieldNames()[c].toLower(), c);
    const db::FilterExpression scan(expression, columns);
    QStringList expected;
    while (!rs.eof()) {
        QVariantList row;
        for (const QString& name : rs.fieldNames())
            row << rs.field(name);
        if (scan.matches(row.constData()))
            expected << row.first().toString();
        rs.moveNext();
    }
    for (int pass = 0; pass < 2; ++pass) {
        rs.setFilter(expression);
        QCOMPARE(remainingIds(rs, QStringLiteral("Ident")), expected);
        rs.setFilter(QStringLiteral("Txt = 'something else' And Num = 1"));
    }
}

void TestDb::valuesKeepTheirKind_data() {
    QTest::addColumn<QString>("sqlite");
    QTest::addColumn<QString>("postgres");
    QTest::addColumn<QVariant>("expected");
    const auto row = [](const char* name, const char* sqlite, const char* postgres,
                        const QVariant& expected) {
        QTest::newRow(name) << QString::fromUtf8(sqlite) << QString::fromUtf8(postgres) << expected;
    };
    row("integer", "5", "5", QVariant(qlonglong(5)));
    row("large integer", "9007199254740993", "9007199254740993::bigint", QVariant(9007199254740993LL));
    row("negative real", "-2.5", "-2.5::float8", QVariant(-2.5));
    row("text", "'合同 it''s'", "'合同 it''s'::text", QVariant(QStringLiteral("合同 it's")));
    row("empty text", "''", "''::text", QVariant(QStringLiteral("")));
    row("binary", "X'00FF0A'", "'\\x00ff0a'::bytea", QVariant(QByteArray("\x00\xff\n", 3)));
    row("null", "Null", "Null::text", QVariant());
    row("numeric", "2.5e0", "2.5::numeric", QVariant(2.5));
    row("small integer", "7", "7::smallint", QVariant(qlonglong(7)));
}

// Values read into a snapshot come out as the drivers hand them out: numbers as
// numbers, texts as texts, binary as bytes, NULL as null.
void TestDb::valuesKeepTheirKind() {
    QFETCH(QString, sqlite);
    QFETCH(QString, postgres);
    QFETCH(QVariant, expected);
    TestDatabase t;
    const auto kind = [](const QVariant& v) {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
            return QStringLiteral("integer");
        case QMetaType::Double:
            return QStringLiteral("real");
        default:
            return QString::fromLatin1(v.typeName());
        }
    };
    // As a host's text, and as a statement of ours (on PostgreSQL read through libpq).
    const QString text = QStringLiteral("Select %1 As v").arg(onPostgres() ? postgres : sqlite);
    for (const bool bound : {false, true}) {
        Recordset rs;
        if (bound)
            rs.open(db::Statement{text, {}}, t.connection());
        else
            rs.open(text, t.connection());
        const QVariant value = rs.field(QStringLiteral("V"));
        QCOMPARE(value.isNull(), expected.isNull());
        if (expected.isNull())
            continue;
        QCOMPARE(kind(value), kind(expected));
        QCOMPARE(value, expected);
    }
}

void TestDb::actionStatementLeavesRecordsetClosed() {
    TestDatabase t;
    insertDocuments(t);
    Recordset rs;
    rs.open(QStringLiteral("Update Original_Text Set Size = 7 Where RecordId = 'R1'"), t.connection());
    QCOMPARE(rs.state(), Recordset::adStateClosed);
    QCOMPARE(t.query(QStringLiteral("Select Count(*) From Original_Text Where Size = 7")).at(0).at(0).toInt(),
             2);
}

QTEST_GUILESS_MAIN(TestDb)
#include "tst_db.moc"
