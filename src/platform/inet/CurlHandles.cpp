#include "platform/inet/CurlHandles.h"

#include "platform/Error.h"
#include "wendra/inet.h"

#include <mutex>
#include <utility>

namespace wo::inet {

namespace {

std::mutex g_globalMutex;
int g_globalLeases = 0;

} // namespace

CurlGlobal::CurlGlobal() {
    std::lock_guard lock(g_globalMutex);
    if (g_globalLeases == 0) {
        const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (code != CURLE_OK)
            throw Error(
                WO_INET_ERROR_INTERNAL,
                QStringLiteral("libcurl cannot start: %1").arg(QString::fromUtf8(curl_easy_strerror(code))));
    }
    ++g_globalLeases;
}

CurlGlobal::~CurlGlobal() {
    std::lock_guard lock(g_globalMutex);
    if (--g_globalLeases == 0)
        curl_global_cleanup();
}

EasyHandle::EasyHandle() : m_handle(curl_easy_init()) {
    if (!m_handle)
        throw Error(WO_INET_ERROR_INTERNAL, QStringLiteral("libcurl cannot create a transfer handle"));
}

EasyHandle::~EasyHandle() {
    if (m_handle)
        curl_easy_cleanup(m_handle);
}

EasyHandle::EasyHandle(EasyHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}

EasyHandle& EasyHandle::operator=(EasyHandle&& other) noexcept {
    std::swap(m_handle, other.m_handle);
    return *this;
}

void EasyHandle::check(CURLcode code, CURLoption option) {
    if (code != CURLE_OK)
        throw Error(WO_INET_ERROR_INTERNAL, QStringLiteral("libcurl refuses option %1: %2")
                                                .arg(static_cast<int>(option))
                                                .arg(QString::fromUtf8(curl_easy_strerror(code))));
}

namespace {

// libcurl 7.88 can miss the timer that opens an FTP data connection and then sits
// out its full one-second poll; polling in short slices keeps transfers moving.
constexpr int kPollMilliseconds = 20;

void checkMulti(CURLMcode code) {
    if (code != CURLM_OK)
        throw Error(
            WO_INET_ERROR_INTERNAL,
            QStringLiteral("libcurl transfer failed: %1").arg(QString::fromUtf8(curl_multi_strerror(code))));
}

} // namespace

MultiHandle::MultiHandle() : m_handle(curl_multi_init()) {
    if (!m_handle)
        throw Error(WO_INET_ERROR_INTERNAL, QStringLiteral("libcurl cannot create a transfer group"));
}

MultiHandle::~MultiHandle() {
    if (m_handle)
        curl_multi_cleanup(m_handle);
}

MultiHandle::MultiHandle(MultiHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}

MultiHandle& MultiHandle::operator=(MultiHandle&& other) noexcept {
    std::swap(m_handle, other.m_handle);
    return *this;
}

CURLcode MultiHandle::run(const EasyHandle& easy) {
    checkMulti(curl_multi_add_handle(m_handle, easy.get()));
    CURLcode result = CURLE_OK;
    try {
        result = drive(easy.get());
    } catch (const Error&) {
        // The transfer's own error is the one to report.
        static_cast<void>(curl_multi_remove_handle(m_handle, easy.get()));
        throw;
    }
    // Leaving the group lets the next transfer join it.
    checkMulti(curl_multi_remove_handle(m_handle, easy.get()));
    return result;
}

CURLcode MultiHandle::drive(CURL* easy) {
    int running = 1;
    for (;;) {
        checkMulti(curl_multi_perform(m_handle, &running));
        if (running == 0)
            break;
        checkMulti(curl_multi_poll(m_handle, nullptr, 0, kPollMilliseconds, nullptr));
    }
    int queued = 0;
    while (const CURLMsg* message = curl_multi_info_read(m_handle, &queued))
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy)
            return message->data.result;
    throw Error(WO_INET_ERROR_INTERNAL, QStringLiteral("libcurl ended a transfer without a result"));
}

StringList::~StringList() {
    curl_slist_free_all(m_list);
}

StringList::StringList(StringList&& other) noexcept : m_list(std::exchange(other.m_list, nullptr)) {}

StringList& StringList::operator=(StringList&& other) noexcept {
    std::swap(m_list, other.m_list);
    return *this;
}

void StringList::append(const QByteArray& text) {
    // On failure the old list stays valid and owned.
    curl_slist* grown = curl_slist_append(m_list, text.constData());
    if (!grown)
        throw Error(WO_INET_ERROR_INTERNAL, QStringLiteral("Out of memory building an FTP command list"));
    m_list = grown;
}

int errorNumber(CURLcode code) {
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return WO_INET_ERROR_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_HOST:
        return WO_INET_ERROR_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return WO_INET_ERROR_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return WO_INET_ERROR_TIMEOUT;
    case CURLE_LOGIN_DENIED:
        return WO_INET_ERROR_LOGIN_FAILURE;
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
        return WO_INET_ERROR_SECURITY;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return WO_INET_ERROR_CONNECTION_ABORTED;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_QUOTE_ERROR:
    case CURLE_UPLOAD_FAILED:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_COULDNT_SET_TYPE:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_COULDNT_USE_REST:
        return WO_INET_ERROR_EXTENDED;
    default:
        return WO_INET_ERROR_INTERNAL;
    }
}

} // namespace wo::inet
