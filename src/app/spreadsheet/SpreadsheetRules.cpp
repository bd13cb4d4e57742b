#include "app/spreadsheet/SpreadsheetRules.h"

#include "core/spreadsheet/TextCodec.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace mervalon::app {

QString columnLetters(int n)
{
    QString letters;
    while (n > 0) {
        letters.prepend(QChar(u'A' + (n - 1) % 26));
        n = (n - 1) / 26;
    }
    return letters;
}

std::optional<double> parseCellDecimal(const QString& text)
{
    static const QRegularExpression decimal(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*$)"));
    if (!decimal.match(text).hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok); // the C locale: "." only
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

QString fromWorkbookText(const std::string& text)
{
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text) {
        out.append(QChar(spreadsheet::windows1252ToUtf16(static_cast<std::uint8_t>(c))));
    }
    return out;
}

std::string toWorkbookText(const QString& text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        spreadsheet::appendUtf16Unit(out, c.unicode());
    }
    return out;
}

GridPosition currentCellAfter(RowOperation operation, int menuRow, int rowsBefore)
{
    switch (operation) {
    case RowOperation::Delete:
        return {std::clamp(menuRow, 1, std::max(1, rowsBefore - 1)), 1};
    case RowOperation::InsertBefore:
        return {menuRow, 1};
    case RowOperation::InsertAfter:
        break;
    }
    return {1, 1};
}

} // namespace mervalon::app
