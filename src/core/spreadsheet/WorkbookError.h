#pragma once
// The one failure type of the workbook module.

#include <stdexcept>
#include <string>

namespace mervalon::spreadsheet {

/// Thrown when a workbook cannot be opened, read or saved. The message is a complete sentence fit
/// for a report line or a message box (it names the problem, never a C++ detail).
class WorkbookError : public std::runtime_error {
  public:
    explicit WorkbookError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace mervalon::spreadsheet
