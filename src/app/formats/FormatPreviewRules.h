#pragma once
// The rules of the format editor's preview that need no widget: which file it shows, the table
// of the file's first lines under the form as it stands (each column headed by the value the
// form reads from it, each cell that the run's report would speak of marked with the report's
// own line), and the one line that says what is shown or why nothing is. The lines are read and
// judged by the conversion itself (engine::previewLines): the preview cannot disagree with a run.

#include "app/formats/FormatEditorRules.h"
#include "core/config/Configuration.h"
#include "core/engine/LinePreview.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace mervalon::app {

/// What the preview reads besides the form: the main window's point file and data modifiers.
struct PreviewSource {
    QString file; ///< a path; empty when no file is selected
    config::DataModifiers modifiers;
};

/// How a cell is marked.
enum class CellMark { None, Warning, Error };

struct PreviewCell {
    QString text;
    CellMark mark = CellMark::None;
    QString tooltip; ///< the report's lines for the cell, one a line, without their leading blanks
};

struct PreviewRow {
    QString heading; ///< "4", "1 skipped", "2 header"
    engine::PreviewLine::Kind kind = engine::PreviewLine::Kind::Point;
    std::vector<PreviewCell> cells; ///< a skipped or header line: one cell holding the line
};

struct PreviewTable {
    QString status; ///< one line: what is shown, or why nothing is
    QStringList columnHeads;
    std::vector<PreviewRow> rows;
};

class FormatPreviewRules {
  public:
    /// Lines of the file the preview shows.
    static constexpr std::size_t kLines = 20;
    /// Columns shown at most (a binary file may have thousands of "fields").
    static constexpr int kMaxColumns = 40;
    /// Characters of a cell shown at most.
    static constexpr int kMaxCellText = 120;

    /// The file the preview shows: the current entry of the file list when it is selected, else
    /// the first selected one; empty when none is selected.
    static QString previewFile(const QStringList& selected, const QString& current, const QString& folder);

    /// The column head: "3: North", "5", "2: East / number" for a column two values share.
    static QString columnHead(const formats::FormatDefinition& format, int column);

    /// The value a report line speaks of, or -1 when it speaks of the whole line (an empty
    /// line, a line too long to be read).
    static int valueOfMessage(const std::string& message);

    /// The table of `preview` under `format`; `fileName` for the status line.
    static PreviewTable tableOf(const engine::LinePreview& preview, const formats::FormatDefinition& format,
                                const QString& fileName);

    /// The preview of the form as it stands: reads the file (its first kLines lines only).
    static PreviewTable preview(const FormatEditorFields& fields, const PreviewSource& source);
};

} // namespace mervalon::app
