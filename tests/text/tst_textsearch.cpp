// The text table on each engine: creating it, searching it, the claims through which
// readers share the documents, and the programs and C function hosts search with.
#include "Sandbox.h"
#include "TestDatabase.h"
#include "TestImages.h"
#include "TextPages.h"
#include "platform/Error.h"
#include "text/Indexer.h"
#include "text/TextQueue.h"
#include "text/TextTable.h"
#include "wendra/Wendra_Original.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using wo::text::PageText;
using wo::text::TextQueue;
using wo::text::TextTable;

namespace {

// One page of plain text, a line per entry.
PageText plainPage(int page, const QStringList& lines) {
    PageText p;
    p.page = page;
    for (qsizetype l = 0; l < lines.size(); ++l)
        for (const QString& w : lines[l].split(u' ', Qt::SkipEmptyParts))
            p.words.append({QRect(100, int(l) * 500, 900, 400), w, int(l)});
    return p;
}

QStringList hitKeys(const QList<wo::text::Hit>& hits) {
    QStringList keys;
    for (const auto& h : hits)
        keys << QStringLiteral("%1/%2/%3").arg(h.recordId, h.id).arg(h.page);
    return keys;
}

QString program(const char* name) {
    return QCoreApplication::applicationDirPath() + u'/' + QLatin1String(name);
}

} // namespace

class TestTextSearch : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void search_data();
    void search();
    void manyDocumentsInListOrder_data();
    void manyDocumentsInListOrder();
    void snippetShowsTheTerm();
    void storeReplacesPagesAndRemoveForgets();
    void pagesStoredWithoutPairsAreFoundAfterEnsure();
    void claimsAreExclusiveAndDeadOnesTakenOver();
    void failedAndOverTriedDocumentsAreSkipped();
    void queueSurvivesARestart();
    void tablesNotCreatableTurnSearchOff();
    void indexProgramReadsAndSearches();
    void twoIndexProgramsReadEachDocumentOnce();

private:
    // A document row and, in folder `store`, its file.
    void addDocument(const QString& id, const QString& record, int order,
                     const QString& type = QStringLiteral(".txt"), const QByteArray& content = {});
    QStringList storeArguments() const;

    std::unique_ptr<wo::test::TestDatabase> m_db;
    std::unique_ptr<wo::test::Sandbox> m_box;
    wo::com::ComPtr<wo::db::Connection> m_own;
};

void TestTextSearch::init() {
    m_db = std::make_unique<wo::test::TestDatabase>();
    m_box = std::make_unique<wo::test::Sandbox>();
    m_db->createDocumentTable();
    m_own = wo::db::Connection::openCopy(m_db->connection());
    TextTable(*m_own).ensure();
}

void TestTextSearch::cleanup() {
    m_own = nullptr;
    m_box.reset();
    m_db.reset();
}

void TestTextSearch::addDocument(const QString& id, const QString& record, int order, const QString& type,
                                 const QByteArray& content) {
    m_db->insertRow(id, QStringLiteral("文件") + id, type, record, order, QStringLiteral("2026-12"));
    if (!content.isNull())
        m_box->writeFile(QStringLiteral("store/2026-12/") + id + type, content);
}

QStringList TestTextSearch::storeArguments() const {
    const QString driver = m_db->driver();
    const QString option = driver == QLatin1String("QPSQL")    ? QStringLiteral("--postgres")
                           : driver == QLatin1String("QMYSQL") ? QStringLiteral("--mariadb")
                                                               : QStringLiteral("--database");
    QString value = m_db->connectString();
    if (driver == QLatin1String("QSQLITE"))
        value.remove(QStringLiteral("Database="));
    return {option, value, QStringLiteral("--store"), m_box->path(QStringLiteral("store"))};
}

