#pragma once
// Batches worked on by a few threads at once and handed back in the order they were given.
//
// The giving thread fills a free slot and submits it; a worker takes the oldest submitted slot
// and works on it; the giving thread takes the done slots back one by one, oldest first, and
// releases each when it is through with it. The slots are a ring, so memory stays that of the
// slots whatever the number of batches. Everything a worker wrote into a slot is seen by the
// giving thread once takeOldest returns it (the handover goes through the one mutex).

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace mervalon::engine {

template <typename Batch> class OrderedWork {
  public:
    /// `work(batch, worker)` runs on worker thread `worker` (0 .. workers-1); a worker's own
    /// state can be kept by that index, since a worker works on one batch at a time.
    using Work = std::function<void(Batch&, std::size_t)>;

    OrderedWork(std::size_t workers, std::size_t slots, Work work) : m_slots(slots), m_work(std::move(work))
    {
        m_threads.reserve(workers);
        try {
            for (std::size_t worker = 0; worker < workers; ++worker) {
                m_threads.emplace_back([this, worker] { serve(worker); });
            }
        } catch (...) {
            close(); // a thread could not be started: those that were are ended
            throw;
        }
    }

    ~OrderedWork() { close(); }

    OrderedWork(const OrderedWork&) = delete;
    OrderedWork& operator=(const OrderedWork&) = delete;

    /// The next slot to fill, or nullptr while every slot is submitted or not yet released.
    Batch* freeSlot()
    {
        std::lock_guard lock(m_mutex);
        return m_given - m_released < m_slots.size() ? &m_slots[m_given % m_slots.size()].batch : nullptr;
    }

    /// The slot freeSlot() handed out is filled: a worker may take it.
    void submit()
    {
        {
            std::lock_guard lock(m_mutex);
            m_slots[m_given % m_slots.size()].state = State::Submitted;
            ++m_given;
        }
        m_submitted.notify_one();
    }

    /// True while some submitted slot has not been released.
    [[nodiscard]] bool pending() const
    {
        std::lock_guard lock(m_mutex);
        return m_released < m_given;
    }

    /// The oldest slot not yet released, once its work is done. Only while pending().
    Batch& takeOldest()
    {
        std::unique_lock lock(m_mutex);
        Slot& slot = m_slots[m_released % m_slots.size()];
        m_done.wait(lock, [&] { return slot.state == State::Done; });
        return slot.batch;
    }

    /// Works on the oldest submitted slot no worker has taken yet, on the calling thread as
    /// worker `worker` (an index of its own, beyond the threads'): the giving thread lends a
    /// hand while it would otherwise wait. False when there was none to take.
    bool workOnNext(std::size_t worker)
    {
        std::unique_lock lock(m_mutex);
        if (m_taken == m_given) {
            return false;
        }
        work(lock, worker);
        return true;
    }

    /// True when the oldest slot not yet released is done (takeOldest would not wait).
    [[nodiscard]] bool oldestDone() const
    {
        std::lock_guard lock(m_mutex);
        return m_slots[m_released % m_slots.size()].state == State::Done;
    }

    /// The slot takeOldest() returned may be filled again.
    void releaseOldest()
    {
        std::lock_guard lock(m_mutex);
        m_slots[m_released % m_slots.size()].state = State::Free;
        ++m_released;
    }

  private:
    enum class State { Free, Submitted, Working, Done };

    void close()
    {
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_submitted.notify_all();
        for (std::thread& thread : m_threads) {
            thread.join();
        }
    }
    struct Slot {
        Batch batch;
        State state = State::Free;
    };

    void serve(std::size_t worker)
    {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_submitted.wait(lock, [&] { return m_closing || m_taken < m_given; });
            if (m_closing) {
                return;
            }
            work(lock, worker);
        }
    }

    // Takes the oldest submitted slot and works on it; `lock` holds the mutex, and holds it again
    // when the work is done.
    void work(std::unique_lock<std::mutex>& lock, std::size_t worker)
    {
        Slot& slot = m_slots[m_taken % m_slots.size()];
        ++m_taken;
        slot.state = State::Working;
        lock.unlock();
        m_work(slot.batch, worker);
        lock.lock();
        slot.state = State::Done;
        m_done.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_submitted;
    std::condition_variable m_done;
    std::vector<Slot> m_slots;
    Work m_work;
    std::vector<std::thread> m_threads;
    std::size_t m_given = 0;    // slots submitted so far
    std::size_t m_taken = 0;    // of these, taken by a worker
    std::size_t m_released = 0; // of these, released by the giving thread
    bool m_closing = false;
};

} // namespace mervalon::engine
