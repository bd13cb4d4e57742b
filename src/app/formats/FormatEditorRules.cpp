#include "app/formats/FormatEditorRules.h"

#include "app/common/TextConversions.h"
#include "app/formats/FormatEditorControls.h"
#include "core/formats/FormatLibrary.h"

#include <algorithm>

namespace mervalon::app {
namespace {

using formats::FormatDefinition;
using formats::kPointValues;
using formats::PointValue;

constexpr std::array<char, 4> kSeparatorCharacters = {',', ';', ' ', '\t'};
constexpr int kCodeRow = 5;

/// A whole decimal integer of 32 bits, optionally signed; nothing else around it.
std::optional<int> integerOf(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || text.isEmpty() || text.front().isSpace() || text.back().isSpace()) {
        return std::nullopt;
    }
    return value;
}

QString notAnInteger(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

/// The fixed choice a stored separator is, or none when it is none of them.
std::optional<SeparatorChoice> fixedChoice(const std::string& separator)
{
    if (separator.size() != 1) {
        return std::nullopt;
    }
    const auto* found = std::find(kSeparatorCharacters.begin(), kSeparatorCharacters.end(), separator[0]);
    if (found == kSeparatorCharacters.end()) {
        return std::nullopt;
    }
    return static_cast<SeparatorChoice>(found - kSeparatorCharacters.begin());
}

/// The separator as the record stores it.
std::string separatorOf(const FormatEditorFields& fields)
{
    return fields.separator == SeparatorChoice::Other
               ? toText(fields.otherSeparator)
               : std::string(1, kSeparatorCharacters[static_cast<std::size_t>(fields.separator)]);
}

std::string nameField(const QString& name)
{
    return toText(name).substr(0, formats::kMaxFormatNameLength);
}

} // namespace

FormatEditorFields FormatEditorRules::fill(const FormatDefinition& format, const formats::TextDialect& dialect,
                                           FormatEditorFields shown)
{
    shown.dialect = dialect;
    shown.description = fromText(format.description);
    shown.isExcel = format.isExcel != 0;
    shown.sheetByNumber = format.sheetByNumber != 0;
    (shown.sheetByNumber ? shown.sheetNumber : shown.sheetName) = fromText(format.sheet);
    shown.firstLine = QString::number(format.firstLine);
    for (std::size_t row = 0; row < kPointValues.size(); ++row) {
        const PointValue value = kPointValues[row];
        shown.positions[row] = QString::number(format.column(value));
        shown.imported[row] = format.column(value) > 0;
        shown.prefixes[row] = fromText(format.prefix(value));
        shown.keepPrefix[row] = format.keepsPrefix(value);
    }
    shown.codes = {fromText(format.newPolylineCode), fromText(format.drawPolylineCode),
                   fromText(format.endPolylineCode)};
    if (format.otherSeparator != 0) {
        shown.separator = SeparatorChoice::Other;
        shown.otherSeparator = fromText(format.separator);
    } else if (const auto choice = fixedChoice(format.separator)) {
        shown.separator = *choice;
    }
    return shown;
}

BuiltFormat FormatEditorRules::build(const FormatEditorFields& fields, const QString& name)
{
    FormatDefinition format;
    format.isExcel = fields.isExcel ? 1 : 0;
    format.name = nameField(name);
    format.description = toText(fields.description.trimmed());
    for (std::size_t row = 0; row < kPointValues.size(); ++row) {
        const PointValue value = kPointValues[row];
        if (fields.imported[row]) {
            const QString position = fields.positions[row].trimmed();
            const auto column = integerOf(position);
            if (!column) {
                return {std::nullopt, notAnInteger(position)};
            }
            format.setColumn(value, *column);
        }
        format.setPrefix(value, toText(fields.prefixes[row]));
        format.setKeepsPrefix(value, fields.keepPrefix[row]);
    }
    format.otherSeparator = fields.separator == SeparatorChoice::Other ? 1 : 0;
    format.separator = separatorOf(fields);
    format.newPolylineCode = toText(fields.codes[0]);
    format.drawPolylineCode = toText(fields.codes[1]);
    format.endPolylineCode = toText(fields.codes[2]);
    const auto firstLine = integerOf(fields.firstLine);
    if (!firstLine) {
        return {std::nullopt, notAnInteger(fields.firstLine)};
    }
    format.firstLine = *firstLine;
    format.sheetByNumber = fields.sheetByNumber ? 1 : 0;
    format.sheet = toText(fields.sheetByNumber ? fields.sheetNumber : fields.sheetName);
    // The record cuts every text to its capacity, so what is compared is what would be stored.
    return {formats::decodeFormat([&] {
                const formats::FormatBytes bytes = formats::encodeFormat(format);
                return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
            }()),
            {}};
}

std::optional<FormatFault> FormatEditorRules::check(const FormatEditorFields& fields)
{
    // Rows whose position box can be typed in; X and Y are always imported.
    std::array<int, 6> positions{};
    for (std::size_t row = 0; row < positions.size(); ++row) {
        if (!fields.imported[row]) {
            continue;
        }
        const auto position = integerOf(fields.positions[row].trimmed());
        if (!position || *position < 1) {
            return FormatFault{QStringLiteral("     Position must be an integer value greater than 0.     "),
                               QLatin1String(FormatEditorControls::positionEdits[row])};
        }
        positions[row] = *position;
    }
    std::optional<std::size_t> repeated;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        for (std::size_t j = i + 1; fields.imported[i] && j < positions.size(); ++j) {
            if (fields.imported[j] && positions[j] == positions[i]) {
                repeated = j;
                break;
            }
        }
    }
    if (repeated) {
        return FormatFault{
            QStringLiteral("     Position \"%1\" is already in use.     ").arg(fields.positions[*repeated]),
            QLatin1String(FormatEditorControls::positionEdits[*repeated])};
    }
    if (fields.imported[kCodeRow]) {
        static const std::array<const char*, 3> missing = {"New polyline", "Draw polyline", "End polyline/don't draw"};
        for (std::size_t code = 0; code < fields.codes.size(); ++code) {
            if (fields.codes[code].trimmed().isEmpty()) {
                return FormatFault{
                    QStringLiteral("     Code for \"%1\" is missing.     ").arg(QLatin1String(missing[code])),
                    QLatin1String(FormatEditorControls::codeEdits[code])};
            }
        }
    }
    if (!fields.isExcel && fields.separator == SeparatorChoice::Other && fields.otherSeparator.size() != 1) {
        return FormatFault{QStringLiteral("     Field Separator must be a single character.     "),
                           QLatin1String(FormatEditorControls::otherSeparatorEdit)};
    }
    if (fields.isExcel && fields.sheetByNumber) {
        const auto sheet = integerOf(fields.sheetNumber);
        if (!sheet || *sheet < 1) {
            return FormatFault{QStringLiteral("     Sheet Number must be greater than 0.     "),
                               QLatin1String(FormatEditorControls::sheetNumberEdit)};
        }
    }
    if (fields.isExcel && !fields.sheetByNumber && fields.sheetName.trimmed().isEmpty()) {
        return FormatFault{QStringLiteral("     Please enter a valid Sheet Name.     "),
                           QLatin1String(FormatEditorControls::sheetNameEdit)};
    }
    const auto firstLine = integerOf(fields.firstLine);
    if (!firstLine || *firstLine < 1) {
        return FormatFault{QStringLiteral("     Starting line number must be greater than 0.     "),
                           QLatin1String(FormatEditorControls::firstLineEdit)};
    }
    if (!fields.isExcel) {
        FormatDefinition format;
        format.separator = separatorOf(fields);
        if (const std::string fault = formats::dialectFault(format, fields.dialect); !fault.empty()) {
            // The decimal mark is the one setting at fault when it is set to comma; else the quotes are.
            const bool decimals = fields.dialect.decimalMark == formats::DecimalMark::Comma && format.separator == ",";
            return FormatFault{fromText(fault), QLatin1String(decimals ? FormatEditorControls::decimalMarkButtons[1]
                                                                       : FormatEditorControls::dialectBoxes[0])};
        }
    }
    return std::nullopt;
}

