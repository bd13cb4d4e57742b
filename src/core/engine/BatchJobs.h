#pragma once
// A run's files converted several at once, each job on a thread of its own.
//
// Each job converts one file at a time into a section of its own (a RunLog held in memory);
// the calling thread appends the sections to the report in the files' order as they become
// complete, so that the report is the one a run converting one file at a time writes. A job
// runs at most a few files ahead of the oldest file not yet in the report, so that memory
// stays small; a file that makes the same drawing as an earlier one waits for it, since
// whether it may is decided by how the earlier one ended.

#include "core/engine/BatchRun.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace mervalon::engine {

class ProgressSink;
class RunLog;

/// The drawings a run has made, by their normalised path; shared by its jobs.
class CreatedDrawings {
  public:
    [[nodiscard]] bool contains(const std::string& key) const;
    void add(const std::string& key);

  private:
    mutable std::mutex m_mutex;
    std::set<std::string> m_keys;
};

/// Converts single files of a run, one at a time, on the thread of one job.
class FileJob {
  public:
    virtual ~FileJob() = default;
    /// Converts file `index` into `section`; false when the run must end after it.
    virtual bool convert(std::size_t index, RunLog& section, FileResult& result) = 0;
};

/// Makes a job whose conversions ask `stop` whether the run must end.
using FileJobMaker = std::function<std::unique_ptr<FileJob>(ProgressSink& stop)>;

/// What runFilesInJobs adds to a run's summary.
struct JobsOutcome {
    std::size_t filesConverted = 0;
    std::size_t filesSkipped = 0;
    std::size_t filesWithErrors = 0;
    bool stopped = false;
};

/// Converts every file of `request` with `jobs` jobs, appending each file's section to `report`
/// in order and telling request.fileEnded; `progress` (asked only on this thread) is told of
/// each file appended and asked whether to stop. After a stop the blocks of every file begun
/// are appended in order, and the report ends with ">> Process aborted.".
JobsOutcome runFilesInJobs(const RunRequest& request, unsigned jobs, RunLog& report, ProgressSink& progress,
                           const FileJobMaker& makeJob);

/// The jobs a request's run uses: 1 for AbortProcess or a single file; request.jobs, with 0
/// meaning one per processor.
unsigned jobsFor(const RunRequest& request);

} // namespace mervalon::engine
