// Reading in the background while the component works: what an add stores is read,
// what a delete removes is forgotten, and with search off nothing of it happens.
#include "StoreFixture.h"
#include "platform/Error.h"
#include "store/ClsFileOperation.h"
#include "text/TextService.h"
#include "text/TextTable.h"

#include <QtTest>

using wo::text::TextService;

namespace {

// Waits until the background reading has done everything it was given.
bool settled() {
    return QTest::qWaitFor([] { return TextService::instance().idle(); }, 60000);
}

QStringList hitIds(wo::test::StoreFixture& f, const QString& term) {
    const auto own = wo::db::Connection::openCopy(f.db.connection());
    QStringList ids;
    for (const auto& h : wo::text::TextTable(*own).search(term, std::nullopt))
        ids << h.id;
    return ids;
}

} // namespace

class TestTextService : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void addedDocumentsAreReadAndDeletedOnesForgotten();
    void documentsWaitingAreReadAtTheNextStart();
    void searchOffLeavesTheDatabaseAsItWas();
};

void TestTextService::cleanup() {
    TextService::instance().stop();
}

void TestTextService::addedDocumentsAreReadAndDeletedOnesForgotten() {
    wo::test::StoreFixture f;
    QVERIFY(TextService::instance().start(f.record, {true, QStringLiteral("chi_sim")}));
    f.box.writeFile(QStringLiteral("in/发票.txt"), "发票号码 20261208");
    QVERIFY(wo::store::ClsFileOperation(f.record).AddFileToObj(f.box.path(QStringLiteral("in")),
                                                               QStringLiteral("发票.txt")));
    QVERIFY(settled());
    QCOMPARE(hitIds(f, QStringLiteral("20261208")), QStringList{f.originalId});

    // Shared with another record, the document keeps its text until its last row goes.
    const QString folder = f.db.query(QStringLiteral("SELECT FilePath FROM Original_Text"))[0][0].toString();
    f.db.insertRow(f.originalId, QStringLiteral("theirs"), QStringLiteral(".TXT"), QStringLiteral("Other"), 1,
                   folder);
    const wo::record::ListedDocument listed{f.originalId, QStringLiteral("发票.txt"), QStringLiteral(".TXT"),
                                            folder};
    f.dialogs->queueAnswer(wo::dialogs::Answer::Yes);
    QVERIFY(wo::store::ClsFileOperation(f.record).DelFile({listed}, [](qsizetype) {}));
    QVERIFY(settled());
    QCOMPARE(f.db.query(QStringLiteral("SELECT COUNT(*) FROM Original_PageText"))[0][0].toInt(), 1);

    auto other = f.record;
    other.recordId = QStringLiteral("Other");
    f.dialogs->queueAnswer(wo::dialogs::Answer::Yes);
    QVERIFY(wo::store::ClsFileOperation(other).DelFile({listed}, [](qsizetype) {}));
    QVERIFY(settled());
    QCOMPARE(f.db.query(QStringLiteral("SELECT COUNT(*) FROM Original_PageText"))[0][0].toInt(), 0);
    QCOMPARE(f.db.query(QStringLiteral("SELECT COUNT(*) FROM Original_TextState"))[0][0].toInt(), 0);
}

void TestTextService::documentsWaitingAreReadAtTheNextStart() {
    wo::test::StoreFixture f;
    // Added while search was off (or the host closed before they were read).
    for (const char* name : {"a.txt", "b.txt"}) {
        f.box.writeFile(QStringLiteral("in/") + QLatin1String(name), QByteArray("合同 ") + name);
        QVERIFY(wo::store::ClsFileOperation(f.record).AddFileToObj(f.box.path(QStringLiteral("in")),
                                                                   QLatin1String(name)));
    }
    QVERIFY(TextService::instance().start(f.record, {true, {}}));
    QVERIFY(settled());
    QCOMPARE(hitIds(f, QStringLiteral("合同")).size(), 2);
}

void TestTextService::searchOffLeavesTheDatabaseAsItWas() {
    wo::test::StoreFixture f;
    QVERIFY(!TextService::instance().start(f.record, {false, {}}));
    f.box.writeFile(QStringLiteral("in/a.txt"), "合同");
    QVERIFY(wo::store::ClsFileOperation(f.record).AddFileToObj(f.box.path(QStringLiteral("in")),
                                                               QStringLiteral("a.txt")));
    const auto own = wo::db::Connection::openCopy(f.db.connection());
    QVERIFY(!wo::text::TextTable(*own).exists());
    QVERIFY(f.boxes().isEmpty());
}

QTEST_MAIN(TestTextService)
#include "tst_textservice.moc"
