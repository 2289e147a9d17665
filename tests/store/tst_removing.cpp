#include "Sandbox.h"
#include "StoreFixture.h"
#include "TestDatabase.h"
#include "TestFiles.h"
#include "TestFtp.h"
#include "dialogs/ScriptedDialogs.h"
#include "store/ClsFileOperation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QTest>
#include <optional>

using namespace wo;
using dialogs::ScriptedDialogs;
using store::ClsFileOperation;

namespace {

const QString kMonth = QStringLiteral("2006-03");

// The shared store fixture with the documents as the list window lists them, some
// of them selected.
struct Fixture : test::StoreFixture {
    QVector<record::ListedDocument> list;
    QSet<int> selected;
    int order = 0;

    // The path column of a document added this month.
    QString filePath() { return storage().ftpMode ? root() + QLatin1Char('/') + kMonth : kMonth; }
    // Where the stored file named name lies on disk.
    QString onDisk(const QString& name) {
        return storage().ftpMode ? ftp->onDisk(filePath() + QLatin1Char('/') + name)
                                 : root() + QLatin1Char('/') + kMonth + QLatin1Char('/') + name;
    }
    // A listed document of the current record with its row and stored file; its
    // position in the list.
    int add(const QString& id, const QString& type = QStringLiteral(".TIF")) {
        ++order;
        const record::ListedDocument document{id, id + QStringLiteral(" name"), type, filePath()};
        db.insertRow(document.id, document.name, type, record.recordId, order, document.path);
        if (!test::writeFile(onDisk(id + type), "content of " + id.toUtf8()))
            qFatal("cannot write %s", qPrintable(onDisk(id + type)));
        list.append(document);
        return int(list.size()) - 1;
    }
    // The same document in another record.
    void share(const QString& id, const QString& type = QStringLiteral(".TIF")) {
        db.insertRow(id, QStringLiteral("theirs"), type, QStringLiteral("Other"), 1, filePath());
    }
    void select(std::initializer_list<int> rows) { selected.unite(QSet<int>(rows)); }
    // Deletes the selected documents, taking out of the list those reported removed.
    bool del() {
        QVector<int> rows;
        QVector<record::ListedDocument> documents;
        for (int i = 0; i < list.size(); ++i)
            if (selected.contains(i)) {
                rows.append(i);
                documents.append(list[i]);
            }
        QVector<int> removed;
        const bool done = ClsFileOperation(record).DelFile(documents, [&](qsizetype i) {
            // Reported last first, as each document goes.
            QVERIFY(removed.isEmpty() || rows[i] < removed.last());
            removed.append(rows[i]);
        });
        for (const int row : removed)
            list.remove(row);
        selected.clear();
        return done;
    }
    QStringList rowIds(const QString& recordId) {
        QStringList ids;
        for (const auto& row : db.query(QStringLiteral("SELECT ID FROM Original_Text WHERE RecordId = '") +
                                        QString(recordId).replace(u'\'', QStringLiteral("''")) +
                                        QStringLiteral("' ORDER BY FileOrder")))
            ids << row.first().toString();
        return ids;
    }
    QStringList listIds() const {
        QStringList ids;
        for (const auto& document : list)
            ids << document.id;
        return ids;
    }
};

void addFive(Fixture& f) {
    for (const char* id : {"a", "b", "c", "d", "e"})
        f.add(QString::fromLatin1(id));
}

} // namespace

class TestRemoving : public QObject {
    Q_OBJECT
private slots:
    void answeredNoChangesNothing_data();
    void answeredNoChangesNothing();
    void nothingSelected_data();
    void nothingSelected();
    void deletesSelectedRows_data();
    void deletesSelectedRows();
    void sharedDocumentKeepsFile_data();
    void sharedDocumentKeepsFile();
    void fileStates_data();
    void fileStates();
    void failureStopsPass_data();
    void failureStopsPass();
    void hostileNamesStayInStore_data();
    void hostileNamesStayInStore();
};