FormatEditorEnabling FormatEditorRules::enabling(const FormatEditorFields& fields)
{
    FormatEditorEnabling enabling;
    enabling.sheetPanel = fields.isExcel;
    enabling.sheetNumber = fields.isExcel && fields.sheetByNumber;
    enabling.sheetName = fields.isExcel && !fields.sheetByNumber;
    enabling.separatorPanel = !fields.isExcel;
    enabling.otherSeparator = !fields.isExcel && fields.separator == SeparatorChoice::Other;
    enabling.rows = fields.imported;
    enabling.rows[1] = true;
    enabling.rows[2] = true;
    enabling.codesPanel = fields.imported[kCodeRow];
    enabling.dialectPanel = !fields.isExcel;
    return enabling;
}

void FormatEditorRules::proposePosition(FormatEditorFields& fields, int row)
{
    int highest = 0;
    for (std::size_t other = 0; other < fields.positions.size(); ++other) {
        if (fields.imported[other]) {
            highest = std::max(highest, integerOf(fields.positions[other].trimmed()).value_or(0));
        }
    }
    const auto index = static_cast<std::size_t>(row);
    if (fields.imported[index] && fields.positions[index] == QLatin1String("0")) {
        fields.positions[index] = QString::number(highest + 1);
    }
}

QString FormatEditorRules::typedName(const QString& text)
{
    return text.toLower().trimmed();
}

