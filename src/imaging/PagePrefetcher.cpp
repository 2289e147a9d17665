#include "imaging/PagePrefetcher.h"

#include <exception>
#include <utility>

namespace wo::imaging {

PagePrefetcher::PagePrefetcher() : m_thread([this] { run(); }) {}

PagePrefetcher::~PagePrefetcher() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
        m_queued.reset();
    }
    m_changed.notify_all();
    m_thread.join();
}

void PagePrefetcher::prefetch(const QString& path, int index, PageDocument::ScaleFor scaleFor,
                              PartsFor partsFor) {
    {
        const std::lock_guard lock(m_mutex);
        const Key key{path, index};
        if (m_making == key || (m_ready && m_ready->first == key))
            return;
        // Only the newest wish is kept: the page the user is heading for.
        m_ready.reset();
        m_making.reset();
        m_queued = Job{key, std::move(scaleFor), std::move(partsFor)};
    }
    m_changed.notify_all();
}

std::optional<PagePrefetcher::Prepared> PagePrefetcher::take(const QString& path, int index) {
    const Key key{path, index};
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_making != key && !(m_queued && m_queued->key == key); });
    if (m_ready && m_ready->first == key) {
        Prepared prepared = std::move(m_ready->second);
        m_ready.reset();
        return prepared;
    }
    m_queued.reset();
    m_making.reset();
    m_ready.reset();
    return std::nullopt;
}

void PagePrefetcher::cancel() {
    const std::lock_guard lock(m_mutex);
    m_reopen = true;
    m_queued.reset();
    m_making.reset();
    m_ready.reset();
}

void PagePrefetcher::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || m_queued; });
            if (m_stop)
                return;
            job = std::move(*m_queued);
            m_queued.reset();
            m_making = job.key;
            // The file may have been replaced under the same name (a fresh scan).
            if (std::exchange(m_reopen, false))
                m_doc.reset();
        }
        std::optional<Prepared> prepared = make(job);
        {
            const std::lock_guard lock(m_mutex);
            // Given up meanwhile: the page goes at once, keeping memory to the pages wanted.
            if (m_making == job.key && prepared)
                m_ready.emplace(job.key, std::move(*prepared));
            if (m_making == job.key)
                m_making.reset();
        }
        m_changed.notify_all();
    }
}

std::optional<PagePrefetcher::Prepared> PagePrefetcher::make(const Job& job) {
    // Nothing may escape the thread: a page that fails here fails again, with its
    // message, when the view decodes it itself.
    try {
        if (!m_doc || m_doc->path() != job.key.path)
            m_doc = std::make_unique<PageDocument>(job.key.path);
        if (!m_doc->hasPage(job.key.index))
            return std::nullopt;
        Prepared prepared{m_doc->pageForView(job.key.index, job.scaleFor), {}};
        if (!prepared.page.image.isNull())
            for (const drawing::Part& part : job.partsFor(prepared.page.size))
                prepared.drawn.push_back({part, drawing::drawRaster(prepared.page.image, prepared.page.size,
                                                                    part.scale, part.part)});
        return prepared;
    } catch (const std::exception&) {
        m_doc.reset();
    }
    return std::nullopt;
}

std::optional<PrefetchTarget> prefetchTarget(int page, int pages, int step, const QString& nextFile) {
    if (step < 0)
        return page > 1 ? std::optional<PrefetchTarget>({QString(), page - 1}) : std::nullopt;
    if (page < pages)
        return PrefetchTarget{QString(), page + 1};
    return nextFile.isEmpty() ? std::nullopt : std::optional<PrefetchTarget>({nextFile, 1});
}

} // namespace wo::imaging
