#pragma once

#include "platform/Error.h"
#include "platform/inet/CurlHandles.h"
#include "platform/inet/HandleTable.h"
#include "platform/inet/Inet.h"

#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

class QFile;
class QIODevice;

namespace wo::inet {

struct FtpLogin {
    QString agent;
    QString server;
    quint16 port = WO_INET_DEFAULT_FTP_PORT;
    QString user;
    QString password;
    bool passive = true;
    bool useTls = false;
    // Certificates trusted over TLS instead of the system's, when not empty.
    QString caFile;
};

// One logged-in FTP control connection, kept open across operations, and the
// current folder it resolves relative names against. Failures throw wo::Error;
// operations from several threads run one after the other. A call made on the
// thread whose call is still running (host code run while a transfer shows its
// progress) fails at once with WO_INET_ERROR_TRANSFER_IN_PROGRESS: waiting for
// itself would never end. Names and login texts with CR, LF or NUL are refused
// before anything is sent, since they would end an FTP command early.
class FtpConnection : public HandleObject {
public:
    // Connects and logs in.
    explicit FtpConnection(FtpLogin login);

    void setCurrentDirectory(const QString& dir);
    void createDirectory(const QString& dir);
    // Both report to `progress` as they go and end with error
    // WO_INET_ERROR_OPERATION_CANCELLED when it cancels, leaving nothing behind.
    void putFile(const QString& localPath, const QString& remoteName, const Progress& progress = {});
    void getFile(const QString& remoteName, const QString& localPath, bool failIfExists,
                 const Progress& progress = {});
    void deleteFile(const QString& remoteName);
    // The files and folders in dir: by MLSD, or by a Unix-style "LIST -a" on servers
    // without it. Other entries (links, devices) are left out.
    QList<FtpEntry> listDirectory(const QString& dir);
    // Renames on the server; to must be absolute (RNTO is read from the folder of from).
    void renameFile(const QString& from, const QString& to);
    // The file's time by MDTM, which RFC 3659 gives in UTC; invalid when the server
    // answers none (no such file, a folder, or no MDTM).
    QDateTime modificationTime(const QString& name);
    // The absolute folder the server put this connection in at login; "" when the
    // server did not tell.
    QString loginDirectory() const { return m_loginDirectory; }

private:
    // Holds the connection for one operation (see the class comment).
    class Hold {
    public:
        explicit Hold(FtpConnection& connection);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        FtpConnection& m_connection;
        std::unique_lock<std::mutex> m_lock;
    };

    // A folder or file on the server: from the server's root when absolute, else from
    // the login folder.
    struct RemotePath {
        bool absolute = false;
        QStringList parts;

        RemotePath parent() const { return {absolute, parts.mid(0, parts.size() - 1)}; }
    };

    // What one libcurl transfer does beyond reaching dir (and file, when given).
    struct Request {
        bool nobody = true;
        QIODevice* source = nullptr;
        QIODevice* sink = nullptr;
        QList<QByteArray> postQuote = {};
        // Sent instead of LIST when the URL names a folder.
        const char* listCommand = nullptr;
        // Asks the file's time (MDTM) with nobody.
        bool fileTime = false;
        const Progress* progress = nullptr;
    };

    RemotePath resolve(const QString& name) const;
    QByteArray url(const RemotePath& dir, const QString& file) const;
    CURLcode perform(const RemotePath& dir, const QString& file, const Request& request);
    // Stores without a temporary name, on servers that refuse renaming.
    CURLcode storeDirectly(QFile& file, const RemotePath& dir, const QString& name, const Progress& progress);
    // Best effort: the server may refuse or be gone.
    void removeQuietly(const RemotePath& dir, const QString& name);
    Error failure(CURLcode code, const QString& action) const;
    void check(CURLcode code, const QString& action) const;

    static int onDebug(CURL* handle, curl_infotype type, char* data, size_t size, void* self) noexcept;
    static int onProgress(void* self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                          curl_off_t upNow) noexcept;

    CurlGlobal m_global;
    const FtpLogin m_login;
    QByteArray m_base;
    QString m_server;
    EasyHandle m_easy;
    // Declared after m_easy: it closes the cached connection first.
    MultiHandle m_multi;
    StringList m_postQuote;
    std::array<char, CURL_ERROR_SIZE> m_errorText{};
    QString m_lastReply;
    RemotePath m_cwd;
    QString m_loginDirectory;
    // Whether this transfer sent STOR, seen in libcurl's trace: tells an upload that
    // never began from one that left a file.
    bool m_storeSent = false;
    // The server refused to rename an upload; later ones store under the final name.
    bool m_renameRefused = false;
    // The server does not know MLSD; folders are listed by LIST.
    bool m_mlsdRefused = false;
    // The running transfer's progress callback, and whether it cancelled or failed.
    const Request* m_request = nullptr;
    bool m_cancelled = false;
    std::optional<Error> m_callbackError;
    std::mutex m_mutex;
    std::atomic<std::thread::id> m_owner;
};

} // namespace wo::inet
