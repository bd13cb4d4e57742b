#pragma once

namespace mervalon::engine {

/// What a faulty line does to its file and to the run.
enum class ErrorPolicy { SkipLine, AbortFile, AbortProcess };

} // namespace mervalon::engine
