#include "TestDatabase.h"
#include "platform/db/Recordset.h"
#include "store/RecordDocuments.h"
#include "store/Statements.h"

#include <QTest>

using namespace wo;
namespace sql = wo::store::sql;

class TestStore : public QObject {
    Q_OBJECT
private slots:
    void statementTexts_data();
    void statementTexts();
    void quotedValuesAreStoredAsTyped();
    void otherReferencesFilterOnSnapshot_data();
    void otherReferencesFilterOnSnapshot();
    void loadKeepsStoredOrderAndNumbersRows();
    void displayPath_data();
    void displayPath();
    void saveOrderWritesEveryRow();
};

// The Parts' statement shapes, each quoted value a parameter in its place.
void TestStore::statementTexts_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QVariantList>("expectedValues");
    const auto row = [](const char* name, const db::Statement& statement, const char* expected,
                        const QVariantList& values) {
        QTest::newRow(name) << statement.text << statement.values << QString::fromUtf8(expected) << values;
    };
    row("SelectRecordDocuments", sql::SelectRecordDocuments(QStringLiteral("R-1")),
        "select * from Original_Text where RecordID = ? Order by FileOrder", {QStringLiteral("R-1")});
    row("SelectAllDocuments", sql::SelectAllDocuments(), "Select * From Original_Text", {});
    row("SelectMaxFileOrder", sql::SelectMaxFileOrder(QStringLiteral("R")),
        "Select Max(FileOrder) As FileOrder from Original_Text Where RecordId = ?", {QStringLiteral("R")});
    row("InsertDocument",
        sql::InsertDocument({QStringLiteral("20261208101010123456"), QStringLiteral("scan.tif"),
                             QStringLiteral(".TIF"), QStringLiteral("R"), 3, QStringLiteral("2026-12"),
                             4096}),
        "Insert Into Original_Text(ID,Original_Name,Type,RecordId,FileOrder,FilePath,Size) "
        "Values(?,?,?,?,?,?,?)",
        {QStringLiteral("20261208101010123456"), QStringLiteral("scan.tif"), QStringLiteral(".TIF"),
         QStringLiteral("R"), qint64(3), QStringLiteral("2026-12"), qint64(4096)});
    row("DeleteDocument", sql::DeleteDocument(QStringLiteral("7"), QStringLiteral("R")),
        "Delete From Original_Text Where ID = ? And RecordID = ?",
        {QStringLiteral("7"), QStringLiteral("R")});
    row("UpdateFileOrder 12", sql::UpdateFileOrder(12, QStringLiteral("7")),
        "Update Original_Text Set FileOrder =12 Where ID = ?", {QStringLiteral("7")});
    row("RenameDocument", sql::RenameDocument(QStringLiteral(" 新名"), QStringLiteral("7")),
        "Update Original_Text Set Original_Name = ? Where ID = ?",
        {QStringLiteral(" 新名"), QStringLiteral("7")});
    row("RenameScannedDocument", sql::RenameScannedDocument(QStringLiteral("合同"), QStringLiteral("7")),
        "Update Original_Text Set Original_Name = ? Where ID = ?",
        {QStringLiteral("合同.TIF"), QStringLiteral("7")});
    row("record with quote", sql::SelectRecordDocuments(QStringLiteral("x' or '1'='1")),
        "select * from Original_Text where RecordID = ? Order by FileOrder",
        {QStringLiteral("x' or '1'='1")});
    row("ids", sql::SelectDocumentsByIds({QStringLiteral("a"), QStringLiteral("b\\'")}),
        "Select * From Original_Text Where ID In (?,?)", {QStringLiteral("a"), QStringLiteral("b\\'")});
}

void TestStore::statementTexts() {
    QFETCH(QString, text);
    QFETCH(QVariantList, values);
    QFETCH(QString, expected);
    QFETCH(QVariantList, expectedValues);
    QCOMPARE(text, expected);
    QCOMPARE(values, expectedValues);
}

// Every statement that splices a value runs on the real database with quote-holding
// values: nothing breaks, the values are stored as typed, no other row changes.
void TestStore::quotedValuesAreStoredAsTyped() {
    test::TestDatabase db;
    db.createDocumentTable();
    const QString record = QStringLiteral("R'1");
    const QString id = QStringLiteral("id'1");
    db.insertRow(QStringLiteral("other"), QStringLiteral("keep"), QStringLiteral(".PDF"), QStringLiteral("R"),
                 1, QString());
    db.connection().execute(sql::InsertDocument(
        {id, QStringLiteral("it's.doc"), QStringLiteral(".DOC"), record, 1, QStringLiteral("2026-12"), 12}));
    db.connection().execute(sql::UpdateFileOrder(5, id));
    db.connection().execute(sql::RenameDocument(QStringLiteral("a'; delete from Original_Text; --"), id));

    auto rows =
        db.query(QStringLiteral("SELECT ID, Original_Name, RecordId, FileOrder, Size FROM Original_Text "
                                "ORDER BY ID"));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[0][0].toString(), id);
    QCOMPARE(rows[0][1].toString(), QStringLiteral("a'; delete from Original_Text; --"));
    QCOMPARE(rows[0][2].toString(), record);
    QCOMPARE(rows[0][3].toInt(), 5);
    QCOMPARE(rows[0][4].toInt(), 12);
    QCOMPARE(rows[1][1].toString(), QStringLiteral("keep"));

    QCOMPARE(store::loadRecordDocuments(db.connection(), record, false).size(), 1);
    db.connection().execute(sql::DeleteDocument(id, record));
    QCOMPARE(db.query(QStringLiteral("SELECT ID FROM Original_Text")).size(), 1);
}