void TestTextSearch::search_data() {
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QStringList>("hits");
    QTest::newRow("two characters") << "发票"
                                    << "" << QStringList{"R1/D1/1", "R1/D3/1", "R2/D3/1"};
    QTest::newRow("one character, last on its page") << "额"
                                                     << "" << QStringList{"R2/D2/1"};
    QTest::newRow("one latin character") << "x"
                                         << "" << QStringList{"R1/D1/2"};
    QTest::newRow("long term") << "20261208"
                               << "" << QStringList{"R1/D1/1"};
    QTest::newRow("full-width term") << "２０２６１２０８"
                                     << "" << QStringList{"R1/D1/1"};
    QTest::newRow("full-width text, half-width term") << "abc"
                                                      << "" << QStringList{"R1/D1/2"};
    QTest::newRow("case") << "TOTAL AMOUNT"
                          << "" << QStringList{"R1/D1/2"};
    QTest::newRow("spaces in the text") << "合同金额"
                                        << "" << QStringList{"R2/D2/1"};
    QTest::newRow("spaces in the term") << "号 码 2026"
                                        << "" << QStringList{"R1/D1/1"};
    QTest::newRow("within a record") << "合同"
                                     << "R1" << QStringList{"R1/D1/1"};
    QTest::newRow("pattern characters are text") << "50%"
                                                 << "" << QStringList{"R1/D1/2"};
    QTest::newRow("underscore is text") << "a_b"
                                        << "" << QStringList{};
    QTest::newRow("quote") << "\"x"
                           << "" << QStringList{};
    QTest::newRow("nothing") << "不存在的词"
                             << "" << QStringList{};
    QTest::newRow("blank") << "  "
                           << "" << QStringList{};
}

void TestTextSearch::search() {
    QFETCH(QString, term);
    QFETCH(QString, record);
    QFETCH(QStringList, hits);
    addDocument(QStringLiteral("D1"), QStringLiteral("R1"), 1);
    addDocument(QStringLiteral("D2"), QStringLiteral("R2"), 2);
    addDocument(QStringLiteral("D3"), QStringLiteral("R1"), 3);
    addDocument(QStringLiteral("D3"), QStringLiteral("R2"), 1);
    // Text of a document no row names any more: never a hit.
    TextTable table(*m_own);
    table.store(QStringLiteral("D1"), {plainPage(0, {QStringLiteral("发票号码 20261208 合同")}),
                                       plainPage(1, {QStringLiteral("Total Amount ＡＢＣ 50% 500 x")})});
    table.store(QStringLiteral("D2"), {plainPage(0, {QStringLiteral("合 同 金 额")})});
    table.store(QStringLiteral("D3"), {plainPage(0, {QStringLiteral("增值税 发票 ab")})});
    table.store(QStringLiteral("GONE"), {plainPage(0, {QStringLiteral("发票 20261208 合同金额")})});
    const auto found = table.search(term, record.isEmpty() ? std::nullopt : std::optional<QString>(record));
    QCOMPARE(hitKeys(found), hits);
}

void TestTextSearch::manyDocumentsInListOrder_data() {
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("record");
    QTest::addColumn<int>("limit");
    // Frequent terms end within the first documents read in order, rarer ones go on
    // to the index; a term of the list's end is read in order at first, then found by
    // the index.
    QTest::newRow("frequent, few hits") << "叁"
                                        << "" << 5;
    QTest::newRow("frequent, many hits") << "叁"
                                         << "" << 50;
    QTest::newRow("frequent, within a record") << "叁"
                                               << "R2" << 10;
    QTest::newRow("every hit") << "发票"
                               << "" << 1000;
    QTest::newRow("one character, every hit in a record") << "票"
                                                          << "R1" << 1000;
    QTest::newRow("only at the end of the lists") << "尾页"
                                                  << "" << 5;
    QTest::newRow("rare") << "壹万"
                          << "" << 50;
    QTest::newRow("four characters") << "合同金额"
                                     << "" << 50;
}

