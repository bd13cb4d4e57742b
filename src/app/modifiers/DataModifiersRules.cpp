#include "app/modifiers/DataModifiersRules.h"

#include "app/entities/EntityRules.h"

namespace mervalon::app {
namespace {

std::optional<int> parseInteger(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

QString correctedInteger(const QString& text, bool zeroBecomesOne)
{
    const std::optional<int> value = parseInteger(text);
    if (!value || (zeroBecomesOne && *value == 0)) {
        return QStringLiteral("1");
    }
    return text;
}

QString correctedDecimal(const QString& text)
{
    const std::optional<double> value = parseDecimal(text);
    return threeDecimals(value.value_or(0.0));
}

DataModifiersTexts modifiersTexts(const config::DataModifiers& m)
{
    return {QString::number(m.startNumber), QString::number(m.step),  QString::number(m.addValue),
            threeDecimals(m.xOffset),       threeDecimals(m.yOffset), threeDecimals(m.zOffset),
            threeDecimals(m.defaultZ)};
}

void readModifiersTexts(const DataModifiersTexts& texts, config::DataModifiers& m)
{
    // A 0 shown from a configuration stays 0 until its box is visited.
    m.startNumber = parseInteger(texts.startNumber).value_or(1);
    m.step = parseInteger(texts.step).value_or(1);
    m.addValue = parseInteger(texts.addValue).value_or(1);
    m.xOffset = parseDecimal(texts.xOffset).value_or(0.0);
    m.yOffset = parseDecimal(texts.yOffset).value_or(0.0);
    m.zOffset = parseDecimal(texts.zOffset).value_or(0.0);
    m.defaultZ = parseDecimal(texts.defaultZ).value_or(0.0);
}

ModifiersButtonLook modifiersButtonLook(const config::DataModifiers& m)
{
    if (m.renumber != 0 || m.modifyCoordinates != 0 || m.useDefaultZ != 0) {
        return {QStringLiteral("Data modifiers ( ON ) ..."), 0, 85, 0};
    }
    return {QStringLiteral("Data modifiers ( OFF ) ..."), 185, 30, 21};
}

DataModifiersEnabling modifiersEnabling(const DataModifiersChoices& choices)
{
    DataModifiersEnabling enabling;
    enabling.renumberingGroup = choices.renumber;
    enabling.startAndStep = choices.renumber && choices.newStartNumber;
    enabling.addValue = choices.renumber && !choices.newStartNumber;
    enabling.offsets = choices.modifyCoordinates;
    enabling.defaultZ = choices.useDefaultZ;
    return enabling;
}

} // namespace mervalon::app
