#pragma once
// The drawing of a file converted with a code library: each point on the layer of its first
// code, drawn as the code's symbol (the configured POINT, none, or an INSERT of a block with
// the point's number, elevation and description as attributes), and the lines of the codes'
// features strung by the linework builder. The layers the drawing uses and the blocks of the
// symbols it uses are known only at its end: the writer holds the drawing in memory and puts
// them into its tables then. What the codes came to is reported after the file.

#include "core/codes/CodeSet.h"
#include "core/codes/Linework.h"
#include "core/config/Configuration.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::engine {

class DxfWriter;
class RunLog;

/// One point as the conversion took it.
struct CodedPoint {
    std::string_view x;
    std::string_view y;
    std::string_view z; ///< "0.0" for a point without elevation
    double xValue = 0;
    double yValue = 0;
    double zValue = 0;
    std::string_view number;
    std::string_view elevation; ///< the elevation as its label shows it; empty without one
    std::string_view description;
    std::string_view codes; ///< the text the codes are read from
};

class CodedDrawing {
  public:
    CodedDrawing(const codes::CodeSet& codes, const config::Configuration& configuration, DxfWriter& writer);

    /// Has the writer hold the drawing, whose layers and blocks are known only at its end;
    /// before beginDrawing.
    void prepare();

    /// Draws the point of file line `lineNumber` and adds it to its lines. Returns the labels its
    /// first code asks for (codes::Label bits), 0 for the configuration's.
    std::uint8_t drawPoint(const CodedPoint& point, std::size_t lineNumber, RunLog& log);

    /// Ends the lines still open, drawing them, and adds the layers and the symbols' blocks the
    /// drawing uses to its tables; before finishDrawing.
    void finish(RunLog& log);

    /// The report's lines on the codes: unknown codes with their counts, and the lines made per feature.
    void report(RunLog& log) const;

  private:
    void drawLine(codes::Line&& line, RunLog& log);
    void writeInsert(const std::string& layer, const std::string& block, const CodedPoint& point);
    void completeTables();

    struct FeatureLines {
        std::size_t lines = 0;
        std::size_t closed = 0;
    };

    const codes::CodeSet& m_codes;
    const config::Configuration& m_configuration;
    DxfWriter& m_writer;
    codes::LineworkBuilder m_linework;
    RunLog* m_log = nullptr;                      // the log of the point being drawn, for the lines it ends
    std::map<std::string, std::size_t> m_unknown; // code -> points
    std::map<std::string, FeatureLines> m_features;
    std::set<std::string> m_usedLayers; // upper-cased
    std::set<std::string> m_usedSymbols;
    std::string m_groups;
};

} // namespace mervalon::engine
