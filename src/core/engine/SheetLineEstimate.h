#pragma once
// How many lines a workbook sheet read while it is converted will give, for the progress alone:
// the rows the sheet says it spans while that agrees with what is read, else the lines read so
// far over the share of the sheet's document read. The count the progress is shown against only
// shrinks as the reading goes on (the bar never goes back), grows only when more lines come than
// it said. Once the sheet has been read through, its source gives the true count instead.

#include <cstdint>

namespace mervalon::engine {

class SheetLineEstimate {
  public:
    /// What was known when a batch of lines was full.
    struct Reading {
        std::uint64_t lines = 0;    ///< lines read, that batch's included
        std::uint64_t declared = 0; ///< the lines the sheet says it holds; 0 when it says nothing
        double fraction = 0;        ///< share of the sheet's rows' bytes read; 0 when unknown
    };

    /// The conversion takes the batch `reading` was made at; returns the count to show the
    /// progress against, at least `reading.lines`.
    std::uint64_t take(const Reading& reading);
    [[nodiscard]] std::uint64_t count() const { return m_count; }

    /// The share of the document read before a declared count may be overruled by the bytes.
    static constexpr double kSettledFraction = 0.02;

  private:
    [[nodiscard]] std::uint64_t guess(const Reading& reading);

    std::uint64_t m_count = 0;
    bool m_declaredWrong = false;
};

} // namespace mervalon::engine
