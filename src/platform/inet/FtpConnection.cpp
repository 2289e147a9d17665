#include "platform/inet/FtpConnection.h"

#include "platform/TemporaryNames.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace wo::inet {

namespace {

constexpr long kConnectTimeoutSeconds = 15;
// A server that stops answering or sending fails the call after this long.
constexpr long kResponseTimeoutSeconds = 30;
constexpr long kLowSpeedBytesPerSecond = 1;
constexpr long kLowSpeedSeconds = 30;
constexpr long kBufferBytes = 512 * 1024;

// libcurl's callbacks are C frames: nothing may be thrown through them.
size_t writeTo(char* data, size_t size, size_t count, void* sink) noexcept {
    const size_t bytes = size * count;
    if (!sink)
        return bytes;
    try {
        const qint64 written = static_cast<QIODevice*>(sink)->write(data, static_cast<qint64>(bytes));
        return written == static_cast<qint64>(bytes) ? bytes : 0;
    } catch (...) {
        return 0;
    }
}

size_t readFrom(char* buffer, size_t size, size_t count, void* source) noexcept {
    try {
        const qint64 read = static_cast<QIODevice*>(source)->read(buffer, static_cast<qint64>(size * count));
        return read < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(read);
    } catch (...) {
        return CURL_READFUNC_ABORT;
    }
}

// Texts that reach the server inside FTP commands, where a line break would end one
// and start another.
void refuseLineBreaks(const QString& text, const QString& what) {
    for (const QChar c : text)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isNull())
            throw Error(WO_INET_ERROR_INVALID_ARGUMENT,
                        what + QStringLiteral(" holds a line break or a zero character"));
}

template <typename Path> QString displayPath(const Path& path) {
    const QString joined = path.parts.join(QLatin1Char('/'));
    return path.absolute ? QLatin1Char('/') + joined : joined.isEmpty() ? QStringLiteral(".") : joined;
}

QByteArray command(const char* verb, const QString& name) {
    return QByteArray(verb) + ' ' + name.toUtf8();
}

void setName(FtpEntry& entry, const QByteArray& raw) {
    entry.rawName = raw;
    entry.name = QString::fromUtf8(raw);
}

// What a line of a listing is: a file or folder, another kind of entry, or none: a
// piece of a name holding a line break (libcurl turns a listing's CR and CR LF into LF).
enum class Line { Entry, Other, Fragment };

// One MLSD line, "fact=value;...; name" (RFC 3659).
Line parseMlsd(const QByteArray& raw, FtpEntry& entry) {
    const qsizetype space = raw.indexOf(' ');
    if (space < 0)
        return Line::Fragment;
    setName(entry, raw.mid(space + 1));
    const QString line = QString::fromUtf8(raw.left(space));
    std::optional<QString> type;
    for (const QString& fact : line.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = fact.section(QLatin1Char('='), 0, 0).toLower();
        const QString value = fact.section(QLatin1Char('='), 1);
        if (key == QLatin1String("type"))
            type = value.toLower();
        else if (key == QLatin1String("size"))
            entry.size = value.toLongLong();
        else if (key == QLatin1String("modify")) {
            entry.modified = QDateTime::fromString(value.left(14), QStringLiteral("yyyyMMddHHmmss"));
            entry.modified.setTimeSpec(Qt::UTC);
        }
    }
    if (!type)
        return Line::Fragment;
    entry.folder = *type == QLatin1String("dir");
    return *type == QLatin1String("file") || entry.folder ? Line::Entry : Line::Other;
}

// One line of a Unix-style LIST ("-rw-r--r-- 1 owner group 1234 Dec  9 19:15 name");
// its time is left out, being in the server's zone and without a year.
Line parseList(const QByteArray& raw, FtpEntry& entry) {
    // Matched on Latin-1 text, where each byte is one character, so the name's bytes
    // are cut out exactly.
    static const QRegularExpression unixLine(
        QStringLiteral(R"(^([-dlbcps])\S{9}\S*\s+\d+\s+\S+\s+\S+\s+(\d+)\s+\S+\s+\d+\s+\S+ )"));
    const QRegularExpressionMatch m = unixLine.match(QString::fromLatin1(raw));
    if (!m.hasMatch() || m.capturedEnd(0) >= raw.size())
        return Line::Fragment;
    entry.folder = m.captured(1) == QLatin1String("d");
    entry.size = m.captured(2).toLongLong();
    setName(entry, raw.mid(m.capturedEnd(0)));
    return entry.folder || m.captured(1) == QLatin1String("-") ? Line::Entry : Line::Other;
}

} // namespace

