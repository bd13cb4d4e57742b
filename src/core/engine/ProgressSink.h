#pragma once
// What a run shows while it goes on, and how it learns that the user wants it to stop.

#include <cstddef>
#include <string>

namespace mervalon::engine {

class ProgressSink {
  public:
    virtual ~ProgressSink() = default;
    /// File `index` (1-based) of `count` begins: "Processing file i / n  ".
    virtual void fileStarted(std::size_t index, std::size_t count) = 0;
    virtual void setLineCount(std::size_t count) = 0;
    virtual void setFileLabel(const std::string& destinationPath) = 0;
    /// 0-based index of the line being converted; called once per line, so keep it cheap.
    virtual void setLinePosition(std::size_t index) = 0;
    /// Lets pending user-interface events run, so that a stop click is taken.
    virtual void pumpEvents() = 0;
    [[nodiscard]] virtual bool isStopRequested() const = 0;
};

/// A sink that shows nothing and never stops.
class SilentProgress : public ProgressSink {
  public:
    void fileStarted(std::size_t, std::size_t) override {}
    void setLineCount(std::size_t) override {}
    void setFileLabel(const std::string&) override {}
    void setLinePosition(std::size_t) override {}
    void pumpEvents() override {}
    [[nodiscard]] bool isStopRequested() const override { return false; }
};

} // namespace mervalon::engine
