#include "imaging/ScanHelper.h"

#include "imaging/ScanProtocol.h"
#include "platform/Error.h"
#include "platform/profile/ComponentFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTimer>
#include <optional>

namespace wo::imaging {

namespace protocol = scanprotocol;

namespace {

constexpr int ListingMs = 30000;
constexpr int WindUpMs = 5000;

// The program and its conversation: lines in, commands out. Waiting for a line
// runs an event loop that the program's output, its end, the deadline or wake()
// ends, so the progress window repaints and its Cancel button answers meanwhile.
class Conversation {
public:
    explicit Conversation(const QStringList& arguments) {
        const QString program = profile::moduleFolder() + u'/' + protocol::Program;
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, arguments);
        if (!m_process.waitForStarted(10000))
            throw err::make(err::ScannerProgramNotStarted,
                            program + QStringLiteral("：") + m_process.errorString());
        m_deadline.setSingleShot(true);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_loop, [this] {
            if (m_process.canReadLine())
                m_loop.quit();
        });
        QObject::connect(&m_process, &QProcess::finished, &m_loop, &QEventLoop::quit);
        QObject::connect(&m_deadline, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    }
    ~Conversation() { end(0); }

    // The program has `ms` from now to say its next lines; without a deadline it has
    // as long as it needs.
    void setDeadline(int ms) {
        m_deadlineSet = true;
        m_deadline.start(ms);
    }

    // The next line, fields split; nullopt once the program has ended or the deadline passed.
    std::optional<QStringList> next() {
        while (!m_process.canReadLine()) {
            if (m_process.state() == QProcess::NotRunning || expired())
                return std::nullopt;
            m_loop.exec();
        }
        return QString::fromUtf8(m_process.readLine()).chopped(1).split(u'\t');
    }
    // Ends the wait in next() early, so the caller sees what the user asked for.
    void wake() { m_loop.quit(); }
    void say(QLatin1StringView command) {
        m_process.write(QByteArray(command.data(), command.size()) + '\n');
    }
    // Gives the program `ms` to finish, then ends it; true when it had to be ended.
    bool end(int ms) {
        if (m_process.state() == QProcess::NotRunning)
            return false;
        m_process.closeWriteChannel();
        if (m_process.waitForFinished(ms))
            return false;
        m_process.kill();
        m_process.waitForFinished(1000);
        return true;
    }

private:
    bool expired() const { return m_deadlineSet && !m_deadline.isActive(); }

    QProcess m_process;
    QEventLoop m_loop;
    QTimer m_deadline;
    bool m_deadlineSet = false;
};

Error failure(const QStringList& fields) {
    return Error(fields.value(1).toInt(), fields.value(2));
}

// The unfinished pages a program ended from outside left beside the file.
void removeLeftovers(const QString& file) {
    const QFileInfo target(file);
    const QDir folder = target.dir();
    const QString pattern = QStringLiteral(".") + target.fileName() + QStringLiteral(".??????");
    for (const QString& name : folder.entryList({pattern}, QDir::Files | QDir::Hidden))
        QFile::remove(folder.filePath(name));
}

Error endedUnexpectedly() {
    return err::make(err::ScannerProgramEnded);
}

} // namespace

QList<dialogs::ScanDevice> ScanHelper::devices() {
    Conversation program({protocol::List});
    program.setDeadline(ListingMs);
    QList<dialogs::ScanDevice> found;
    while (const auto fields = program.next()) {
        if (fields->value(0) == protocol::Device)
            found << dialogs::ScanDevice{fields->value(1), fields->value(2)};
        else if (fields->value(0) == protocol::End)
            return found;
        else if (fields->value(0) == protocol::Failed)
            throw failure(*fields);
    }
    throw endedUnexpectedly();
}

void ScanHelper::scan(const dialogs::ScanSettings& settings, const QString& file,
                      dialogs::ScanProgress& progress) {
    Conversation program({protocol::Scan, settings.device, QString::number(int(settings.color)),
                          QString::number(settings.resolution), QString::number(int(settings.source)),
                          QString::number(settings.pages), file});
    bool cancelSent = false;
    // A program asked to stop that does not is ended, and its pages go with it.
    const auto sendCancel = [&] {
        if (!cancelSent) {
            program.say(protocol::Cancel);
            cancelSent = true;
            program.setDeadline(WindUpMs);
        }
    };
    const auto windUp = [&] {
        if (program.end(WindUpMs))
            removeLeftovers(file);
    };
    // Cancel may come from the progress window while we wait, or from its update.
    progress.onCancel([&] {
        sendCancel();
        program.wake();
    });
    const auto forgetCancel = qScopeGuard([&] { progress.onCancel({}); });
    while (const auto fields = program.next()) {
        const QString& kind = fields->value(0);
        if (kind == protocol::Progress) {
            progress.update(fields->value(1).toInt(), fields->value(2).toInt(), fields->value(3).toInt());
        } else if (kind == protocol::Done) {
            program.say(cancelSent ? protocol::Cancel : protocol::Commit);
        } else if (kind == protocol::Saved || kind == protocol::Cancelled) {
            windUp();
            return;
        } else if (kind == protocol::Failed) {
            windUp();
            throw failure(*fields);
        }
    }
    program.end(0);
    removeLeftovers(file);
    if (!cancelSent)
        throw endedUnexpectedly();
}

} // namespace wo::imaging