FtpConnection::Hold::Hold(FtpConnection& connection) : m_connection(connection) {
    if (connection.m_owner.load() == std::this_thread::get_id())
        throw Error(WO_INET_ERROR_TRANSFER_IN_PROGRESS,
                    QStringLiteral("Another call on this connection to %1 is still running")
                        .arg(connection.m_server));
    m_lock = std::unique_lock(connection.m_mutex);
    connection.m_owner = std::this_thread::get_id();
}

FtpConnection::Hold::~Hold() {
    m_connection.m_owner = std::thread::id();
}

FtpConnection::FtpConnection(FtpLogin login) : m_login(std::move(login)) {
    refuseLineBreaks(m_login.server, QStringLiteral("The server name"));
    refuseLineBreaks(m_login.user, QStringLiteral("The user name"));
    refuseLineBreaks(m_login.password, QStringLiteral("The password"));
    refuseLineBreaks(m_login.agent, QStringLiteral("The agent name"));
    QUrl base;
    base.setScheme(QStringLiteral("ftp"));
    base.setHost(m_login.server, QUrl::StrictMode);
    base.setPort(m_login.port);
    if (m_login.server.isEmpty() || !base.isValid() || base.host().isEmpty())
        throw Error(WO_INET_ERROR_INVALID_URL,
                    QStringLiteral("\"%1\" is not a server name").arg(m_login.server));
    m_base = base.toEncoded();
    m_server = m_login.server + QLatin1Char(':') + QString::number(m_login.port);
    const Hold hold(*this);
    check(perform({}, {}, {}), QStringLiteral("Cannot log in to %1 as \"%2\"").arg(m_server, m_login.user));
    // libcurl asks PWD once it has logged in.
    const char* entry = nullptr;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry &&
        entry[0] == '/')
        m_loginDirectory = QString::fromUtf8(entry);
}

void FtpConnection::setCurrentDirectory(const QString& dir) {
    const Hold hold(*this);
    const RemotePath target = resolve(dir);
    check(perform(target, {}, {}), QStringLiteral("Cannot open folder %1").arg(displayPath(target)));
    m_cwd = target;
}

void FtpConnection::createDirectory(const QString& dir) {
    const Hold hold(*this);
    const RemotePath target = resolve(dir);
    const QString action = QStringLiteral("Cannot create folder %1").arg(displayPath(target));
    if (target.parts.isEmpty())
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT, action);
    // Asking first tells an existing folder apart from the server's other MKD refusals.
    const CURLcode probe = perform(target, {}, {});
    if (probe == CURLE_OK)
        throw Error(WO_INET_ERROR_EXTENDED, action + QStringLiteral(": it exists"));
    if (probe != CURLE_REMOTE_ACCESS_DENIED)
        throw failure(probe, action);
    check(perform(target.parent(), {}, {.postQuote = {command("MKD", target.parts.last())}}), action);
}

