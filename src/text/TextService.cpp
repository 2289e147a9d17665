#include "text/TextService.h"

#include "platform/Error.h"
#include "platform/dialogs/Dialogs.h"
#include "record/RowRules.h"
#include "store/DocumentEvents.h"
#include "text/Indexer.h"
#include "transfer/CacheFolder.h"

#include <QFileInfo>
#include <algorithm>

namespace wo::text {

TextService& TextService::instance() {
    // Never destroyed: at process exit the database layer may be gone first; a host
    // ends the reading through WoShutdown.
    static TextService& s_service = *new TextService;
    return s_service;
}

bool TextService::start(const settings::Record& record, const Settings& settings) {
    if (!settings.enabled || !record.connection)
        return false;
    const db::Connection::CopySource source = db::Connection::copySource(*record.connection);
    if (m_refused.contains(source.connectionName))
        return false;
    if (!m_ready.contains(source.connectionName)) {
        try {
            const auto own = db::Connection::openCopy(source);
            TextTable(*own).ensure();
            m_ready << source.connectionName;
        } catch (const Error& e) {
            m_refused << source.connectionName;
            dialogs::inform(nullptr, e.description(), QStringLiteral("全文检索"), dialogs::Icon::Exclamation);
            return false;
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_context = {source, record.storage, record.recordId,
                     settings.languages.isEmpty() ? ReadOptions().languages : settings.languages};
        m_stopping = false;
        if (!m_worker.joinable())
            m_worker = std::thread([this] { run(); });
    }
    store::setDocumentListener({[this](const QString& id) {
                                    post({Job::Kind::Read, id});
                                },
                                [this](const QString& id) {
                                    post({Job::Kind::Forget, id});
                                }});
    post({Job::Kind::Read, {}});
    return true;
}

void TextService::stop() {
    store::setDocumentListener({});
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    m_worker = std::thread();
}

bool TextService::idle() {
    std::lock_guard lock(m_mutex);
    return m_jobs.empty() && !m_busy;
}

void TextService::post(Job job) {
    {
        std::lock_guard lock(m_mutex);
        // One reading pass covers every document waiting in the record.
        const bool queued =
            job.kind == Job::Kind::Read &&
            std::any_of(m_jobs.begin(), m_jobs.end(), [](const Job& j) { return j.kind == Job::Kind::Read; });
        if (!queued)
            m_jobs.push_back(std::move(job));
    }
    m_wake.notify_all();
}

void TextService::run() {
    com::ComPtr<db::Connection> own;
    QString ownSource;
    for (;;) {
        Job job;
        Context context;
        {
            std::unique_lock lock(m_mutex);
            m_busy = false;
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                break;
            job = m_jobs.front();
            m_jobs.pop_front();
            context = m_context;
            m_busy = true;
        }
        try {
            runJob(job, context, own, ownSource);
        } catch (const Error&) {
            // The documents stay waiting; the next start reads them.
            own = nullptr;
        }
    }
    // The copy was opened on this thread and goes with it.
    own = nullptr;
    std::lock_guard lock(m_mutex);
    m_busy = false;
}

void TextService::runJob(const Job& job, const Context& context, com::ComPtr<db::Connection>& own,
                         QString& ownSource) {
    if (!own || ownSource != context.source.connectionName) {
        own = nullptr;
        own = db::Connection::openCopy(context.source);
        ownSource = context.source.connectionName;
    }
    TextTable table(*own);
    if (job.kind == Job::Kind::Forget) {
        table.remove(job.id);
        return;
    }
    TextQueue queue(*own, TextQueue::newOwner());
    IndexOptions options;
    options.recordId = context.recordId;
    options.read.languages = context.languages;
    const auto stopping = [this] {
        std::lock_guard lock(m_mutex);
        return m_stopping;
    };
    options.read.cancelled = stopping;
    options.stop = stopping;
    options.progress = [this](int, int, const QString&) { emit m_events.documentRead(); };
    if (context.storage.ftpMode) {
        // The host's FTP connection belongs to its thread: only copies already in the
        // download cache are read here; the others wait for wendra-index or a later start.
        options.localFile = [](const PendingDocument& d) {
            if (!record::isPlainName(d.id + d.type))
                return QString();
            const QString cached = transfer::cacheFolder() + u'/' + d.id + d.type;
            return QFileInfo(cached).isFile() ? cached : QString();
        };
    }
    indexDocuments(table, queue, context.storage, options);
}

} // namespace wo::text