void TestTextSearch::manyDocumentsInListOrder() {
    QFETCH(QString, term);
    QFETCH(QString, record);
    QFETCH(int, limit);
    // More documents than are read in order before the index is asked; rows inserted
    // backwards, identifiers shuffled, so that neither gives the list order.
    constexpr int documents = TextTable::LeadingDocuments + 40;
    constexpr int perRecord = documents / 4;
    TextTable table(*m_own);
    if (table.engine() == wo::text::Engine::SQLite) { // hundreds of commits, none of them worth a sync
        m_own->execute(QStringLiteral("PRAGMA synchronous = OFF"));
        m_db->connection().execute(QStringLiteral("PRAGMA synchronous = OFF"));
    }
    QList<std::pair<QString, QStringList>> lists; // key prefix and page texts, in list order
    for (int at = 0; at < documents; ++at) {
        const QString id = QStringLiteral("D%1").arg(at * 7 % documents, 3, 10, QLatin1Char('0'));
        const QString recordId = QStringLiteral("R%1").arg(at / perRecord);
        const QString end = at >= documents - 40 ? QStringLiteral("尾页") : QString();
        const QStringList pages{QStringLiteral("甲乙") + (at % 9 == 0 ? QStringLiteral("发票") : QString()) +
                                    (at % 25 == 0 ? QStringLiteral("合同金额") : QString()) + end,
                                QStringLiteral("丙丁") + (at % 2 == 0 ? QStringLiteral("叁") : QString()) +
                                    (at == 5 || at == documents - 3 ? QStringLiteral("壹万") : QString()) +
                                    end};
        lists.append({recordId + u'/' + id, pages});
    }
    for (int at = documents - 1; at >= 0; --at) {
        const QString id = lists[at].first.section(u'/', 1);
        m_db->insertRow(id, id, QStringLiteral(".txt"), lists[at].first.section(u'/', 0, 0), at % perRecord,
                        QStringLiteral("2026-12"));
        table.store(id, {plainPage(0, {lists[at].second[0]}), plainPage(1, {lists[at].second[1]})});
    }
    QStringList expected;
    for (const auto& [key, pages] : lists)
        for (qsizetype page = 0; page < pages.size(); ++page)
            if ((record.isEmpty() || key.startsWith(record + u'/')) && pages[page].contains(term) &&
                expected.size() < limit)
                expected << QStringLiteral("%1/%2").arg(key).arg(page + 1);
    QVERIFY(!expected.isEmpty());
    const auto found =
        table.search(term, record.isEmpty() ? std::nullopt : std::optional<QString>(record), limit);
    QCOMPARE(hitKeys(found), expected);
}

void TestTextSearch::snippetShowsTheTerm() {
    addDocument(QStringLiteral("D1"), QStringLiteral("R1"), 1);
    TextTable table(*m_own);
    const QString longText = QString(40, u'甲') + QStringLiteral("发票号码20261208") + QString(40, u'乙');
    table.store(QStringLiteral("D1"), {plainPage(0, {longText})});
    const auto hits = table.search(QStringLiteral("20261208"), std::nullopt);
    QCOMPARE(hits.size(), 1);
    QVERIFY2(hits[0].snippet.contains(QStringLiteral("发票号码20261208")), qPrintable(hits[0].snippet));
    QVERIFY(hits[0].snippet.startsWith(QStringLiteral("…")) && hits[0].snippet.endsWith(QStringLiteral("…")));
    QVERIFY(hits[0].snippet.size() < 60);
    QCOMPARE(hits[0].name, QStringLiteral("文件D1"));
}

void TestTextSearch::storeReplacesPagesAndRemoveForgets() {
    addDocument(QStringLiteral("D1"), QStringLiteral("R1"), 1);
    TextTable table(*m_own);
    table.store(QStringLiteral("D1"),
                {plainPage(0, {QStringLiteral("旧的文字")}), plainPage(1, {QStringLiteral("旧")})});
    table.store(QStringLiteral("D1"), {plainPage(0, {QStringLiteral("新的文字")})});
    QCOMPARE(table.search(QStringLiteral("旧"), std::nullopt).size(), 0);
    QCOMPARE(hitKeys(table.search(QStringLiteral("新的"), std::nullopt)), QStringList{"R1/D1/1"});
    const auto words = table.words(QStringLiteral("D1"), 0);
    QCOMPARE(words.size(), 1);
    QCOMPARE(words[0].box, QRect(100, 0, 900, 400));
    table.remove(QStringLiteral("D1"));
    QCOMPARE(table.search(QStringLiteral("新的"), std::nullopt).size(), 0);
    QCOMPARE(m_db->query(QStringLiteral("SELECT COUNT(*) FROM Original_PageText"))[0][0].toInt(), 0);
}