void FtpConnection::putFile(const QString& localPath, const QString& remoteName, const Progress& progress) {
    const Hold hold(*this);
    const RemotePath target = resolve(remoteName);
    const QString action = QStringLiteral("Cannot store %1 as %2").arg(localPath, displayPath(target));
    if (target.parts.isEmpty())
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT, action);
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(file.exists() ? WO_INET_ERROR_PERMISSION_DENIED : WO_INET_ERROR_FILE_NOT_FOUND,
                    action + QStringLiteral(": ") + file.errorString());

    const RemotePath dir = target.parent();
    const QString name = target.parts.last();
    // What a failed upload may have left on the server, to remove before reporting.
    QStringList leftovers;
    CURLcode code = CURLE_OK;
    if (m_renameRefused) {
        code = storeDirectly(file, dir, name, progress);
        if (code != CURLE_OK && m_storeSent)
            leftovers << name;
    } else {
        // Upload under a hidden name in the same folder, then rename in one step, so the
        // final name never shows a partial file.
        const QString part = temporary::partName(name);
        Request upload{.nobody = false,
                       .source = &file,
                       .postQuote = {command("RNFR", part), command("RNTO", name)},
                       .progress = &progress};
        code = perform(dir, part, upload);
        if (code == CURLE_QUOTE_ERROR) {
            // The upload is whole but RNFR or RNTO was refused. With the temporary file
            // still there the server refuses renaming (some let writers store only):
            // store under the final name, and directly from then on if that works. A
            // temporary file gone fails this upload alone.
            const Error refused = failure(code, action);
            const CURLcode probe = perform(dir, part, {});
            if (probe == CURLE_REMOTE_FILE_NOT_FOUND)
                throw refused;
            if (probe == CURLE_OK) {
                removeQuietly(dir, part);
                code = storeDirectly(file, dir, name, progress);
                if (code == CURLE_OK)
                    m_renameRefused = true;
                else if (m_storeSent)
                    leftovers << name;
            } else {
                leftovers << part;
            }
        } else if (code != CURLE_OK && m_storeSent) {
            // A rename sent without a reply may have happened; the final name may also
            // hold an earlier file, so only the caller can tell whether it may go.
            leftovers << part;
        }
    }
    if (code == CURLE_OK)
        return;
    const Error error =
        m_callbackError ? *m_callbackError
        : m_cancelled   ? Error(WO_INET_ERROR_OPERATION_CANCELLED, action + QStringLiteral(": cancelled"))
        : code == CURLE_ABORTED_BY_CALLBACK
            ? Error(WO_INET_ERROR_PERMISSION_DENIED, action + QStringLiteral(": ") + file.errorString())
            : failure(code, action);
    for (const QString& leftover : leftovers)
        removeQuietly(dir, leftover);
    throw error;
}

CURLcode FtpConnection::storeDirectly(QFile& file, const RemotePath& dir, const QString& name,
                                      const Progress& progress) {
    if (!file.seek(0))
        return CURLE_ABORTED_BY_CALLBACK;
    return perform(dir, name, {.nobody = false, .source = &file, .progress = &progress});
}

void FtpConnection::removeQuietly(const RemotePath& dir, const QString& name) {
    perform(dir, {}, {.postQuote = {command("DELE", name)}});
}

void FtpConnection::getFile(const QString& remoteName, const QString& localPath, bool failIfExists,
                            const Progress& progress) {
    const Hold hold(*this);
    const RemotePath target = resolve(remoteName);
    const QString action = QStringLiteral("Cannot fetch %1 into %2").arg(displayPath(target), localPath);
    if (target.parts.isEmpty())
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT, action);
    if (failIfExists && QFileInfo::exists(localPath))
        throw Error(WO_INET_ERROR_FILE_EXISTS, action + QStringLiteral(": the file exists"));

    // Written beside the target under a fresh name and renamed over it once whole, so
    // a failed transfer leaves no half file under the name. Not flushed to disk: a
    // fetched copy can be fetched again, and the flush costs as much as the transfer.
    // It takes the mode of the file it replaces, else as the umask allows.
    const QByteArray local = QFile::encodeName(localPath);
    struct stat replaced {};
    const bool replaces = ::stat(local.constData(), &replaced) == 0;
    const QFileInfo beside(localPath);
    QFile file;
    QByteArray part;
    for (int attempt = 0; attempt < 8 && !file.isOpen(); ++attempt) {
        part = QFile::encodeName(beside.path() + QLatin1Char('/') + temporary::partName(beside.fileName()));
        const int fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (replaces)
                static_cast<void>(::fchmod(fd, replaced.st_mode & 07777));
            file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle);
        } else if (errno != EEXIST) {
            break;
        }
    }
    if (!file.isOpen()) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        throw Error(QFileInfo(localPath).dir().exists() ? WO_INET_ERROR_PERMISSION_DENIED
                                                        : WO_INET_ERROR_FILE_NOT_FOUND,
                    action + QStringLiteral(": ") + why);
    }
    auto removePart = qScopeGuard([&] { ::unlink(part.constData()); });
    const CURLcode code = perform(target.parent(), target.parts.last(),
                                  {.nobody = false, .sink = &file, .progress = &progress});
    if (m_callbackError)
        throw *m_callbackError;
    if (m_cancelled)
        throw Error(WO_INET_ERROR_OPERATION_CANCELLED, action + QStringLiteral(": cancelled"));
    if (code == CURLE_WRITE_ERROR)
        throw Error(WO_INET_ERROR_PERMISSION_DENIED, action + QStringLiteral(": ") + file.errorString());
    check(code, action);
    file.close();
    if (file.error() != QFileDevice::NoError || std::rename(part.constData(), local.constData()) != 0)
        throw Error(WO_INET_ERROR_PERMISSION_DENIED, action + QStringLiteral(": ") + file.errorString());
    removePart.dismiss();
}