void TestRemoving::answeredNoChangesNothing_data() {
    QTest::addColumn<bool>("answered");
    QTest::newRow("No") << true;
    QTest::newRow("box closed") << false;
}

void TestRemoving::answeredNoChangesNothing() {
    QFETCH(bool, answered);
    Fixture f;
    addFive(f);
    f.select({1, 3});
    if (answered)
        f.dialogs->queueAnswer(dialogs::Answer::No);
    const qint64 statements = f.db.connection().statementCount();
    QVERIFY(!f.del());
    QCOMPARE(f.db.connection().statementCount(), statements);
    QCOMPARE(f.rowIds(QStringLiteral("R")), f.listIds());
    QCOMPARE(f.listIds().size(), 5);
    QVERIFY(QFileInfo::exists(f.onDisk(QStringLiteral("b.TIF"))));
    QCOMPARE(f.boxes().size(), 1);
    const auto box = f.boxes().first();
    QCOMPARE(box.text, QStringLiteral("确实要删除所选择的原文吗？"));
    QCOMPARE(box.title, QStringLiteral("删除原文"));
    QCOMPARE(box.icon, dialogs::Icon::Question);
    QCOMPARE(box.buttons, dialogs::Buttons::YesNo);
}

void TestRemoving::nothingSelected_data() {
    QTest::addColumn<int>("documents");
    QTest::newRow("three documents") << 3;
    QTest::newRow("empty list") << 0;
}

void TestRemoving::nothingSelected() {
    QFETCH(int, documents);
    Fixture f;
    for (int i = 0; i < documents; ++i)
        f.add(QStringLiteral("d%1").arg(i));
    f.dialogs->queueAnswer(dialogs::Answer::Yes);
    QVERIFY(f.del());
    QCOMPARE(f.listIds().size(), documents);
    QCOMPARE(f.rowIds(QStringLiteral("R")).size(), documents);
    QCOMPARE(f.boxes().size(), 1);
}

void TestRemoving::deletesSelectedRows_data() {
    QTest::addColumn<bool>("ftp");
    QTest::newRow("folder") << false;
    QTest::newRow("ftp") << true;
}

// Rows 2 and 4 of five: one snapshot, two deletions, nothing else sent to the database.
void TestRemoving::deletesSelectedRows() {
    QFETCH(bool, ftp);
    Fixture f;
    if (ftp)
        f.useFtp();
    addFive(f);
    f.share(QStringLiteral("x"));
    QVERIFY(test::writeFile(f.onDisk(QStringLiteral("x.TIF")), "theirs"));
    f.select({1, 3});
    f.dialogs->queueAnswer(dialogs::Answer::Yes);
    const qint64 statements = f.db.connection().statementCount();
    QVERIFY(f.del());
    QCOMPARE(f.db.connection().statementCount(), statements + 3);
    const QStringList left{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("e")};
    QCOMPARE(f.listIds(), left);
    QCOMPARE(f.rowIds(QStringLiteral("R")), left);
    QCOMPARE(f.rowIds(QStringLiteral("Other")), QStringList{QStringLiteral("x")});
    for (const char* id : {"a", "c", "e", "x"})
        QVERIFY2(QFileInfo::exists(f.onDisk(QString::fromLatin1(id) + QStringLiteral(".TIF"))), id);
    for (const char* id : {"b", "d"})
        QVERIFY2(!QFileInfo::exists(f.onDisk(QString::fromLatin1(id) + QStringLiteral(".TIF"))), id);
    QCOMPARE(f.boxes().size(), 1);
}

