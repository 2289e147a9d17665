#pragma once

#include <atomic>

namespace wo::imaging {

// How many rows of a page are decoded so far: the decoder moves it on, a reader
// on another thread waits on it to work on the top of the page meanwhile.
class DecodedRows {
public:
    // Rows [0, rows) are done.
    void advance(int rows) {
        m_state.store(rows, std::memory_order_release);
        m_state.notify_all();
    }
    // No more rows come, whether the page is complete or not.
    void stop() {
        m_state.fetch_or(Stopped, std::memory_order_release);
        m_state.notify_all();
    }
    // Blocks until `rows` rows are done or no more come; returns the rows done.
    int waitFor(int rows) const {
        for (;;) {
            const int state = m_state.load(std::memory_order_acquire);
            if (state & Stopped)
                return state & ~Stopped;
            if (state >= rows)
                return state;
            m_state.wait(state, std::memory_order_acquire);
        }
    }

private:
    // The rows done, with this bit set once no more come.
    static constexpr int Stopped = 1 << 30;
    std::atomic<int> m_state{0};
};

} // namespace wo::imaging