void FtpConnection::deleteFile(const QString& remoteName) {
    const Hold hold(*this);
    const RemotePath target = resolve(remoteName);
    const QString action = QStringLiteral("Cannot delete %1").arg(displayPath(target));
    if (target.parts.isEmpty())
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT, action);
    check(perform(target.parent(), {}, {.postQuote = {command("DELE", target.parts.last())}}), action);
}

QList<FtpEntry> FtpConnection::listDirectory(const QString& dir) {
    const Hold hold(*this);
    const RemotePath target = resolve(dir);
    const QString action = QStringLiteral("Cannot list folder %1").arg(displayPath(target));
    QBuffer listing;
    listing.open(QIODevice::WriteOnly);
    const auto list = [&](const char* verb) {
        listing.buffer().clear();
        listing.seek(0);
        return perform(target, {}, {.nobody = false, .sink = &listing, .postQuote = {}, .listCommand = verb});
    };
    bool mlsd = !m_mlsdRefused;
    CURLcode code = mlsd ? list("MLSD") : CURLE_FTP_COULDNT_RETR_FILE;
    if (code != CURLE_OK && errorNumber(code) == WO_INET_ERROR_EXTENDED) {
        // A missing folder fails both ways; a server without MLSD only the first. "-a"
        // asks for hidden names too, which some servers leave out of a LIST.
        code = list("LIST -a");
        if (code == CURLE_OK && mlsd)
            m_mlsdRefused = true;
        mlsd = false;
    }
    check(code, action);
    // A name holding a line break comes as an entry and pieces that are no entry; the
    // pieces go back onto its name, which then holds LF and is never used.
    QList<FtpEntry> entries;
    bool lastWasEntry = false;
    QList<QByteArray> lines = listing.buffer().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray raw : lines) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        FtpEntry entry;
        const Line line = mlsd ? parseMlsd(raw, entry) : parseList(raw, entry);
        if (line == Line::Fragment && lastWasEntry) {
            setName(entries.last(), entries.last().rawName + '\n' + raw);
            continue;
        }
        lastWasEntry = line == Line::Entry && entry.rawName != "." && entry.rawName != "..";
        if (lastWasEntry)
            entries.append(entry);
    }
    return entries;
}

void FtpConnection::renameFile(const QString& from, const QString& to) {
    const Hold hold(*this);
    const RemotePath source = resolve(from);
    const RemotePath target = resolve(to);
    const QString action =
        QStringLiteral("Cannot rename %1 to %2").arg(displayPath(source), displayPath(target));
    if (source.parts.isEmpty() || target.parts.isEmpty() || !target.absolute)
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT, action);
    check(
        perform(source.parent(), {},
                {.postQuote = {command("RNFR", source.parts.last()), command("RNTO", displayPath(target))}}),
        action);
}

