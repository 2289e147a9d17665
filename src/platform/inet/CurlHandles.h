#pragma once

#include <QByteArray>
#include <curl/curl.h>

namespace wo::inet {

// One lease on libcurl's global state: the first lease initialises it, the last
// one cleans it up.
class CurlGlobal {
public:
    CurlGlobal();
    ~CurlGlobal();
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
};

// Owns one easy handle.
class EasyHandle {
public:
    EasyHandle();
    ~EasyHandle();
    EasyHandle(EasyHandle&& other) noexcept;
    EasyHandle& operator=(EasyHandle&& other) noexcept;

    CURL* get() const { return m_handle; }
    template <typename T> void set(CURLoption option, T value) {
        check(curl_easy_setopt(m_handle, option, value), option);
    }

private:
    static void check(CURLcode code, CURLoption option);

    CURL* m_handle;
};

// Owns one multi handle. Its connection cache keeps a control connection open
// between transfers.
class MultiHandle {
public:
    MultiHandle();
    ~MultiHandle();
    MultiHandle(MultiHandle&& other) noexcept;
    MultiHandle& operator=(MultiHandle&& other) noexcept;

    // Runs easy's transfer to its end.
    CURLcode run(const EasyHandle& easy);

private:
    CURLcode drive(CURL* easy);

    CURLM* m_handle;
};

// Owns one string list, as quote commands need.
class StringList {
public:
    StringList() = default;
    ~StringList();
    StringList(StringList&& other) noexcept;
    StringList& operator=(StringList&& other) noexcept;

    void append(const QByteArray& text);
    curl_slist* get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

// The error number a libcurl result stands for.
int errorNumber(CURLcode code);

} // namespace wo::inet
