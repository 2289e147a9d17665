#include "platform/shell/ShellPrint.h"

#include "platform/Error.h"
#include "platform/profile/ComponentFolder.h"
#include "platform/profile/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QMimeDatabase>
#include <QPageSize>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QTextDocument>
#include <cups/cups.h>
#include <utility>

namespace wo::shell {

namespace {

const QString NoRoute = QStringLiteral("no program registered for printing");
const QString RoutesFile = QStringLiteral("print-routes.ini");

// The job this process submitted last, so the job-ending call touches no one else's.
struct OwnJob {
    QByteArray destination;
    int id = 0;
};
OwnJob lastJob;

// Owns a destination list from cupsGetDests.
class DestList {
public:
    DestList() : m_count(cupsGetDests(&m_dests)) {}
    ~DestList() { cupsFreeDests(m_count, m_dests); }
    DestList(const DestList&) = delete;
    DestList& operator=(const DestList&) = delete;

    cups_dest_t* defaultDest() const { return cupsGetDest(nullptr, nullptr, m_count, m_dests); }

private:
    cups_dest_t* m_dests = nullptr;
    int m_count;
};

bool fail(QString* reason, const QString& text) {
    if (reason)
        *reason = text;
    return false;
}

QByteArray defaultDestination() {
    const DestList dests;
    if (const cups_dest_t* dest = dests.defaultDest())
        return QByteArray(dest->name);
    const char* name = cupsGetDefault();
    return name ? QByteArray(name) : QByteArray();
}

// Prints `file` on the default destination as a job named after `name`.
bool printWithCups(const QString& file, const QString& name, QString* reason) {
    const QByteArray destination = defaultDestination();
    if (destination.isEmpty())
        return fail(reason, QStringLiteral("no default printer"));
    const QByteArray path = QFile::encodeName(file);
    const QByteArray title = QFileInfo(name).fileName().toUtf8();
    const int job = cupsPrintFile(destination.constData(), path.constData(), title.constData(), 0, nullptr);
    if (job == 0)
        return fail(reason, QString::fromUtf8(cupsLastErrorString()));
    lastJob = {destination, job};
    return true;
}

QString readText(const QString& file, QString* reason) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        fail(reason, f.errorString());
        return QString();
    }
    const QByteArray data = f.readAll();
    QStringDecoder decoder(QStringDecoder::encodingForData(data).value_or(QStringConverter::Utf8));
    return decoder.decode(data);
}

// CUPS's own text filter has no Chinese glyphs, so text is laid out here, into a PDF
// the destination's filters take like any other.
bool printWithQt(const QString& file, QString* reason) {
    QString error;
    const QString text = readText(file, &error);
    if (!error.isEmpty())
        return fail(reason, error);
    QTemporaryFile pdf(QDir::tempPath() + QStringLiteral("/wendra-print-XXXXXX.pdf"));
    if (!pdf.open())
        return fail(reason, pdf.errorString());
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setTitle(QFileInfo(file).fileName());
        QTextDocument document;
        document.setDefaultFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 10));
        document.setPlainText(text);
        document.print(&writer);
    }
    if (!pdf.flush())
        return fail(reason, pdf.errorString());
    // The file's bytes are sent before the call returns, so the copy may go with it.
    return printWithCups(pdf.fileName(), file, reason);
}

// The user's routes come first, so they can override the component's.
QString routeFor(const QString& mimeType) {
    const QStringList files = {QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                   QStringLiteral("/wendra-original/") + RoutesFile,
                               QDir(profile::componentFolder()).filePath(RoutesFile)};
    for (const QString& routes : files) {
        const QString command =
            profile::GetPrivateProfileString(QStringLiteral("print"), mimeType, QString(), routes);
        if (!command.isEmpty())
            return command;
    }
    return QString();
}

bool printWithCommand(const QString& file, const QString& command, QString* reason) {
    QStringList arguments = QProcess::splitCommand(command);
    if (arguments.isEmpty())
        return fail(reason, NoRoute);
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("%f"), file);
    const QString program = arguments.takeFirst();
    if (!QProcess::startDetached(program, arguments))
        return fail(reason, QStringLiteral("cannot start %1").arg(program));
    return true;
}

} // namespace

bool shellPrint(const QString& file, QString* reason) {
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return fail(reason, NoRoute);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchContent);
    if (type.inherits(QStringLiteral("application/pdf")) ||
        type.inherits(QStringLiteral("application/postscript")))
        return printWithCups(file, file, reason);
    if (type.inherits(QStringLiteral("text/plain")))
        return printWithQt(file, reason);
    const QString command = routeFor(type.name());
    if (command.isEmpty())
        return fail(reason, NoRoute);
    return printWithCommand(file, command, reason);
}

void cancelOwnJob() {
    if (lastJob.id == 0)
        return;
    const OwnJob job = std::exchange(lastJob, OwnJob());
    cups_job_t* jobs = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, job.destination.constData(), 1, CUPS_WHICHJOBS_ACTIVE);
    if (count < 0)
        throw err::make(err::PrinterError, QString::fromUtf8(cupsLastErrorString()));
    bool pending = false;
    for (int i = 0; i < count; ++i)
        pending = pending || jobs[i].id == job.id;
    cupsFreeJobs(count, jobs);
    if (!pending)
        return;
    // A job that ended between the look and the cancel leaves nothing to do.
    const ipp_status_t status = cupsCancelJob2(CUPS_HTTP_DEFAULT, job.destination.constData(), job.id, 0);
    if (status != IPP_STATUS_OK && status != IPP_STATUS_ERROR_NOT_POSSIBLE)
        throw err::make(err::PrinterError, QString::fromUtf8(cupsLastErrorString()));
}

} // namespace wo::shell
