#include "app/formats/FormatPreviewRules.h"

#include "app/common/TextConversions.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>

namespace mervalon::app {
namespace {

using engine::LinePreview;
using engine::PreviewLine;
using formats::PointValue;

// The values as the preview names them, in kPointValues order.
constexpr std::array<const char*, 6> kRoleNames = {"number",    "East",        "North",
                                                   "elevation", "description", "polyline code"};

// What a report line says of which value, by the words the conversion uses for it. The order
// matters: "Prefix for X coordinate" speaks of X, "Number is not a number" of the number.
constexpr std::array<std::pair<const char*, PointValue>, 6> kMessageValues = {{
    {"X coordinate", PointValue::X},
    {"Y coordinate", PointValue::Y},
    {"Z coordinate", PointValue::Z},
    {"Polyline Code", PointValue::Code},
    {"Description", PointValue::Description},
    {"Number", PointValue::Number},
}};

QString cellText(const std::string& text)
{
    QString shown = fromText(text);
    if (shown.size() > FormatPreviewRules::kMaxCellText) {
        shown = shown.left(FormatPreviewRules::kMaxCellText) + QStringLiteral("...");
    }
    return shown;
}

void addMessage(PreviewCell& cell, const std::string& message)
{
    const bool error = message.starts_with("  ! Error");
    cell.mark = error || cell.mark == CellMark::Error ? CellMark::Error : CellMark::Warning;
    if (!cell.tooltip.isEmpty()) {
        cell.tooltip += QLatin1Char('\n');
    }
    cell.tooltip += fromText(message).trimmed();
}

int columnCount(const LinePreview& preview, const formats::FormatDefinition& format)
{
    int columns = 0;
    for (PointValue value : formats::kPointValues) {
        columns = std::max(columns, format.column(value));
    }
    for (const PreviewLine& line : preview.lines) {
        if (line.kind == PreviewLine::Kind::Point) {
            columns = std::max(columns, static_cast<int>(line.fields.size()));
        }
    }
    return std::clamp(columns, 1, FormatPreviewRules::kMaxColumns);
}

PreviewRow rowOf(const PreviewLine& line, const formats::FormatDefinition& format, int columns)
{
    PreviewRow row;
    row.kind = line.kind;
    row.heading = QString::number(line.fileLine);
    if (line.kind != PreviewLine::Kind::Point) {
        row.heading += line.kind == PreviewLine::Kind::Header ? QStringLiteral(" header") : QStringLiteral(" skipped");
        row.cells.push_back(
            PreviewCell{line.fields.empty() ? QString() : cellText(line.fields.front()), CellMark::None, {}});
        return row;
    }
    row.cells.resize(static_cast<std::size_t>(columns));
    for (std::size_t field = 0; field < line.fields.size() && field < row.cells.size(); ++field) {
        row.cells[field].text = cellText(line.fields[field]);
    }
    if (line.fields.empty()) {
        row.cells.front().text = line.empty ? QStringLiteral("(empty line)") : QStringLiteral("(too long to be read)");
    }
    for (const std::string& message : line.messages) {
        const int value = FormatPreviewRules::valueOfMessage(message);
        const int column = value < 0 ? 0 : format.column(static_cast<PointValue>(value));
        const int cell = column >= 1 && column <= columns ? column - 1 : 0;
        addMessage(row.cells[static_cast<std::size_t>(cell)], message);
    }
    return row;
}

QString statusOf(const LinePreview& preview, const QString& fileName, const std::vector<PreviewRow>& rows)
{
    int errors = 0;
    int warnings = 0;
    for (const PreviewLine& line : preview.lines) {
        for (const std::string& message : line.messages) {
            ++(message.starts_with("  ! Error") ? errors : warnings);
        }
    }
    if (rows.empty()) {
        return preview.longLineCut
                   ? QStringLiteral("%1: its first line is longer than the preview reads.").arg(fileName)
                   : QStringLiteral("%1 is empty.").arg(fileName);
    }
    QString status = QStringLiteral("%1: lines 1 to %2").arg(fileName).arg(rows.size());
    const auto count = [](int lines, const char* kind) {
        return QStringLiteral("%1 %2 %3")
            .arg(lines)
            .arg(QLatin1String(kind), QLatin1String(lines == 1 ? "line" : "lines"));
    };
    status += errors + warnings == 0
                  ? QStringLiteral(", nothing to report")
                  : QStringLiteral(", %1 and %2 in the report").arg(count(errors, "error"), count(warnings, "warning"));
    if (preview.longLineCut) {
        status += QStringLiteral("; the next line is longer than the preview reads");
    } else if (preview.more) {
        status += QStringLiteral("; the file goes on");
    }
    return status + QLatin1Char('.');
}

} // namespace

QString FormatPreviewRules::previewFile(const QStringList& selected, const QString& current, const QString& folder)
{
    if (selected.isEmpty()) {
        return {};
    }
    const QString name =
        selected.contains(QFileInfo(current).fileName()) ? QFileInfo(current).fileName() : selected.front();
    return QDir(folder).filePath(name);
}

QString FormatPreviewRules::columnHead(const formats::FormatDefinition& format, int column)
{
    QStringList roles;
    for (PointValue value : formats::kPointValues) {
        if (format.column(value) == column) {
            roles << QLatin1String(kRoleNames[static_cast<std::size_t>(value)]);
        }
    }
    const QString number = QString::number(column);
    return roles.isEmpty() ? number : number + QStringLiteral(": ") + roles.join(QStringLiteral(" / "));
}

int FormatPreviewRules::valueOfMessage(const std::string& message)
{
    for (const auto& [words, value] : kMessageValues) {
        if (message.find(words) != std::string::npos) {
            return static_cast<int>(value);
        }
    }
    return -1;
}

PreviewTable FormatPreviewRules::tableOf(const engine::LinePreview& preview, const formats::FormatDefinition& format,
                                         const QString& fileName)
{
    PreviewTable table;
    if (preview.status != LinePreview::Status::Read) {
        table.status = fromText(preview.problem) + QLatin1Char('.');
        return table;
    }
    const int columns = columnCount(preview, format);
    for (int column = 1; column <= columns; ++column) {
        table.columnHeads << columnHead(format, column);
    }
    for (const PreviewLine& line : preview.lines) {
        table.rows.push_back(rowOf(line, format, columns));
    }
    table.status = statusOf(preview, fileName, table.rows);
    return table;
}

PreviewTable FormatPreviewRules::preview(const FormatEditorFields& fields, const PreviewSource& source)
{
    PreviewTable table;
    if (source.file.isEmpty()) {
        table.status =
            QStringLiteral("No point file is selected in the main window: select one to see its lines here.");
        return table;
    }
    const QString fileName = QFileInfo(source.file).fileName();
    if (fields.isExcel) {
        table.status = QStringLiteral("The preview shows delimited text files; this format reads workbooks.");
        return table;
    }
    const BuiltFormat built = FormatEditorRules::build(fields, QString());
    if (!built.format) {
        table.status = QStringLiteral("No preview while the form holds a faulty number: %1").arg(built.error.trimmed());
        return table;
    }
    engine::PreviewSettings settings{*built.format, fields.dialect, source.modifiers};
    const LinePreview lines = engine::previewLines(toPath(source.file), settings, kLines, kLines);
    table = tableOf(lines, *built.format, fileName);
    if (const auto fault = FormatEditorRules::check(fields); fault && lines.status == LinePreview::Status::Read) {
        table.status = QStringLiteral("Not yet saveable: %1 %2").arg(fault->message.trimmed(), table.status);
    }
    return table;
}

} // namespace mervalon::app
