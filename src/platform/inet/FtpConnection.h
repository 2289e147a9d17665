#pragma once

#include "platform/Error.h"
#include "platform/inet/CurlHandles.h"
#include "platform/inet/HandleTable.h"

#include <QString>
#include <QStringList>
#include <array>
#include <mutex>

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
};

// One logged-in FTP control connection, kept open across operations, and the
// current folder it resolves relative names against. Failures throw wo::Error;
// operations from several threads run one after the other.
class FtpConnection : public HandleObject {
public:
    // Connects and logs in.
    explicit FtpConnection(FtpLogin login);

    void setCurrentDirectory(const QString& dir);
    void createDirectory(const QString& dir);
    void putFile(const QString& localPath, const QString& remoteName);
    void getFile(const QString& remoteName, const QString& localPath, bool failIfExists);
    void deleteFile(const QString& remoteName);

private:
    // What one libcurl transfer does beyond reaching dir (and file, when given).
    struct Request {
        bool nobody = true;
        QIODevice* source = nullptr;
        QIODevice* sink = nullptr;
        QList<QByteArray> postQuote;
    };

    QStringList resolve(const QString& name) const;
    QByteArray url(const QStringList& dir, const QString& file) const;
    CURLcode perform(const QStringList& dir, const QString& file, const Request& request);
    Error failure(CURLcode code, const QString& action) const;
    void check(CURLcode code, const QString& action) const;

    static int onDebug(CURL* handle, curl_infotype type, char* data, size_t size, void* self);

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
    QStringList m_cwd;
    std::mutex m_mutex;
};

} // namespace wo::inet