void TestRemoving::sharedDocumentKeepsFile_data() {
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<QString>("recordId");
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("shared");
    for (const bool ftp : {false, true}) {
        const char* mode = ftp ? "ftp" : "folder";
        QTest::addRow("%s, shared", mode) << ftp << QStringLiteral("R") << QStringLiteral("s1") << true;
        QTest::addRow("%s, quote in ID, shared", mode)
            << ftp << QStringLiteral("R") << QStringLiteral("O'Brien") << true;
        QTest::addRow("%s, quote in ID, not shared", mode)
            << ftp << QStringLiteral("R") << QStringLiteral("O'Brien") << false;
        QTest::addRow("%s, quote in record, shared", mode)
            << ftp << QStringLiteral("R'1") << QStringLiteral("s1") << true;
    }
    QTest::newRow("folder, statement in ID")
        << false << QStringLiteral("R") << QStringLiteral("x' Or '1' = '1") << false;
}

// Only this record's row goes; the file stays while another record names the ID.
void TestRemoving::sharedDocumentKeepsFile() {
    QFETCH(bool, ftp);
    QFETCH(QString, recordId);
    QFETCH(QString, id);
    QFETCH(bool, shared);
    Fixture f;
    if (ftp)
        f.useFtp();
    f.record.recordId = recordId;
    f.add(QStringLiteral("first"));
    f.select({f.add(id)});
    if (shared)
        f.share(id);
    f.share(QStringLiteral("unrelated"));
    f.dialogs->queueAnswer(dialogs::Answer::Yes);
    QVERIFY(f.del());
    QCOMPARE(f.rowIds(recordId), QStringList{QStringLiteral("first")});
    QCOMPARE(f.listIds(), QStringList{QStringLiteral("first")});
    QStringList others{QStringLiteral("unrelated")};
    if (shared)
        others << id;
    QStringList theirs = f.rowIds(QStringLiteral("Other"));
    theirs.sort();
    others.sort();
    QCOMPARE(theirs, others);
    QCOMPARE(QFileInfo::exists(f.onDisk(id + QStringLiteral(".TIF"))), shared);
    QVERIFY(QFileInfo::exists(f.onDisk(QStringLiteral("first.TIF"))));
    QCOMPARE(f.boxes().size(), 1);
}

void TestRemoving::fileStates_data() {
    QTest::addColumn<QString>("state");
    QTest::newRow("present") << QStringLiteral("present");
    QTest::newRow("already gone") << QStringLiteral("gone");
    QTest::newRow("read-only") << QStringLiteral("read-only");
    QTest::newRow("no type, file in the root") << QStringLiteral("root");
}

