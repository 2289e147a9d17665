#include "platform/inet/FtpConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QUrl>

namespace wo::inet {

namespace {

constexpr long kConnectTimeoutSeconds = 15;
// A server that stops answering or sending fails the call after this long.
constexpr long kResponseTimeoutSeconds = 30;
constexpr long kLowSpeedBytesPerSecond = 1;
constexpr long kLowSpeedSeconds = 30;
constexpr long kBufferBytes = 512 * 1024;

size_t writeTo(char* data, size_t size, size_t count, void* sink) {
    const size_t bytes = size * count;
    if (!sink)
        return bytes;
    const qint64 written = static_cast<QIODevice*>(sink)->write(data, static_cast<qint64>(bytes));
    return written == static_cast<qint64>(bytes) ? bytes : 0;
}

size_t readFrom(char* buffer, size_t size, size_t count, void* source) {
    const qint64 read = static_cast<QIODevice*>(source)->read(buffer, static_cast<qint64>(size * count));
    return read < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(read);
}

QString displayPath(const QStringList& path) {
    return QLatin1Char('/') + path.join(QLatin1Char('/'));
}

QByteArray command(const char* verb, const QString& name) {
    return QByteArray(verb) + ' ' + name.toUtf8();
}

// Failures after which the server still talks to us, so a partial upload can go.
bool serverAnswers(CURLcode code) {
    switch (code) {
    case CURLE_QUOTE_ERROR:
    case CURLE_UPLOAD_FAILED:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_PARTIAL_FILE:
    case CURLE_ABORTED_BY_CALLBACK:
        return true;
    default:
        return false;
    }
}

} // namespace

FtpConnection::FtpConnection(FtpLogin login) : m_login(std::move(login)) {
    QUrl base;
    base.setScheme(QStringLiteral("ftp"));
    base.setHost(m_login.server, QUrl::StrictMode);
    base.setPort(m_login.port);
    if (m_login.server.isEmpty() || !base.isValid() || base.host().isEmpty())
        throw Error(WO_INET_ERROR_INVALID_URL,
                    QStringLiteral("\"%1\" is not a server name").arg(m_login.server));
    m_base = base.toEncoded();
    m_server = m_login.server + QLatin1Char(':') + QString::number(m_login.port);
    std::lock_guard lock(m_mutex);
    check(perform({}, {}, {}), QStringLiteral("Cannot log in to %1 as \"%2\"").arg(m_server, m_login.user));
}

void FtpConnection::setCurrentDirectory(const QString& dir) {
    std::lock_guard lock(m_mutex);
    const QStringList target = resolve(dir);
    check(perform(target, {}, {}), QStringLiteral("Cannot open folder %1").arg(displayPath(target)));
    m_cwd = target;
}

void FtpConnection::createDirectory(const QString& dir) {
    std::lock_guard lock(m_mutex);
    const QStringList target = resolve(dir);
    const QString action = QStringLiteral("Cannot create folder %1").arg(displayPath(target));
    if (target.isEmpty())
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT, action);
    // Asking first tells an existing folder apart from the server's other MKD refusals.
    const CURLcode probe = perform(target, {}, {});
    if (probe == CURLE_OK)
        throw Error(WO_INET_ERROR_EXTENDED, action + QStringLiteral(": it exists"));
    if (probe != CURLE_REMOTE_ACCESS_DENIED)
        throw failure(probe, action);
    check(perform(target.mid(0, target.size() - 1), {}, {.postQuote = {command("MKD", target.last())}}),
          action);
}

void FtpConnection::putFile(const QString& localPath, const QString& remoteName) {
    std::lock_guard lock(m_mutex);
    const QStringList target = resolve(remoteName);
    const QString action = QStringLiteral("Cannot store %1 as %2").arg(localPath, displayPath(target));
    if (target.isEmpty())
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT, action);
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(file.exists() ? WO_INET_ERROR_PERMISSION_DENIED : WO_INET_ERROR_FILE_NOT_FOUND,
                    action + QStringLiteral(": ") + file.errorString());

    // Upload under a hidden name in the same folder, then rename in one step, so the
    // final name never shows a partial file.
    const QStringList dir = target.mid(0, target.size() - 1);
    const QString name = target.last();
    const QString part = QStringLiteral(".%1.part-%2")
                             .arg(name)
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    Request upload{
        .nobody = false, .source = &file, .postQuote = {command("RNFR", part), command("RNTO", name)}};
    const CURLcode code = perform(dir, part, upload);
    if (code == CURLE_OK)
        return;
    Error error =
        code == CURLE_ABORTED_BY_CALLBACK
            ? Error(WO_INET_ERROR_PERMISSION_DENIED, action + QStringLiteral(": ") + file.errorString())
            : failure(code, action);
    if (serverAnswers(code)) {
        const CURLcode removed = perform(dir, {}, {.postQuote = {command("DELE", part)}});
        if (removed != CURLE_OK)
            error = Error(
                error.number(),
                error.description() + QStringLiteral("; ") +
                    failure(removed, QStringLiteral("the partial upload %1 stays").arg(part)).description());
    }
    throw error;
}

