#include "core/engine/BatchJobs.h"

#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

namespace mervalon::engine {
namespace {

// How far a job may run ahead of the oldest file not yet in the report, in files per job.
constexpr std::size_t kRunAheadPerJob = 4;
// How often the calling thread asks whether the user wants the run to stop.
constexpr std::chrono::milliseconds kStopPollInterval{50};

// What a job's conversions see of the run: only whether to stop.
class StopFlag : public SilentProgress {
  public:
    explicit StopFlag(const std::atomic<bool>& stop) : m_stop(stop) {}
    [[nodiscard]] bool isStopRequested() const override { return m_stop.load(std::memory_order_relaxed); }

  private:
    const std::atomic<bool>& m_stop;
};

struct Slot {
    RunLog section;
    FileResult result;
    bool started = false;
    bool done = false;
    bool goOn = true;
};

class Jobs {
  public:
    Jobs(const RunRequest& request, unsigned jobs, RunLog& report, ProgressSink& progress)
        : m_request(request), m_jobs(jobs), m_report(report), m_progress(progress), m_count(request.files.size()),
          m_earlierAlike(m_count, m_count)
    {
        for (std::size_t i = 0; i < m_count; ++i) {
            m_slots.push_back(std::make_unique<Slot>());
        }
        // Each file that makes the same drawing as an earlier one waits for that one.
        std::map<std::string, std::size_t> last;
        for (std::size_t i = 0; i < m_count; ++i) {
            const std::string key = std::filesystem::path(request.files[i].destination).lexically_normal().string();
            if (const auto found = last.find(key); found != last.end()) {
                m_earlierAlike[i] = found->second;
            }
            last[key] = i;
        }
    }

    JobsOutcome run(const FileJobMaker& makeJob)
    {
        std::vector<std::thread> threads;
        threads.reserve(m_jobs);
        for (unsigned j = 0; j < m_jobs; ++j) {
            threads.emplace_back([this, &makeJob] { work(makeJob); });
        }
        try {
            gather();
        } catch (...) {
            end(true);
            for (std::thread& thread : threads) {
                thread.join();
            }
            throw;
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        if (m_failure) {
            std::rethrow_exception(m_failure);
        }
        return m_outcome;
    }

  private:
    // No file is begun after this; with `stop`, the files being converted stop at their next line.
    void end(bool stop)
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        if (stop) {
            m_stop = true;
        }
        m_changed.notify_all();
    }

    bool mayBegin(std::size_t index) const
    {
        return index < m_appended + kRunAheadPerJob * m_jobs &&
               (m_earlierAlike[index] == m_count || m_slots[m_earlierAlike[index]]->done);
    }

    void work(const FileJobMaker& makeJob)
    {
        try {
            StopFlag stop(m_stop);
            const std::unique_ptr<FileJob> job = makeJob(stop);
            RunLog section;
            while (true) {
                std::size_t index = 0;
                {
                    std::unique_lock lock(m_mutex);
                    m_changed.wait(lock, [&] { return m_ended || m_next >= m_count || mayBegin(m_next); });
                    if (m_ended || m_next >= m_count) {
                        return;
                    }
                    index = m_next++;
                    m_slots[index]->started = true;
                }
                Slot& slot = *m_slots[index];
                slot.result.index = index;
                const bool goOn = job->convert(index, section, slot.result);
                slot.section.appendSection(section);
                const std::lock_guard lock(m_mutex);
                slot.goOn = goOn;
                slot.done = true;
                if (!goOn) {
                    m_ended = true;
                }
                m_changed.notify_all();
            }
        } catch (...) {
            const std::lock_guard lock(m_mutex);
            if (!m_failure) {
                m_failure = std::current_exception();
            }
            m_ended = true;
            m_stop = true;
            m_changed.notify_all();
        }
    }

    // On the calling thread: appends the files' sections in order as they become complete.
    void gather()
    {
        bool lastWasStopped = false;
        std::unique_lock lock(m_mutex);
        while (m_appended < m_count) {
            m_changed.wait_for(lock, kStopPollInterval, [&] {
                const Slot& next = *m_slots[m_appended];
                return next.done || (m_ended && !next.started) || m_failure;
            });
            if (!m_stop && m_progress.isStopRequested()) {
                m_stop = true;
                m_ended = true;
                m_outcome.stopped = true;
                m_changed.notify_all();
            }
            if (m_failure) {
                return;
            }
            Slot& slot = *m_slots[m_appended];
            if (slot.done) {
                lock.unlock();
                append(slot);
                lastWasStopped = slot.result.status == FileStatus::Aborted;
                lock.lock();
                ++m_appended;
                m_changed.notify_all();
                continue;
            }
            if (m_ended && !slot.started) {
                // Ended before this file was begun: files begun after it (none, since files are
                // begun in order) would follow; the run is over.
                break;
            }
        }
        lock.unlock();
        if (m_outcome.stopped && !lastWasStopped) {
            m_report.emptyLine();
            m_report.line(">> Process aborted.");
            m_report.flush();
        }
    }

    void append(Slot& slot)
    {
        m_progress.fileStarted(slot.result.index + 1, m_count);
        m_progress.pumpEvents();
        slot.result.errorLines = slot.section.errorLines();
        slot.result.warningLines = slot.section.warningLines();
        if (slot.section.errorLines() > 0) {
            ++m_outcome.filesWithErrors;
        }
        if (slot.result.status == FileStatus::Converted) {
            ++m_outcome.filesConverted;
        } else if (slot.result.status == FileStatus::Skipped) {
            ++m_outcome.filesSkipped;
        } else if (slot.result.status == FileStatus::Aborted) {
            m_outcome.stopped = true;
        }
        m_report.appendSection(slot.section);
        m_report.flush();
        if (m_request.fileEnded) {
            m_request.fileEnded(slot.result);
        }
        slot.result.errors.clear();
        slot.result.errors.shrink_to_fit();
    }

    const RunRequest& m_request;
    const unsigned m_jobs;
    RunLog& m_report;
    ProgressSink& m_progress;
    const std::size_t m_count;
    std::vector<std::size_t> m_earlierAlike; // the earlier file making the same drawing, or m_count
    std::vector<std::unique_ptr<Slot>> m_slots;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_next = 0;     // the next file to begin
    std::size_t m_appended = 0; // files whose sections are in the report
    bool m_ended = false;
    std::atomic<bool> m_stop{false};
    std::exception_ptr m_failure;
    JobsOutcome m_outcome;
};

} // namespace

bool CreatedDrawings::contains(const std::string& key) const
{
    const std::lock_guard lock(m_mutex);
    return m_keys.count(key) != 0;
}

void CreatedDrawings::add(const std::string& key)
{
    const std::lock_guard lock(m_mutex);
    m_keys.insert(key);
}

JobsOutcome runFilesInJobs(const RunRequest& request, unsigned jobs, RunLog& report, ProgressSink& progress,
                           const FileJobMaker& makeJob)
{
    Jobs run(request, std::max(1u, jobs), report, progress);
    return run.run(makeJob);
}

unsigned jobsFor(const RunRequest& request)
{
    if (request.errorPolicy == ErrorPolicy::AbortProcess || request.files.size() < 2) {
        return 1;
    }
    const unsigned wanted = request.jobs == 0 ? std::max(1u, std::thread::hardware_concurrency()) : request.jobs;
    return static_cast<unsigned>(std::min<std::size_t>(wanted, request.files.size()));
}

} // namespace mervalon::engine