// A PostgreSQL table made before pages kept their character pairs: ensure() adds them,
// so short terms find the pages stored before, and new pages store as usual.
void TestTextSearch::pagesStoredWithoutPairsAreFoundAfterEnsure() {
    if (m_db->driver() != QLatin1String("QPSQL"))
        QSKIP("only PostgreSQL tables were made without pairs");
    addDocument(QStringLiteral("D1"), QStringLiteral("R1"), 1);
    addDocument(QStringLiteral("D2"), QStringLiteral("R1"), 2);
    TextTable table(*m_own);
    table.store(QStringLiteral("D1"), {plainPage(0, {QStringLiteral("发票号码 Ab")})});
    m_own->execute(QStringLiteral("DROP INDEX Original_PageText_Pairs"));
    m_own->execute(QStringLiteral("ALTER TABLE Original_PageText DROP COLUMN Pairs"));
    table.ensure();
    table.store(QStringLiteral("D2"), {plainPage(0, {QStringLiteral("发票")})});
    const QList<std::pair<QString, QStringList>> expected{{QStringLiteral("票"), {"R1/D1/1", "R1/D2/1"}},
                                                          {QStringLiteral("发票"), {"R1/D1/1", "R1/D2/1"}},
                                                          {QStringLiteral("码"), {"R1/D1/1"}},
                                                          {QStringLiteral("ab"), {"R1/D1/1"}}};
    for (const auto& [term, keys] : expected)
        QCOMPARE(hitKeys(table.search(term, std::nullopt)), keys);
}

void TestTextSearch::claimsAreExclusiveAndDeadOnesTakenOver() {
    addDocument(QStringLiteral("D1"), QStringLiteral("R1"), 1);
    addDocument(QStringLiteral("D2"), QStringLiteral("R1"), 2);
    const auto second = wo::db::Connection::openCopy(m_db->connection());
    TextQueue a(*m_own, QStringLiteral("a"), 60);
    TextQueue b(*second, QStringLiteral("b"), 60);
    QVERIFY(a.claim(QStringLiteral("D1")));
    QVERIFY(!b.claim(QStringLiteral("D1")));
    QCOMPARE(b.pending(std::nullopt).size(), 1);
    QCOMPARE(b.pending(std::nullopt)[0].id, QStringLiteral("D2"));
    // a dies: its claim ages past the timeout and b takes it over; a's late word counts for nothing.
    m_db->connection().execute(QStringLiteral("UPDATE Original_TextState SET ClaimedAt = ClaimedAt - 120"));
    QCOMPARE(b.pending(std::nullopt).size(), 2);
    QVERIFY(b.claim(QStringLiteral("D1")));
    a.done(QStringLiteral("D1"));
    QCOMPARE(m_db->query(QStringLiteral("SELECT Owner, State, Tries FROM Original_TextState"))[0],
             (QVariantList{QStringLiteral("b"), QStringLiteral("busy"), 2}));
    b.done(QStringLiteral("D1"));
    QVERIFY(!a.claim(QStringLiteral("D1")));
    QCOMPARE(a.counts(QStringLiteral("R1")).done, 1);
}

void TestTextSearch::failedAndOverTriedDocumentsAreSkipped() {
    addDocument(QStringLiteral("D1"), QStringLiteral("R1"), 1);
    addDocument(QStringLiteral("D2"), QStringLiteral("R1"), 2);
    TextQueue q(*m_own, QStringLiteral("q"), 60);
    QVERIFY(q.claim(QStringLiteral("D1")));
    q.failed(QStringLiteral("D1"), QStringLiteral("坏文件"));
    // D2's readers keep dying.
    for (int i = 0; i < TextQueue::MaxTries; ++i) {
        TextQueue reader(*m_own, QStringLiteral("r%1").arg(i), 60);
        QVERIFY(reader.claim(QStringLiteral("D2")));
        m_db->connection().execute(
            QStringLiteral("UPDATE Original_TextState SET ClaimedAt = ClaimedAt - 120"));
    }
    QVERIFY(!q.claim(QStringLiteral("D2")));
    QVERIFY(q.pending(std::nullopt).isEmpty());
    const auto counts = q.counts(std::nullopt);
    QCOMPARE(counts.failed, 2);
    QCOMPARE(m_db->query(QStringLiteral("SELECT Message FROM Original_TextState WHERE ID = 'D1'"))[0][0]
                 .toString(),
             QStringLiteral("坏文件"));
}

