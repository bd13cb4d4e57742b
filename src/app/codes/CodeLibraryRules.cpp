#include "app/codes/CodeLibraryRules.h"

#include "core/codes/SymbolLibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cstring>

namespace mervalon::app {
namespace {

constexpr qsizetype kMaxFileNameBytes = 255;

} // namespace

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
    return !choice.isEmpty();
}

QString choiceOfFile(const QString& filePath, const QString& codesFolder)
{
    const QString file = QDir::cleanPath(filePath);
    const QFileInfo info(file);
    const QString suffix = QLatin1String(codes::kCodeLibrarySuffix);
    // Only the exact suffix: the name is turned back into "codes/NAME.csv".
    if (!codesFolder.isEmpty() && info.path() == QDir::cleanPath(codesFolder) && info.fileName().endsWith(suffix)) {
        const QString name = info.fileName().left(info.fileName().size() - suffix.size());
        if (libraryNameFault(name).isEmpty()) {
            return name;
        }
    }
    return file;
}

codes::CodeTable newLibraryTable()
{
    codes::CodeTable table = codes::readCodeTable({});
    std::vector<std::string> row(table.header.size());
    const std::vector<std::pair<std::string, std::string>> cells = {
        {"code", "*"}, {"layer", "UNCODED"}, {"line", "none"}, {"description", "Any code not listed above"}};
    for (const auto& [column, value] : cells) {
        const auto at = std::find(table.header.begin(), table.header.end(), column);
        if (at != table.header.end()) {
            row[static_cast<std::size_t>(at - table.header.begin())] = value;
        }
    }
    table.rows.push_back(std::move(row));
    return table;
}

QString libraryNameOf(const QString& typed)
{
    QString name = typed.trimmed();
    const QString suffix = QLatin1String(codes::kCodeLibrarySuffix);
    if (name.endsWith(suffix, Qt::CaseInsensitive)) {
        name = name.left(name.size() - suffix.size()).trimmed();
    }
    return name;
}

QString libraryNameFault(const QString& name)
{
    if (name.isEmpty()) {
        return QStringLiteral("Type a name for the code library.");
    }
    if (name.compare(kNoCodeLibraryChoice, Qt::CaseInsensitive) == 0) {
        return QStringLiteral("\"%1\" stands for no code library: choose another name.").arg(kNoCodeLibraryChoice);
    }
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            return QStringLiteral("A library name cannot hold a control character.");
        }
        if (QStringLiteral("/\\:*?\"<>|").contains(c)) {
            return QStringLiteral("A library name cannot hold the character \"%1\".").arg(c);
        }
    }
    if (name.startsWith(QLatin1Char('.'))) {
        return QStringLiteral("A library name cannot begin with a dot: the file would be hidden.");
    }
    if (name.endsWith(QLatin1Char('.'))) {
        return QStringLiteral("A library name cannot end with a dot.");
    }
    // Names Windows keeps for its devices, so that the folder can be shared with it.
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (device.match(name).hasMatch()) {
        return QStringLiteral("\"%1\" is the name of a device on Windows: choose another name.").arg(name);
    }
    const qsizetype bytes = name.toUtf8().size() + static_cast<qsizetype>(std::strlen(codes::kCodeLibrarySuffix));
    if (bytes > kMaxFileNameBytes) {
        return QStringLiteral("The name is too long for a file: at most %1 bytes in UTF-8.")
            .arg(kMaxFileNameBytes - static_cast<qsizetype>(std::strlen(codes::kCodeLibrarySuffix)));
    }
    return {};
}

bool askBeforeReplacing(bool fileExists, bool isEditedFile)
{
    return fileExists && !isEditedFile;
}

QString replaceLibraryQuestion(const QString& name)
{
    return QStringLiteral("The code library \"%1\" already exists. Do you want to replace it?").arg(name);
}

QString changedOnCloseQuestion(const QString& fileName)
{
    return fileName.isEmpty() ? QStringLiteral("The new code library is not saved. Do you want to save it?")
                              : kLibraryChangedOnClose.arg(fileName);
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
