#include "DyingFtp.h"
#include "StoreFixture.h"
#include "TestFiles.h"
#include "dialogs/QtDialogs.h"
#include "entry/ClsMain.h"
#include "platform/com/ServerState.h"
#include "transfer/TransferMeter.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <thread>
#include <unistd.h>

using namespace wo;

namespace {

// How the host's code comes to run while the component adds a file.
enum class Trigger { Timer0, Timer100, QueuedFromThread, SocketNotifier };
// What the host's code then does.
enum class Action { Insert, FtpCall, ComponentCall };

// What the host's code saw.
struct Seen {
    bool ran = false;
    bool insideAdd = false;
    bool ok = false;
    int error = 0;
    qint64 ms = 0;
};

int filesUnder(const QString& root) {
    int files = 0;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();
         it.next())
        ++files;
    return files;
}

// The store fixture on a folder of an FTP server of its own that takes uploads at
// `bytesPerSecond`, reached through a session of the host's.
struct SlowFtpStore : test::StoreFixture {
    explicit SlowFtpStore(int bytesPerSecond)
        : server(serverRoot(box), bytesPerSecond),
          session(inet::InternetOpen(QStringLiteral("tst_hostcalls"))),
          connection(inet::InternetConnect(session, QStringLiteral("127.0.0.1"), server.port,
                                           QStringLiteral("u"), QStringLiteral("p"))) {
        useFtp(session, connection, QStringLiteral("/docs"));
    }
    ~SlowFtpStore() { inet::InternetCloseHandle(session); }

    // The server's root, holding the store's folder "docs".
    static QString serverRoot(const test::Sandbox& box) {
        QDir().mkpath(box.path(QStringLiteral("server/docs")));
        return box.path(QStringLiteral("server"));
    }

    test::ThrottledFtp server;
    const inet::Handle session;
    const inet::Handle connection;
};

} // namespace

Q_DECLARE_METATYPE(Trigger)
Q_DECLARE_METATYPE(Action)

// The host's timers, socket notifiers and queued calls meet a running add: an FTP
// upload slow enough to show its progress window, on the host's own FTP connection
// and database connection.
class TestHostCalls : public QObject {
    Q_OBJECT

private slots:
    void hostCodeDuringAdd_data();
    void hostCodeDuringAdd();
    void progressWindowPaintsAndCancels();
};

void TestHostCalls::hostCodeDuringAdd_data() {
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<Action>("action");
    const std::pair<const char*, Trigger> triggers[] = {
        {"timer 0 ms", Trigger::Timer0},
        {"timer 100 ms", Trigger::Timer100},
        {"queued call from a thread", Trigger::QueuedFromThread},
        {"socket notifier", Trigger::SocketNotifier}};
    const std::pair<const char*, Action> actions[] = {
        {"INSERT", Action::Insert}, {"FTP call", Action::FtpCall}, {"component call", Action::ComponentCall}};
    for (const auto& [triggerName, trigger] : triggers)
        for (const auto& [actionName, action] : actions)
            QTest::addRow("%s, %s", triggerName, actionName) << trigger << action;
}