void TestTextSearch::queueSurvivesARestart() {
    for (int i = 1; i <= 3; ++i)
        addDocument(QStringLiteral("D%1").arg(i), QStringLiteral("R1"), i, QStringLiteral(".txt"),
                    QStringLiteral("第%1份 合同").arg(i).toUtf8());
    wo::settings::Storage storage;
    storage.root = m_box->path(QStringLiteral("store"));
    {
        // The first reader ends after one document, as a host closing would.
        TextTable table(*m_own);
        TextQueue queue(*m_own, TextQueue::newOwner());
        int finished = 0;
        wo::text::IndexOptions options;
        options.progress = [&](int done, int, const QString&) { finished = done; };
        options.stop = [&] { return finished == 1; };
        QCOMPARE(wo::text::indexDocuments(table, queue, storage, options).done, 1);
    }
    m_own = wo::db::Connection::openCopy(m_db->connection());
    TextTable table(*m_own);
    TextQueue queue(*m_own, TextQueue::newOwner());
    QCOMPARE(queue.pending(QStringLiteral("R1")).size(), 2);
    wo::text::IndexOptions options;
    options.recordId = QStringLiteral("R1");
    const auto summary = wo::text::indexDocuments(table, queue, storage, options);
    QCOMPARE(summary.done, 2);
    QCOMPARE(hitKeys(table.search(QStringLiteral("合同"), QStringLiteral("R1"))),
             (QStringList{"R1/D1/1", "R1/D2/1", "R1/D3/1"}));
}

void TestTextSearch::tablesNotCreatableTurnSearchOff() {
    // A connection on which nothing may be created, as a host's account without the right.
    m_own->execute(QStringLiteral("DROP TABLE Original_PageText"));
    const QString driver = m_db->driver();
    wo::com::ComPtr<wo::db::Connection> limited;
    if (driver == QLatin1String("QSQLITE")) {
        limited = wo::db::Connection::open(driver, m_db->connectString() +
                                                       QStringLiteral(";Options=QSQLITE_OPEN_READONLY"));
    } else if (driver == QLatin1String("QPSQL")) {
        // libpq takes several settings in one quoted value.
        QString connect = m_db->connectString();
        const qsizetype at = connect.indexOf(QStringLiteral("Options=options="));
        QVERIFY(at >= 0);
        const QString settings = connect.mid(at + 16);
        connect = connect.left(at) + QStringLiteral("Options=options='-cdefault_transaction_read_only=on ") +
                  settings + u'\'';
        limited = wo::db::Connection::open(driver, connect);
    } else {
        limited = wo::db::Connection::openCopy(m_db->connection());
        limited->execute(QStringLiteral("SET SESSION TRANSACTION READ ONLY"));
    }
    TextTable table(*limited);
    QVERIFY(!table.exists());
    try {
        table.ensure();
        QFAIL("created without rights");
    } catch (const wo::Error& e) {
        QCOMPARE(e.number(), wo::err::SearchUnavailable);
        QVERIFY(e.description().startsWith(wo::err::description(wo::err::SearchUnavailable)));
    }
    // The documents themselves are untouched.
    QCOMPARE(m_db->query(QStringLiteral("SELECT COUNT(*) FROM Original_Text"))[0][0].toInt(), 0);
}