void TestStore::otherReferencesFilterOnSnapshot_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("recordId");
    QTest::newRow("plain") << QStringLiteral("shared") << QStringLiteral("R1");
    QTest::newRow("id ends its literal") << QStringLiteral("x' Or ID <> '") << QStringLiteral("R1");
    QTest::newRow("record ends its literal")
        << QStringLiteral("shared") << QStringLiteral("R1' Or RecordID = 'R1");
    QTest::newRow("doubled quotes") << QStringLiteral("a'' Or ''1") << QStringLiteral("R''1");
    QTest::newRow("backslash quote") << QStringLiteral("a\\' Or ID = 'own") << QStringLiteral("R1\\");
    QTest::newRow("wildcards") << QStringLiteral("*") << QStringLiteral("%");
}

// The filter is an expression of its own syntax: identifiers holding its quotes or
// wildcards still find exactly the rows of other records with that identifier.
void TestStore::otherReferencesFilterOnSnapshot() {
    QFETCH(QString, id);
    QFETCH(QString, recordId);
    test::TestDatabase db;
    db.createDocumentTable();
    db.insertRow(id, QStringLiteral("a"), QStringLiteral(".TIF"), recordId, 1, QString());
    db.insertRow(id, QStringLiteral("a"), QStringLiteral(".TIF"), QStringLiteral("R2"), 1, QString());
    db.insertRow(QStringLiteral("own"), QStringLiteral("b"), QStringLiteral(".TIF"), recordId, 2, QString());
    db.insertRow(QStringLiteral("other"), QStringLiteral("c"), QStringLiteral(".TIF"), QStringLiteral("R3"),
                 3, QString());
    db::Recordset all;
    all.open(sql::SelectAllDocuments(), db.connection());
    all.setFilter(sql::OtherReferencesFilter(id, recordId));
    QCOMPARE(all.recordCount(), 1);
    QCOMPARE(all.field(QStringLiteral("recordid")).toString(), QStringLiteral("R2"));
    all.setFilter(sql::OtherReferencesFilter(QStringLiteral("own"), recordId));
    QVERIFY(all.eof());
}

void TestStore::loadKeepsStoredOrderAndNumbersRows() {
    test::TestDatabase db;
    db.createDocumentTable();
    db.insertRow(QStringLiteral("d"), QStringLiteral("D"), QStringLiteral(".TIF"), QStringLiteral("R"), 20,
                 QString());
    db.insertRow(QStringLiteral("a"), QStringLiteral("A"), QStringLiteral(".TIF"), QStringLiteral("R"), 3,
                 QString());
    db.insertRow(QStringLiteral("b"), QStringLiteral("B"), QStringLiteral(".TIF"), QStringLiteral("R"), 7,
                 QString());
    db.insertRow(QStringLiteral("c"), QStringLiteral("C"), QStringLiteral(".TIF"), QStringLiteral("R"), 7,
                 QString());
    db.insertRow(QStringLiteral("x"), QStringLiteral("X"), QStringLiteral(".TIF"), QStringLiteral("other"), 1,
                 QString());
    const auto docs = store::loadRecordDocuments(db.connection(), QStringLiteral("R"), false);
    QCOMPARE(docs.size(), 4);
    QCOMPARE(docs[0].id, QStringLiteral("a"));
    QVERIFY((docs[1].id == QLatin1String("b") && docs[2].id == QLatin1String("c")) ||
            (docs[1].id == QLatin1String("c") && docs[2].id == QLatin1String("b")));
    QCOMPARE(docs[3].id, QStringLiteral("d"));
    QCOMPARE(docs[3].name, QStringLiteral("D"));
    QCOMPARE(docs[3].type, QStringLiteral(".TIF"));
    QVERIFY(store::loadRecordDocuments(db.connection(), QStringLiteral("none"), false).isEmpty());
}

void TestStore::displayPath_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ftp absolute") << QVariant(QStringLiteral("/docs/2006-03")) << true
                                  << QStringLiteral("/docs/2006-03");
    QTest::newRow("ftp relative") << QVariant(QStringLiteral("docs/2006-03")) << true << QStringLiteral("/");
    QTest::newRow("ftp empty") << QVariant(QString()) << true << QStringLiteral("/");
    QTest::newRow("ftp null") << QVariant() << true << QStringLiteral("/");
    QTest::newRow("folder month") << QVariant(QStringLiteral("2006-03")) << false
                                  << QStringLiteral("2006-03");
    QTest::newRow("folder null") << QVariant() << false << QString();
    QTest::newRow("folder slash kept") << QVariant(QStringLiteral("/x")) << false << QStringLiteral("/x");
}

void TestStore::displayPath() {
    QFETCH(QVariant, stored);
    QFETCH(bool, ftp);
    QFETCH(QString, shown);
    QCOMPARE(store::displayPath(stored, ftp), shown);
}

void TestStore::saveOrderWritesEveryRow() {
    test::TestDatabase db;
    db.createDocumentTable();
    for (const char* id : {"a", "b", "c"})
        db.insertRow(QLatin1String(id), QLatin1String(id), QStringLiteral(".TIF"), QStringLiteral("R"), 9,
                     QString());
    store::saveDocumentOrder(db.connection(),
                             {QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")});
    const auto rows = db.query(QStringLiteral("SELECT ID FROM Original_Text ORDER BY FileOrder"));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0][0].toString(), QStringLiteral("c"));
    QCOMPARE(rows[1][0].toString(), QStringLiteral("a"));
    QCOMPARE(rows[2][0].toString(), QStringLiteral("b"));
}

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