QDateTime FtpConnection::modificationTime(const QString& name) {
    const Hold hold(*this);
    const RemotePath target = resolve(name);
    if (target.parts.isEmpty())
        throw Error(WO_INET_ERROR_INVALID_ARGUMENT,
                    QStringLiteral("Cannot ask the time of %1").arg(displayPath(target)));
    // libcurl goes on without a time when MDTM is refused; the SIZE it sends next then
    // fails for a missing file or a folder, which has no time either.
    perform(target.parent(), target.parts.last(), {.fileTime = true});
    curl_off_t seconds = -1;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_FILETIME_T, &seconds) != CURLE_OK || seconds < 0)
        return {};
    return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(seconds), Qt::UTC);
}

FtpConnection::RemotePath FtpConnection::resolve(const QString& name) const {
    refuseLineBreaks(name, QStringLiteral("A remote name"));
    RemotePath path = name.startsWith(QLatin1Char('/')) ? RemotePath{true, {}} : m_cwd;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (!path.parts.isEmpty())
                path.parts.removeLast();
        } else if (part != QLatin1String("."))
            path.parts.append(part);
    }
    return path;
}

QByteArray FtpConnection::url(const RemotePath& dir, const QString& file) const {
    // libcurl reads a URL path from the login folder; an encoded "/" as the first
    // segment starts it at the server's root.
    QByteArray url = m_base + (dir.absolute ? "/%2F" : "/");
    for (const QString& part : dir.parts)
        url += QUrl::toPercentEncoding(part) + '/';
    return url + QUrl::toPercentEncoding(file);
}

CURLcode FtpConnection::perform(const RemotePath& dir, const QString& file, const Request& request) {
    // Reset drops the last call's options; the open control connection stays cached.
    curl_easy_reset(m_easy.get());
    m_storeSent = false;
    m_cancelled = false;
    m_callbackError.reset();
    m_request = &request;
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
    if (m_login.useTls) {
        // Everything encrypted or nothing sent: a server without TLS fails the login.
        m_easy.set(CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        m_easy.set(CURLOPT_SSL_VERIFYPEER, 1L);
        m_easy.set(CURLOPT_SSL_VERIFYHOST, 2L);
        if (!m_login.caFile.isEmpty())
            m_easy.set(CURLOPT_CAINFO, QFile::encodeName(m_login.caFile).constData());
    }
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
    if (request.listCommand)
        m_easy.set(CURLOPT_CUSTOMREQUEST, request.listCommand);
    if (request.fileTime)
        m_easy.set(CURLOPT_FILETIME, 1L);
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
    if (request.progress && *request.progress) {
        m_easy.set(CURLOPT_NOPROGRESS, 0L);
        m_easy.set(CURLOPT_XFERINFOFUNCTION, &FtpConnection::onProgress);
        m_easy.set(CURLOPT_XFERINFODATA, this);
    }
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

int FtpConnection::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self) noexcept {
    auto* connection = static_cast<FtpConnection*>(self);
    // Only server replies are kept: what we send includes the password.
    if (type == CURLINFO_HEADER_IN)
        try {
            connection->m_lastReply = QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
        } catch (...) {
            // Out of memory: the reply is only for the message.
        }
    const std::string_view sent(data, type == CURLINFO_HEADER_OUT ? size : 0);
    if (sent.starts_with("STOR "))
        connection->m_storeSent = true;
    return 0;
}

int FtpConnection::onProgress(void* self, curl_off_t downTotal, curl_off_t downNow, curl_off_t,
                              curl_off_t upNow) noexcept {
    auto* connection = static_cast<FtpConnection*>(self);
    const Request& request = *connection->m_request;
    // libcurl learns a download's size from the server's reply, and may not.
    const qint64 total = request.source ? request.source->size() : downTotal > 0 ? qint64(downTotal) : -1;
    const qint64 done = request.source ? qint64(upNow) : qint64(downNow);
    try {
        if ((*request.progress)(done, total))
            return 0;
        connection->m_cancelled = true;
    } catch (const std::exception& e) {
        connection->m_callbackError = errorOf(e);
    } catch (...) {
        connection->m_callbackError =
            Error(WO_INET_ERROR_INTERNAL, QStringLiteral("The progress report failed"));
    }
    return 1;
}

} // namespace wo::inet