void TestTextSearch::indexProgramReadsAndSearches() {
    addDocument(QStringLiteral("D1"), QStringLiteral("R1"), 1, QStringLiteral(".txt"), "发票号码 20261208");
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(wo::test::textPage({QStringLiteral("合同金额 壹万贰仟元")}).save(&buffer, "PNG"));
    }
    addDocument(QStringLiteral("D2"), QStringLiteral("R2"), 1, QStringLiteral(".png"), png);
    addDocument(QStringLiteral("D3"), QStringLiteral("R2"), 2, QStringLiteral(".tif"),
                wo::test::bilevelTiffDeclaring(200000, 200000));
    QProcess index;
    index.start(program("wendra-index"), storeArguments() << QStringLiteral("--json"));
    QVERIFY(index.waitForFinished(120000));
    QCOMPARE(index.exitCode(), 1);
    const QJsonObject summary = QJsonDocument::fromJson(index.readAllStandardOutput()).object();
    QCOMPARE(summary.value(QStringLiteral("read")).toInt(), 2);
    QCOMPARE(summary.value(QStringLiteral("failed")).toInt(), 1);
    QCOMPARE(summary.value(QStringLiteral("withText")).toInt(), 2);
    QVERIFY(summary.value(QStringLiteral("failures"))
                .toArray()[0]
                .toString()
                .startsWith(QStringLiteral("文件D3")));

    // A second run finds nothing left to read: the failed document is not tried again.
    index.start(program("wendra-index"), storeArguments() << QStringLiteral("--json"));
    QVERIFY(index.waitForFinished(60000));
    QCOMPARE(index.exitCode(), 0);
    QCOMPARE(
        QJsonDocument::fromJson(index.readAllStandardOutput()).object().value(QStringLiteral("read")).toInt(),
        0);

    // The program and the C function give one answer.
    for (const auto& [term, record] : {std::pair{QStringLiteral("合同"), QString()},
                                       std::pair{QStringLiteral("２０２６"), QStringLiteral("R1")}}) {
        QStringList arguments = storeArguments().mid(0, 2)
                                << QStringLiteral("--search") << term << QStringLiteral("--json");
        if (!record.isEmpty())
            arguments << QStringLiteral("--record") << record;
        index.start(program("wendra-index"), arguments);
        QVERIFY(index.waitForFinished(30000));
        QCOMPARE(index.exitCode(), 0);
        const QJsonArray fromProgram = QJsonDocument::fromJson(index.readAllStandardOutput()).array();
        QCOMPARE(fromProgram.size(), 1);

        WoObject* connection = nullptr;
        QVERIFY(WO_SUCCEEDED(WoConnection_Open(m_db->driver().toUtf8().constData(),
                                               m_db->connectString().toUtf8().constData(), &connection)));
        char* json = nullptr;
        const QByteArray recordBytes = record.toUtf8();
        QVERIFY(WO_SUCCEEDED(WoSearchDocuments(connection, term.toUtf8().constData(),
                                               record.isEmpty() ? nullptr : recordBytes.constData(), &json)));
        const QJsonArray fromFunction = QJsonDocument::fromJson(json).array();
        std::free(json);
        WoRelease(connection);
        QCOMPARE(fromFunction, fromProgram);
        QCOMPARE(fromFunction[0].toObject().value(QStringLiteral("Page")).toInt(), 1);
    }
}

void TestTextSearch::twoIndexProgramsReadEachDocumentOnce() {
    constexpr int documents = 12;
    for (int i = 1; i <= documents; ++i)
        addDocument(QStringLiteral("D%1").arg(i), QStringLiteral("R1"), i, QStringLiteral(".txt"),
                    QStringLiteral("第%1份").arg(i).toUtf8());
    QProcess first, second;
    first.start(program("wendra-index"), storeArguments() << QStringLiteral("--json"));
    second.start(program("wendra-index"), storeArguments() << QStringLiteral("--json"));
    QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    const int read = QJsonDocument::fromJson(first.readAllStandardOutput())
                         .object()
                         .value(QStringLiteral("read"))
                         .toInt() +
                     QJsonDocument::fromJson(second.readAllStandardOutput())
                         .object()
                         .value(QStringLiteral("read"))
                         .toInt();
    QCOMPARE(read, documents);
    QCOMPARE(m_db->query(QStringLiteral(
                 "SELECT COUNT(*) FROM Original_TextState WHERE State = 'done' AND Tries = 1"))[0][0]
                 .toInt(),
             documents);
}

QTEST_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
