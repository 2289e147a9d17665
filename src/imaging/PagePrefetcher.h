#pragma once

#include "imaging/PageDocument.h"
#include "imaging/PageDrawing.h"
#include "wo_internal_export.h"

#include <QImage>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace wo::imaging {

// Prepares the page a view will most likely show next on a thread of its own, so a
// flip to it decodes nothing: the page decoded for the view and the parts the view
// paints first. One page at a time: a newer request replaces one not yet started
// and a finished page not yet taken, so besides the page shown at most one page is
// being made and one waits.
class WO_INTERNAL PagePrefetcher {
public:
    // A page as a view takes it over.
    struct Prepared {
        PageDocument::ViewPage page;
        struct Drawn {
            drawing::Part part;
            QImage image;
        };
        std::vector<Drawn> drawn;
    };
    // The parts a view paints first of a page of that size; called on the prefetch thread.
    using PartsFor = std::function<std::vector<drawing::Part>(QSize page)>;

    PagePrefetcher();
    // Waits for a page being made.
    ~PagePrefetcher();
    PagePrefetcher(const PagePrefetcher&) = delete;
    PagePrefetcher& operator=(const PagePrefetcher&) = delete;

    // Starts making page `index` (from 0) of the file at `path` as a view with these
    // wishes would: decoded at `scaleFor`, drawn at `partsFor`.
    void prefetch(const QString& path, int index, PageDocument::ScaleFor scaleFor, PartsFor partsFor);
    // The page when it was asked for: waits while it is being made. Otherwise none,
    // and whatever is waiting or being made for another page is given up, so a view
    // that decodes the page itself never waits for the prefetch.
    std::optional<Prepared> take(const QString& path, int index);
    // Gives up what waits or is being made, and opens files afresh from then on (the
    // file is changing, the view closes).
    void cancel();

private:
    struct Key {
        QString path;
        int index = -1;
        bool operator==(const Key&) const = default;
    };
    struct Job {
        Key key;
        PageDocument::ScaleFor scaleFor;
        PartsFor partsFor;
    };
    void run();
    std::optional<Prepared> make(const Job& job);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Job> m_queued;
    // The page being made, while it is still wanted.
    std::optional<Key> m_making;
    std::optional<std::pair<Key, Prepared>> m_ready;
    bool m_stop = false;
    // Set by cancel(): the next page opens its file afresh.
    bool m_reopen = false;
    // Used on the prefetch thread only: the file of the last page made, kept open for the next.
    std::unique_ptr<PageDocument> m_doc;
    std::thread m_thread;
};

// The page worth preparing once page `page` (from 1) of `pages` is shown, reached by
// `step` pages from the one before (0: a document newly shown): the one before after a
// step back, else the next; after the last page the first page of `nextFile`, the
// next document's local copy ("" when none is at hand). `file` is "" for the same file.
struct PrefetchTarget {
    QString file;
    int page = 0;
    bool operator==(const PrefetchTarget&) const = default;
};
WO_INTERNAL std::optional<PrefetchTarget> prefetchTarget(int page, int pages, int step,
                                                         const QString& nextFile);

} // namespace wo::imaging
