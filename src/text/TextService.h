#pragma once

#include "settings/MyInit.h"
#include "text/TextEvents.h"
#include "wo_internal_export.h"

#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace wo::text {

// The reading of the documents' text in the background while the component's windows
// run: a thread of its own on a connection of its own (a copy of the host's), each
// page read by the reading program. Documents an add stores are read as soon as it is
// committed; documents of a record still without text are found again at the next
// start. With search off, nothing of this runs.
class WO_INTERNAL TextService {
public:
    static TextService& instance();

    struct Settings {
        bool enabled = false;
        QString languages;
    };
    // Called on the host's thread when the component starts working on a record
    // (ShowForm, AddOriginalFile). Creates the text tables when missing, the first time
    // for a database; when they cannot be created, says so once and leaves search off.
    // Then reads the record's documents that have no text. False when search is off.
    bool start(const settings::Record& record, const Settings& settings);
    // Ends the background reading: a page being read is abandoned and its document
    // waits for the next start.
    void stop();
    // True while every queued job is done (for callers that wait for the reading).
    bool idle();
    // Tells when the reading of a document ended; connect on the user-interface thread.
    TextEvents& events() { return m_events; }

    TextService(const TextService&) = delete;
    TextService& operator=(const TextService&) = delete;

private:
    TextService() = default;
    ~TextService() = default;

    struct Job {
        enum class Kind { Read, Forget } kind;
        QString id;
    };
    struct Context {
        db::Connection::CopySource source;
        settings::Storage storage;
        QString recordId;
        QString languages;
    };
    void post(Job job);
    void run();
    void runJob(const Job& job, const Context& context, com::ComPtr<db::Connection>& own, QString& ownSource);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    Context m_context;
    std::thread m_worker;
    // Databases whose tables were checked, by the host connection's name; and those where they cannot be.
    QStringList m_ready;
    QStringList m_refused;
    // Made with the service, on the host's thread: the reading thread never makes it.
    TextEvents m_events;
};

} // namespace wo::text
