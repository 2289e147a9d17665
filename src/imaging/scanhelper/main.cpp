// The component's scanning program: runs the scanner library for one listing or
// one batch and reports on standard output (see imaging/ScanProtocol.h).
#include "imaging/SaneDevice.h"
#include "imaging/ScanBatch.h"
#include "imaging/ScanProtocol.h"

#include <QByteArray>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

using namespace wo;
using namespace wo::imaging;
namespace protocol = wo::imaging::scanprotocol;

namespace {

void say(const QStringList& fields) {
    // Tabs and line ends inside a field would split it.
    QStringList clean;
    for (QString f : fields)
        clean << f.replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ');
    const QByteArray line = clean.join(u'\t').toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

// The next command line from the component; with wait false, "" when none has come.
QString command(bool wait) {
    static QByteArray pending;
    for (;;) {
        const qsizetype end = pending.indexOf('\n');
        if (end >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            return line;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (poll(&input, 1, wait ? -1 : 0) <= 0)
            return {};
        char buffer[256];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        // The component is gone: nothing will be kept.
        if (n <= 0)
            return protocol::Cancel;
        pending.append(buffer, qsizetype(n));
    }
}

// Progress goes to the component; its Cancel arrives as a command.
class ReportedProgress final : public dialogs::ScanProgress {
public:
    void update(int page, int lines, int total) override {
        say({protocol::Progress, QString::number(page), QString::number(lines), QString::number(total)});
        if (command(false) == protocol::Cancel)
            cancel();
    }
};

int list() {
    SaneSession session;
    for (const dialogs::ScanDevice& d : session.devices())
        say({protocol::Device, d.name, d.description});
    say({protocol::End});
    return 0;
}

int scan(const QStringList& a) {
    const auto color = dialogs::ScanColor(a.at(1).toInt());
    const int dpi = a.at(2).toInt();
    const auto source = dialogs::ScanSource(a.at(3).toInt());
    const int pages = a.at(4).toInt();
    TiffPageWriter writer(a.at(5));
    SaneSession session;
    SaneDevice device(session, a.at(0));
    // Reported before the device is closed: closing may wait on the backend.
    try {
        device.setColor(color);
        const bool feeder = device.setSource(source);
        const double resolution = device.setResolution(dpi);
        ReportedProgress progress;
        if (!scanBatch(device, writer, resolution, feeder ? pages : 1, progress) || writer.pageCount() == 0) {
            say({protocol::Cancelled});
            return 0;
        }
        say({protocol::Done, QString::number(writer.pageCount())});
        if (command(true) != protocol::Commit) {
            say({protocol::Cancelled});
            return 0;
        }
        writer.commit();
        say({protocol::Saved});
        return 0;
    } catch (const Error& e) {
        say({protocol::Failed, QString::number(e.number()), e.description()});
        return 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    // Backends feed pages through pipes from reader threads that may write after a cancel.
    std::signal(SIGPIPE, SIG_IGN);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        if (args.value(0) == protocol::List)
            return list();
        if (args.value(0) == protocol::Scan && args.size() == 7)
            return scan(args.mid(1));
        say({protocol::Failed, QString::number(err::InvalidArgument), QStringLiteral("用法错误")});
        return 2;
    } catch (const Error& e) {
        say({protocol::Failed, QString::number(e.number()), e.description()});
        return 1;
    }
}
