#include "app/codes/CodeLibraryRules.h"

#include "core/codes/SymbolLibrary.h"

#include <algorithm>

namespace mervalon::app {

QStringList codeLibraryChoices(const QStringList& fileNames, const QString& current)
{
    const QString suffix = QLatin1String(codes::kCodeLibrarySuffix);
    QStringList names;
    for (const QString& fileName : fileNames) {
        if (fileName.size() > suffix.size() && fileName.endsWith(suffix, Qt::CaseInsensitive)) {
            names.append(fileName.left(fileName.size() - suffix.size()));
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    names.removeDuplicates();
    names.prepend(kNoCodeLibraryChoice);
    if (!current.isEmpty() && !names.contains(current)) {
        names.append(current);
    }
    return names;
}

QString choiceOfOptions(const config::ConfigurationOptions& options)
{
    return options.codeLibrary.empty() ? kNoCodeLibraryChoice : QString::fromStdString(options.codeLibrary);
}

std::string libraryOfChoice(const QString& choice)
{
    return choice == kNoCodeLibraryChoice ? std::string() : choice.toStdString();
}

bool editorEnabled(const QString& choice)
{
    return !choice.isEmpty() && choice != kNoCodeLibraryChoice;
}

QString symbolCaption(const QString& symbolCell, bool inSymbolLibrary)
{
    const QString symbol = symbolCell.trimmed();
    if (symbol.isEmpty()) {
        return QStringLiteral("No symbol: the configured point");
    }
    if (symbol.compare(QLatin1String(codes::kNoSymbol.data(), static_cast<qsizetype>(codes::kNoSymbol.size())),
                       Qt::CaseInsensitive) == 0) {
        return QStringLiteral("none: no point is drawn");
    }
    if (!inSymbolLibrary) {
        return QStringLiteral("\"%1\" is not in the symbol library").arg(symbol);
    }
    return {};
}

QStringList rowLabels(const codes::CodeTable& table)
{
    QStringList labels;
    for (const std::size_t line : codes::codeTableLines(table)) {
        labels.append(line == 0 ? QString() : QString::number(line));
    }
    return labels;
}

QString rowFaults(const std::vector<codes::CodeTableFault>& faults, std::size_t row)
{
    QStringList lines;
    for (const codes::CodeTableFault& fault : faults) {
        if (fault.row == row) {
            lines.append(QString::fromStdString(fault.message));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

QString saveRefusal(const std::vector<codes::CodeTableFault>& faults)
{
    if (faults.empty()) {
        return {};
    }
    std::vector<std::size_t> rows;
    for (const codes::CodeTableFault& fault : faults) {
        if (std::find(rows.begin(), rows.end(), fault.row) == rows.end()) {
            rows.push_back(fault.row);
        }
    }
    QString text = rows.size() == 1
                       ? QStringLiteral("The code library is not saved: one row is faulty (its number is at the left "
                                        "of the table).\n")
                       : QStringLiteral("The code library is not saved: %1 rows are faulty (their numbers are at the "
                                        "left of the table).\n")
                             .arg(rows.size());
    for (const codes::CodeTableFault& fault : faults) {
        text += QLatin1Char('\n') + QString::fromStdString(fault.message);
    }
    return text;
}

CloseStep closeStep(bool changed, MessageAnswer answer)
{
    if (!changed) {
        return CloseStep::Close;
    }
    switch (answer) {
    case MessageAnswer::Yes:
        return CloseStep::SaveThenClose;
    case MessageAnswer::No:
        return CloseStep::Close;
    case MessageAnswer::Cancel:
    case MessageAnswer::Ok:
        break;
    }
    return CloseStep::Stay;
}

} // namespace mervalon::app