// Whatever the stored file's state, the document goes without a message, and its
// copy in the download cache stays.
void TestRemoving::fileStates() {
    QFETCH(QString, state);
    Fixture f;
    QString stored;
    if (state == QLatin1String("root")) {
        f.db.insertRow(QStringLiteral("r"), QStringLiteral("README"), QString(), QStringLiteral("R"), 1,
                       QString());
        f.list.append({QStringLiteral("r"), QStringLiteral("README"), QString(), QString()});
        stored = f.box.writeFile(QStringLiteral("store/r"), "in the root");
    } else {
        f.add(QStringLiteral("doc"));
        stored = f.onDisk(QStringLiteral("doc.TIF"));
    }
    if (state == QLatin1String("gone"))
        QVERIFY(QFile::remove(stored));
    if (state == QLatin1String("read-only"))
        QVERIFY(QFile::setPermissions(stored, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QString cached = f.box.writeFile(QStringLiteral("cache/wendra-original/temp/doc.TIF"), "cached");
    f.select({0});
    f.dialogs->queueAnswer(dialogs::Answer::Yes);
    QVERIFY(f.del());
    QVERIFY(f.rowIds(QStringLiteral("R")).isEmpty());
    QVERIFY(f.list.isEmpty());
    QVERIFY(!QFileInfo::exists(stored));
    QCOMPARE(test::readFile(cached), QByteArray("cached"));
    QCOMPARE(f.boxes().size(), 1);
}

void TestRemoving::failureStopsPass_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QStringList>("rowsLeft");
    QTest::addColumn<QStringList>("itemsLeft");
    QTest::addColumn<QStringList>("filesLeft");
    QTest::addColumn<QString>("message");
    const auto ids = [](const char* text) {
        return QString::fromLatin1(text).split(u',', Qt::SkipEmptyParts);
    };
    // b, c and d are selected; d goes first.
    QTest::newRow("statement fails on c") << QStringLiteral("trigger") << ids("a,b,c,e") << ids("a,b,c,e")
                                          << ids("a,b,c,e") << QStringLiteral("refused to delete c");
    QTest::newRow("table gone before the snapshot")
        << QStringLiteral("drop") << QStringList() << ids("a,b,c,d,e") << ids("a,b,c,d,e") << QString();
    QTest::newRow("directory in place of c's file")
        << QStringLiteral("directory") << ids("a,b,e") << ids("a,b,c,e") << ids("a,b,e")
        << QStringLiteral("拒绝访问：");
}

// The pass ends at the first error, after its message; what was done stays done.
void TestRemoving::failureStopsPass() {
    QFETCH(QString, failure);
    QFETCH(QStringList, rowsLeft);
    QFETCH(QStringList, itemsLeft);
    QFETCH(QStringList, filesLeft);
    QFETCH(QString, message);
    Fixture f;
    addFive(f);
    f.select({1, 2, 3});
    const bool postgres = f.db.driver() == QLatin1String("QPSQL");
    const bool mariadb = f.db.driver() == QLatin1String("QMYSQL");
    if (failure == QLatin1String("trigger") && mariadb) {
        f.db.connection().execute(QStringLiteral(
            "CREATE TRIGGER refuse BEFORE DELETE ON Original_Text FOR EACH ROW IF OLD.ID = 'c' THEN "
            "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'refused to delete c'; END IF"));
    } else if (failure == QLatin1String("trigger") && postgres) {
        f.db.connection().execute(QStringLiteral(
            "CREATE FUNCTION refuse_c() RETURNS trigger AS $$ BEGIN IF OLD.ID = 'c' THEN RAISE EXCEPTION "
            "'refused to delete c'; END IF; RETURN OLD; END $$ LANGUAGE plpgsql"));
        f.db.connection().execute(QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Original_Text FOR "
                                                 "EACH ROW EXECUTE FUNCTION refuse_c()"));
    } else if (failure == QLatin1String("trigger")) {
        f.db.connection().execute(
            QStringLiteral("CREATE TRIGGER refuse BEFORE DELETE ON Original_Text WHEN OLD.ID = 'c' BEGIN "
                           "SELECT RAISE(ABORT, 'refused to delete c'); END"));
    } else if (failure == QLatin1String("drop")) {
        f.db.connection().execute(QStringLiteral("DROP TABLE Original_Text"));
    } else {
        QVERIFY(QFile::remove(f.onDisk(QStringLiteral("c.TIF"))));
        QVERIFY(QDir().mkpath(f.onDisk(QStringLiteral("c.TIF"))));
    }
    f.dialogs->queueAnswer(dialogs::Answer::Yes);
    QVERIFY(!f.del());

    if (failure != QLatin1String("drop"))
        QCOMPARE(f.rowIds(QStringLiteral("R")), rowsLeft);
    QCOMPARE(f.listIds(), itemsLeft);
    for (const char* id : {"a", "b", "c", "d", "e"}) {
        const QString name = QString::fromLatin1(id);
        QVERIFY2(QFileInfo(f.onDisk(name + QStringLiteral(".TIF"))).isFile() == filesLeft.contains(name), id);
    }
    QCOMPARE(f.boxes().size(), 2);
    const auto box = f.boxes().last();
    QVERIFY2(box.text.contains(message) && !box.text.isEmpty(), qPrintable(box.text));
    QCOMPARE(box.title, QStringLiteral("错误1000041"));
    QCOMPARE(box.icon, dialogs::Icon::Exclamation);
    QCOMPARE(box.buttons, dialogs::Buttons::OK);
}