std::optional<QString> FormatEditorRules::nameFault(const QString& text, const QStringList& listed)
{
    const QString name = typedName(text);
    if (name.isEmpty()) {
        return QStringLiteral("     Format name is empty...     ");
    }
    if (listed.contains(name)) {
        return QStringLiteral("     Format name already exists.     ");
    }
    // Names are stored one byte a character, in the record and as the file's name.
    if (std::any_of(name.begin(), name.end(), [](QChar c) { return c.unicode() > 0xff; })) {
        return QStringLiteral("     Format name cannot contain characters outside Latin-1.     ");
    }
    switch (formats::screenFormatName(toText(name))) {
    case formats::NameFault::None:
    case formats::NameFault::Empty:
        return std::nullopt;
    case formats::NameFault::PathSeparator:
        return QStringLiteral("     Format name cannot contain \"/\" or \"\\\".     ");
    case formats::NameFault::Dot:
        return QStringLiteral("     Format name cannot contain \".\".     ");
    case formats::NameFault::ControlCharacter:
        return QStringLiteral("     Format name cannot contain control characters.     ");
    case formats::NameFault::TooLong:
        return QStringLiteral("     Format name cannot be longer than %1 characters.     ")
            .arg(formats::kMaxFormatNameLength);
    }
    return std::nullopt;
}

bool FormatEditorRules::sameAs(const FormatDefinition& edited, const FormatDefinition& shown)
{
    FormatDefinition renamed = edited;
    renamed.name = shown.name;
    return formats::encodeFormat(renamed) == formats::encodeFormat(shown);
}

QString FormatEditorRules::changedMessage(const QString& name)
{
    return QStringLiteral("\r     Format \"%1,\" has changed. Do you want to save it ?     ").arg(name);
}

QString FormatEditorRules::deleteQuestion(const QString& name)
{
    return QStringLiteral("       Do you want to delete format \"%1\" ?       ").arg(name);
}

std::optional<FormatEditorFields> FormatEditorRules::detected(const formats::DetectedLayout& layout,
                                                              const FormatEditorFields& shown)
{
    if (!layout.found) {
        return std::nullopt;
    }
    // What the form holds now, so that what detection does not decide stays as the user left it.
    formats::FormatDefinition base = build(shown, QString()).format.value_or(formats::FormatDefinition{});
    base.isExcel = 0;
    const formats::DetectedFormat found = formats::formatOfLayout(layout, base);
    FormatEditorFields fields = fill(found.format, found.dialect, shown);
    fields.isExcel = false;
    // Even when the form held a text that does not build (a sheet number being typed), what
    // the file cannot tell stays as the user left it.
    fields.description = shown.description;
    fields.codes = shown.codes;
    return fields;
}

QString FormatEditorRules::detectionMessage(const formats::DetectedLayout& layout, const QString& fileName)
{
    QStringList notes;
    for (const std::string& note : layout.notes) {
        notes << QString::fromStdString(note);
    }
    if (!layout.found) {
        return QStringLiteral("No layout of points was found in \"%1\": %2.")
            .arg(fileName, notes.join(QStringLiteral("; ")));
    }
    if (notes.isEmpty() && !layout.eastNorthUncertain && layout.confidence >= kSureConfidence) {
        return {};
    }
    QString message =
        QStringLiteral("The layout found in \"%1\" is shown in the form (%2 % sure); check it before saving.")
            .arg(fileName)
            .arg(layout.confidence);
    if (!notes.isEmpty()) {
        message += QLatin1Char(' ') + notes.join(QStringLiteral("; ")) + QLatin1Char('.');
    }
    return message;
}

} // namespace mervalon::app
