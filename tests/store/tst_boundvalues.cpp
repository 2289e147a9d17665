#include "StoreFixture.h"
#include "TestDatabase.h"
#include "store/ClsFileOperation.h"
#include "store/RecordDocuments.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <algorithm>

using namespace wo;
using record::ListedDocument;
using store::ClsFileOperation;

namespace {

using Rows = QList<QStringList>;

bool onPostgres() {
    return qEnvironmentVariable("WO_TEST_DRIVER") == QLatin1String("QPSQL");
}

// Every row of the table as its columns' texts, sorted: what "no other row changed" compares.
Rows allRows(test::TestDatabase& db) {
    Rows rows;
    for (const QVariantList& row : db.query(QStringLiteral(
             "SELECT ID, Original_Name, Type, RecordId, FileOrder, FilePath, Size FROM Original_Text"))) {
        QStringList cells;
        for (const QVariant& value : row)
            cells << (value.isNull() ? QStringLiteral("<null>") : value.toString());
        rows << cells;
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Rows of other records that a statement gone astray would hit: the record the
// exploit aims at, and records a LIKE or an unquoted value would match.
void insertNeighbours(test::TestDatabase& db) {
    db.insertRow(QStringLiteral("20261201000000000001"), QStringLiteral("R2 的合同.pdf"),
                 QStringLiteral(".PDF"), QStringLiteral("R2"), 1, QStringLiteral("2026-12"), 10);
    db.insertRow(QStringLiteral("20261201000000000002"), QStringLiteral("other.txt"), QStringLiteral(".TXT"),
                 QStringLiteral("RX"), 1, QStringLiteral("2026-12"), 20);
    db.insertRow(QStringLiteral("20261201000000000003"), QStringLiteral("r.txt"), QStringLiteral(".TXT"),
                 QStringLiteral("R1"), 1, QStringLiteral("2026-12"), 30);
}

// PostgreSQL with backslash escapes in literals, switched on after the connection
// opened, as a host may do: Qt's driver would then escape bound values wrongly.
void applyStringSyntax(test::TestDatabase& db, bool backslashEscapes) {
    if (backslashEscapes)
        db.connection().execute(QStringLiteral("SET standard_conforming_strings = off"));
}

// Each case once as the engine stands, and on PostgreSQL once more with backslash escapes.
void addEngineRows(const char* name, const QString& value, const QString& recordId) {
    QTest::newRow(name) << value << recordId << false;
    if (onPostgres())
        QTest::newRow(qPrintable(QString::fromUtf8(name) + QStringLiteral(" (backslash escapes)")))
            << value << recordId << true;
}

} // namespace

class TestBoundValues : public QObject {
    Q_OBJECT
private slots:
    void namesRoundTrip_data();
    void namesRoundTrip();
    void hostileIds_data();
    void hostileIds();
};

void TestBoundValues::namesRoundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("recordId");
    QTest::addColumn<bool>("backslashEscapes");
    const QString r = QStringLiteral("R");
    addEngineRows("quote", QStringLiteral("O'Brien's.txt"), r);
    addEngineRows("backslash quote", QStringLiteral("x\\'y.txt"), r);
    addEngineRows("backslashes", QStringLiteral("a\\\\b\\.txt"), r);
    addEngineRows("dollar quotes", QStringLiteral("$$x$$ $tag$y$tag$.txt"), r);
    addEngineRows("semicolon and comment", QStringLiteral("a;b--c #d.txt"), r);
    addEngineRows("wildcards", QStringLiteral("100%_done.txt"), r);
    addEngineRows("Chinese", QStringLiteral("采购合同（第2版）‘甲’.txt"), r);
    addEngineRows("question mark", QStringLiteral("why?.txt"), r);
    // Added to record R3, it once wrote a row into R2 whose Type was the database user.
    addEngineRows("exploit", QStringLiteral("x\\',current_user,$$R2$$,99,$$2026-12$$,6)--.txt"),
                  QStringLiteral("R3"));
    addEngineRows("stacked statement", QStringLiteral("x\\'); DELETE FROM Original_Text; --.txt"), r);
    addEngineRows("record with backslash quote", QStringLiteral("plain.txt"),
                  QStringLiteral("R2\\' OR 1=1 -- "));
    addEngineRows("record with wildcards", QStringLiteral("plain.txt"), QStringLiteral("R%_"));
    addEngineRows("record in Chinese", QStringLiteral("plain.txt"), QStringLiteral("记录'一"));
}

// A name is added, listed, renamed and deleted; it reads back as typed, and the
// other rows of the table never change.
void TestBoundValues::namesRoundTrip() {
    QFETCH(QString, name);
    QFETCH(QString, recordId);
    QFETCH(bool, backslashEscapes);
    test::StoreFixture f;
    f.record.recordId = recordId;
    insertNeighbours(f.db);
    applyStringSyntax(f.db, backslashEscapes);
    const Rows before = allRows(f.db);

    f.dialogs->queueFiles({f.box.writeFile(QStringLiteral("src/") + name, "content")});
    QVERIFY(ClsFileOperation(f.record).AddFile(f.collect()));
    QCOMPARE(f.dialogs->calls().size(), 1); // the open-file dialog alone

    const QVector<ListedDocument> listed = store::loadRecordDocuments(f.db.connection(), recordId, false);
    QCOMPARE(listed.size(), 1);
    const ListedDocument& added = listed.first();
    QCOMPARE(added.name.toUtf8(), name.toUtf8());
    QCOMPARE(added.type, QStringLiteral(".TXT"));
    const QString stored = f.root() + u'/' + added.path + u'/' + added.id + added.type;
    QVERIFY(QFile::exists(stored));
    const auto withRow = [&](const QString& shownName) {
        Rows rows = before;
        rows << QStringList{added.id,   shownName,          added.type, recordId, QStringLiteral("1"),
                            added.path, QStringLiteral("7")};
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    QCOMPARE(allRows(f.db), withRow(name));

    const QString renamed = name + QStringLiteral("（改）\\'");
    store::renameDocument(f.db.connection(), added.id, renamed);
    QCOMPARE(allRows(f.db), withRow(renamed));

    f.dialogs->queueAnswer(dialogs::Answer::Yes);
    QVERIFY(ClsFileOperation(f.record).DelFile(listed, [](qsizetype) {}));
    QCOMPARE(allRows(f.db), before);
    QVERIFY(!QFile::exists(stored));
}

void TestBoundValues::hostileIds_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("recordId");
    QTest::addColumn<bool>("backslashEscapes");
    addEngineRows("always true", QStringLiteral("1' OR '1'='1"), QStringLiteral("R"));
    addEngineRows("backslash quote", QStringLiteral("1\\' OR 1=1 -- "), QStringLiteral("R\\' OR 1=1 -- "));
    addEngineRows("wildcards", QStringLiteral("%_"), QStringLiteral("%"));
    addEngineRows("trailing backslash", QStringLiteral("1\\"), QStringLiteral("R\\"));
    addEngineRows("stacked", QStringLiteral("1;DELETE FROM Original_Text"), QStringLiteral("R;--"));
}

// Rows whose identifiers hold SQL: renaming, reordering and deleting touch exactly
// the rows carrying that identifier, and the file stays while another record names it.
void TestBoundValues::hostileIds() {
    QFETCH(QString, id);
    QFETCH(QString, recordId);
    QFETCH(bool, backslashEscapes);
    test::StoreFixture f;
    f.record.recordId = recordId;
    const QString month = QStringLiteral("2026-12");
    f.db.insertRow(id, QStringLiteral("target"), QStringLiteral(".TXT"), recordId, 5, month, 1);
    f.db.insertRow(id, QStringLiteral("target"), QStringLiteral(".TXT"), QStringLiteral("R2"), 5, month, 1);
    f.db.insertRow(QStringLiteral("1"), QStringLiteral("one"), QStringLiteral(".TXT"), recordId, 6, month, 1);
    f.db.insertRow(QStringLiteral("2"), QStringLiteral("two"), QStringLiteral(".TXT"), QStringLiteral("R2"),
                   7, month, 1);
    const QString file =
        f.box.writeFile(QStringLiteral("store/") + month + u'/' + id + QStringLiteral(".TXT"), "shared file");
    applyStringSyntax(f.db, backslashEscapes);
    const auto row = [&](const QString& rowId, const QString& name, const QString& record, int order) {
        return QStringList{
            rowId, name, QStringLiteral(".TXT"), record, QString::number(order), month, QStringLiteral("1")};
    };
    const auto sorted = [](Rows rows) {
        std::sort(rows.begin(), rows.end());
        return rows;
    };

    store::renameDocument(f.db.connection(), id, QStringLiteral("新名"));
    store::saveDocumentOrder(f.db.connection(), {id});
    const Rows changed{row(id, QStringLiteral("新名"), recordId, 1), row(id, QStringLiteral("新名"), "R2", 1),
                       row(QStringLiteral("1"), QStringLiteral("one"), recordId, 6),
                       row(QStringLiteral("2"), QStringLiteral("two"), QStringLiteral("R2"), 7)};
    QCOMPARE(allRows(f.db), sorted(changed));

    const ListedDocument document{id, QStringLiteral("新名"), QStringLiteral(".TXT"), month};
    f.dialogs->queueAnswer(dialogs::Answer::Yes);
    QVERIFY(ClsFileOperation(f.record).DelFile({document}, [](qsizetype) {}));
    QCOMPARE(allRows(f.db), sorted({changed[1], changed[2], changed[3]}));
    QVERIFY2(QFile::exists(file), "record R2 still names the file");

    f.record.recordId = QStringLiteral("R2");
    f.dialogs->queueAnswer(dialogs::Answer::Yes);
    QVERIFY(ClsFileOperation(f.record).DelFile({document}, [](qsizetype) {}));
    QCOMPARE(allRows(f.db), sorted({changed[2], changed[3]}));
    // With a backslash the identifier is no plain file name: such a file is never deleted.
    QCOMPARE(QFile::exists(file), id.contains(u'\\'));
}

QTEST_MAIN(TestBoundValues)
#include "tst_boundvalues.moc"