// Timers and socket notifiers wait until the add returns. A queued call cannot be held
// back and runs inside it: its INSERT is committed on its own (the add, whose commit
// fails here, takes it nowhere), and its FTP and component calls fail at once with
// the busy errors instead of waiting for the running add, which would never end.
void TestHostCalls::hostCodeDuringAdd() {
    QFETCH(Trigger, trigger);
    QFETCH(Action, action);
    SlowFtpStore f(64 << 10);
    QVERIFY2(f.connection != 0, qPrintable(inet::InternetGetLastResponseInfo()));
    const inet::Handle connection = f.connection;
    const QString root = f.box.path(QStringLiteral("server"));
    f.publish();
    // Held to 64 KiB a second, twice that takes the server a second: time for the 100 ms
    // timer to come due while the upload runs. The others are due at its first report.
    const int kib = trigger == Trigger::Timer100 ? 128 : 32;
    const QString source = f.box.writeFile(QStringLiteral("src/慢.bin"), test::binaryContent(kib << 10, 3));
    f.dialogs->queueFiles({source});
    const auto showAfter = transfer::TransferMeter::showAfter;
    transfer::TransferMeter::showAfter = std::chrono::milliseconds(0);
    const bool failCommit = action == Action::Insert;
    if (failCommit)
        store::ClsFileOperation::beforeCommit = [] {
            throw err::make(err::ProviderError, QStringLiteral("test"));
        };
    const auto restore = qScopeGuard([showAfter] {
        transfer::TransferMeter::showAfter = showAfter;
        store::ClsFileOperation::beforeCommit = nullptr;
    });

    auto main = entry::ClsMain::create();
    bool adding = false;
    Seen seen;
    QObject host;
    const auto act = [&] {
        if (seen.ran)
            return;
        seen.ran = true;
        seen.insideAdd = adding;
        QElapsedTimer clock;
        clock.start();
        switch (action) {
        case Action::Insert:
            try {
                f.db.connection().execute(
                    QStringLiteral("INSERT INTO Original_Text (ID, Original_Name, Type, RecordId, FileOrder, "
                                   "FilePath, Size) "
                                   "VALUES ('H1', 'host.txt', '.TXT', 'HOST', 1, 'x', 1)"));
                seen.ok = true;
            } catch (const Error& e) {
                seen.error = e.number();
            }
            break;
        case Action::FtpCall:
            seen.ok = inet::FtpSetCurrentDirectory(connection, QStringLiteral("/docs"));
            inet::InternetGetLastResponseInfo(&seen.error);
            break;
        case Action::ComponentCall:
            seen.ok = main->put_gsRecordID("OTHER") == WO_S_OK;
            seen.error = seen.ok ? 0 : com::server::errorNumber();
            break;
        }
        seen.ms = clock.elapsed();
    };

    int pipe[2] = {-1, -1};
    QVERIFY(::pipe(pipe) == 0);
    const auto closePipe = qScopeGuard([&] {
        ::close(pipe[0]);
        ::close(pipe[1]);
    });
    std::optional<QSocketNotifier> notifier;
    // A timer object: QTimer::singleShot(0, …) may be delivered as a queued call instead.
    QTimer timer;
    switch (trigger) {
    case Trigger::Timer0:
    case Trigger::Timer100:
        timer.setSingleShot(true);
        timer.setInterval(trigger == Trigger::Timer0 ? 0 : 100);
        QObject::connect(&timer, &QTimer::timeout, &host, act);
        timer.start();
        break;
    case Trigger::QueuedFromThread:
        std::thread([&] {
            static_cast<void>(QMetaObject::invokeMethod(&host, act, Qt::QueuedConnection));
        }).join();
        break;
    case Trigger::SocketNotifier:
        QCOMPARE(::write(pipe[1], "x", 1), ssize_t(1));
        notifier.emplace(pipe[0], QSocketNotifier::Read);
        QObject::connect(&*notifier, &QSocketNotifier::activated, &host, act);
        break;
    }

    int16_t added = 0;
    adding = true;
    const HRESULT hr = main->AddOriginalFile(&added);
    adding = false;
    QCOMPARE(hr, WO_S_OK);
    QCOMPARE(added, int16_t(failCommit ? 0 : -1));
    QTRY_VERIFY(seen.ran);

    const bool queued = trigger == Trigger::QueuedFromThread;
    QCOMPARE(seen.insideAdd, queued);
    QCOMPARE(f.db.query(QStringLiteral("SELECT ID FROM Original_Text WHERE RecordId = 'R'")).size(),
             failCommit ? 0 : 1);
    QCOMPARE(filesUnder(root), failCommit ? 0 : 1);
    if (!queued || action == Action::Insert) {
        QVERIFY2(seen.ok, qPrintable(QString::number(seen.error)));
    } else {
        QVERIFY(!seen.ok);
        QCOMPARE(seen.error, action == Action::FtpCall ? WO_INET_ERROR_TRANSFER_IN_PROGRESS : err::Busy);
        QVERIFY2(seen.ms < 1000, qPrintable(QString::number(seen.ms)));
    }
    if (action == Action::Insert)
        QCOMPARE(f.db.query(QStringLiteral("SELECT ID FROM Original_Text WHERE RecordId = 'HOST'")).size(),
                 1);
    if (action == Action::ComponentCall)
        QCOMPARE(MyInit::gsRecordID, queued ? QStringLiteral("R") : QStringLiteral("OTHER"));
}

// Counts the paintings of the progress window a person sees and of the host's window
// beneath it and, once the progress window has shown progress three times, presses its
// Cancel button.
class CancelAtThirdPaint final : public QObject {
public:
    int paints = 0;
    int paintsBeneath = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() != QEvent::Paint || !widget)
            return false;
        if (widget->window()->objectName() != QLatin1String("TransferProgress")) {
            ++paintsBeneath;
            return false;
        }
        if (widget->isWindow() && ++paints == 3)
            if (auto* cancel = widget->window()->findChild<QPushButton*>())
                QTest::mouseClick(cancel, Qt::LeftButton);
        return false;
    }
};

// The Qt progress window, with the host's timers held, still paints while the upload
// runs, and so does the host's window beneath it; the Cancel button ends the add with
// nothing left behind. The upload would take the server sixteen seconds: Cancel comes
// long before, even on a busy machine.
void TestHostCalls::progressWindowPaintsAndCancels() {
    SlowFtpStore f(64 << 10);
    QVERIFY2(f.connection != 0, qPrintable(inet::InternetGetLastResponseInfo()));
    const QString root = f.box.path(QStringLiteral("server"));
    QWidget beneath;
    beneath.resize(200, 100);
    beneath.show();
    QVERIFY(QTest::qWaitForWindowExposed(&beneath));
    const QString source = f.box.writeFile(QStringLiteral("src/慢.bin"), test::binaryContent(1 << 20, 4));
    const auto showAfter = transfer::TransferMeter::showAfter;
    transfer::TransferMeter::showAfter = std::chrono::milliseconds(0);
    auto scripted = dialogs::install(std::make_unique<dialogs::QtDialogs>());
    const auto restore = qScopeGuard([&] {
        transfer::TransferMeter::showAfter = showAfter;
        dialogs::install(std::move(scripted));
    });
    CancelAtThirdPaint watcher;
    qApp->installEventFilter(&watcher);
    bool fired = false;
    QTimer hostTimer;
    QObject::connect(&hostTimer, &QTimer::timeout, [&] { fired = true; });
    hostTimer.start(0);
    beneath.update();

    QVERIFY(!store::ClsFileOperation(f.record).AddFiles({source}));
    qApp->removeEventFilter(&watcher);
    QVERIFY(watcher.paints >= 3);
    QVERIFY(watcher.paintsBeneath > 0);
    QVERIFY(!fired);
    QCOMPARE(f.db.query(QStringLiteral("SELECT ID FROM Original_Text")).size(), 0);
    QCOMPARE(filesUnder(root), 0);
    QTRY_VERIFY(fired);
}

QTEST_MAIN(TestHostCalls)
#include "tst_hostcalls.moc"