void TestRemoving::hostileNamesStayInStore_data() {
    QTest::addColumn<bool>("ftp");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("path");
    // The victim lies beside the store root: store/2006-03/../../victim.TIF.
    QTest::newRow("ID climbs out") << false << QStringLiteral("../../victim") << QStringLiteral(".TIF")
                                   << kMonth;
    QTest::newRow("type climbs out") << false << QStringLiteral("v") << QStringLiteral("/../../../victim.TIF")
                                     << kMonth;
    QTest::newRow("path climbs out") << false << QStringLiteral("victim") << QStringLiteral(".TIF")
                                     << QStringLiteral("..");
    QTest::newRow("absolute path stays below the root")
        << false << QStringLiteral("victim") << QStringLiteral(".TIF") << QStringLiteral("<sandbox>");
    QTest::newRow("ftp, ID climbs out")
        << true << QStringLiteral("../victim") << QStringLiteral(".TIF") << QStringLiteral("<month>");
    QTest::newRow("ftp, path climbs out")
        << true << QStringLiteral("victim") << QStringLiteral(".TIF") << QStringLiteral("<month>/..");
    QTest::newRow("ftp, path climbs out with backslashes")
        << true << QStringLiteral("victim") << QStringLiteral(".TIF") << QStringLiteral("<month>\\..");
    // Folders outside the root, where the victim lies: the server's root, another
    // folder, and whatever folder is current.
    QTest::newRow("ftp, path is the server's root")
        << true << QStringLiteral("victim<pid>") << QStringLiteral(".TIF") << QStringLiteral("/");
    QTest::newRow("ftp, path is another folder")
        << true << QStringLiteral("victim") << QStringLiteral(".TIF") << QStringLiteral("<root>-other");
    QTest::newRow("ftp, path is empty")
        << true << QStringLiteral("victim") << QStringLiteral(".TIF") << QString();
}

// A document whose ID, type or path could only name a file outside the store loses
// its row and item; no file outside is touched.
void TestRemoving::hostileNamesStayInStore() {
    QFETCH(bool, ftp);
    QFETCH(QString, id);
    QFETCH(QString, type);
    QFETCH(QString, path);
    Fixture f;
    // Folders the climbing names pass through exist, so the climb would really work.
    QDir().mkpath(f.root() + QStringLiteral("/2006-03/v"));
    QString victim = f.box.writeFile(QStringLiteral("victim.TIF"), "not yours");
    if (ftp) {
        f.useFtp();
        QDir().mkpath(f.ftp->onDisk(f.filePath()));
        id.replace(QLatin1String("<pid>"), QString::number(QCoreApplication::applicationPid()));
        QString victimFolder = f.root();
        if (!path.contains(QLatin1String("<month>"))) {
            victimFolder = path.isEmpty() ? f.root() + QStringLiteral("-other")
                                          : path.replace(QLatin1String("<root>"), f.root());
            QVERIFY(QDir().mkpath(f.ftp->onDisk(victimFolder)));
            QVERIFY(inet::FtpSetCurrentDirectory(f.ftp->connection(), victimFolder));
        }
        path.replace(QLatin1String("<month>"), f.filePath());
        victim = f.ftp->onDisk(victimFolder + QLatin1Char('/') + id + type);
        QVERIFY(test::writeFile(victim, "not yours"));
    }
    const auto removeVictim = qScopeGuard([&] { QFile::remove(victim); });
    if (path == QLatin1String("<sandbox>"))
        path = f.box.path();
    f.db.insertRow(id, QStringLiteral("hostile"), type, QStringLiteral("R"), 1, path);
    f.list.append({id, QStringLiteral("hostile"), type, path});
    f.select({0});
    f.dialogs->queueAnswer(dialogs::Answer::Yes);
    QVERIFY(f.del());
    QCOMPARE(test::readFile(victim), QByteArray("not yours"));
    QVERIFY(f.rowIds(QStringLiteral("R")).isEmpty());
    QVERIFY(f.list.isEmpty());
    QCOMPARE(f.boxes().size(), 1);
}

QTEST_GUILESS_MAIN(TestRemoving)
#include "tst_removing.moc"