void FtpConnection::getFile(const QString& remoteName, const QString& localPath, bool failIfExists) {
    std::lock_guard lock(m_mutex);
    const QStringList target = resolve(remoteName);
    const QString action = QStringLiteral("Cannot fetch %1 into %2").arg(displayPath(target), localPath);
    if (target.isEmpty())
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT, action);
    if (failIfExists && QFileInfo::exists(localPath))
        throw Error(WO_INET_ERROR_FILE_EXISTS, action + QStringLiteral(": the file exists"));

    // QSaveFile writes beside the target and renames over it on commit only.
    QSaveFile file(localPath);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QFileInfo(localPath).dir().exists() ? WO_INET_ERROR_PERMISSION_DENIED
                                                        : WO_INET_ERROR_FILE_NOT_FOUND,
                    action + QStringLiteral(": ") + file.errorString());
    Request download;
    download.nobody = false;
    download.sink = &file;
    const CURLcode code = perform(target.mid(0, target.size() - 1), target.last(), download);
    if (code == CURLE_WRITE_ERROR)
        throw Error(WO_INET_ERROR_PERMISSION_DENIED, action + QStringLiteral(": ") + file.errorString());
    check(code, action);
    if (!file.commit())
        throw Error(WO_INET_ERROR_PERMISSION_DENIED, action + QStringLiteral(": ") + file.errorString());
}

void FtpConnection::deleteFile(const QString& remoteName) {
    std::lock_guard lock(m_mutex);
    const QStringList target = resolve(remoteName);
    const QString action = QStringLiteral("Cannot delete %1").arg(displayPath(target));
    if (target.isEmpty())
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT, action);
    check(perform(target.mid(0, target.size() - 1), {}, {.postQuote = {command("DELE", target.last())}}),
          action);
}

QStringList FtpConnection::resolve(const QString& name) const {
    // Names reach the server inside FTP commands, where a line break would end one.
    for (const QChar c : name)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isNull())
            throw Error(WO_INET_ERROR_INVALID_ARGUMENT,
                        QStringLiteral("A remote name holds a line break or a zero character"));
    QStringList path = name.startsWith(QLatin1Char('/')) ? QStringList() : m_cwd;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (!path.isEmpty())
                path.removeLast();
        } else if (part != QLatin1String("."))
            path.append(part);
    }
    return path;
}

QByteArray FtpConnection::url(const QStringList& dir, const QString& file) const {
    QByteArray url = m_base + '/';
    for (const QString& part : dir)
        url += QUrl::toPercentEncoding(part) + '/';
    return url + QUrl::toPercentEncoding(file);
}

CURLcode FtpConnection::perform(const QStringList& dir, const QString& file, const Request& request) {
    // Reset drops the last call's options; the open control connection stays cached.
    curl_easy_reset(m_easy.get());
    m_errorText[0] = '\0';
    m_lastReply.clear();
    m_easy.set(CURLOPT_URL, url(dir, file).constData());
    m_easy.set(CURLOPT_NOSIGNAL, 1L);
    m_easy.set(CURLOPT_ERRORBUFFER, m_errorText.data());
    m_easy.set(CURLOPT_VERBOSE, 1L);
    m_easy.set(CURLOPT_DEBUGFUNCTION, &FtpConnection::onDebug);
    m_easy.set(CURLOPT_DEBUGDATA, this);
    if (!m_login.agent.isEmpty())
        m_easy.set(CURLOPT_USERAGENT, m_login.agent.toUtf8().constData());
    if (!m_login.user.isEmpty()) {
        m_easy.set(CURLOPT_USERNAME, m_login.user.toUtf8().constData());
        m_easy.set(CURLOPT_PASSWORD, m_login.password.toUtf8().constData());
    }
    if (!m_login.passive)
        m_easy.set(CURLOPT_FTPPORT, "-");
    if (m_login.useTls)
        m_easy.set(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    m_easy.set(CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    m_easy.set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    m_easy.set(CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseTimeoutSeconds);
    m_easy.set(CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond);
    m_easy.set(CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
    m_easy.set(CURLOPT_TCP_KEEPALIVE, 1L);
    m_easy.set(CURLOPT_BUFFERSIZE, kBufferBytes);
    m_easy.set(CURLOPT_UPLOAD_BUFFERSIZE, kBufferBytes);
    // Without a write function of our own, libcurl prints to stdout.
    m_easy.set(CURLOPT_WRITEFUNCTION, &writeTo);
    m_easy.set(CURLOPT_WRITEDATA, static_cast<void*>(request.sink));
    m_easy.set(CURLOPT_NOBODY, request.nobody ? 1L : 0L);
    if (request.source) {
        m_easy.set(CURLOPT_UPLOAD, 1L);
        m_easy.set(CURLOPT_READFUNCTION, &readFrom);
        m_easy.set(CURLOPT_READDATA, static_cast<void*>(request.source));
        m_easy.set(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(request.source->size()));
    }
    // libcurl keeps a pointer to the list, so it lives until the next call.
    m_postQuote = StringList();
    for (const QByteArray& line : request.postQuote)
        m_postQuote.append(line);
    if (m_postQuote.get())
        m_easy.set(CURLOPT_POSTQUOTE, m_postQuote.get());
    return m_multi.run(m_easy);
}

Error FtpConnection::failure(CURLcode code, const QString& action) const {
    QString text = action + QStringLiteral(" on ") + m_server + QStringLiteral(": ") +
                   QString::fromUtf8(m_errorText[0] ? m_errorText.data() : curl_easy_strerror(code));
    if (!m_lastReply.isEmpty())
        text += QStringLiteral(" (server: %1)").arg(m_lastReply);
    return Error(errorNumber(code), text);
}

void FtpConnection::check(CURLcode code, const QString& action) const {
    if (code != CURLE_OK)
        throw failure(code, action);
}

int FtpConnection::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    // Only server replies: what we send includes the password.
    if (type == CURLINFO_HEADER_IN)
        static_cast<FtpConnection*>(self)->m_lastReply =
            QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
    return 0;
}

} // namespace wo::inet
