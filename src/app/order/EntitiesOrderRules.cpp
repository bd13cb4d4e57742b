#include "app/order/EntitiesOrderRules.h"

#include "app/entities/EntityRules.h"

#include <algorithm>

namespace mervalon::app {
namespace {

using config::EntityContent;

constexpr std::array<const char*, 5> kContentTexts = {"Number", "X coordinate", "Y coordinate", "Elevation",
                                                      "Description"};

} // namespace

QString entityContentText(std::int32_t content)
{
    if (content < 0 || content >= static_cast<std::int32_t>(kContentTexts.size())) {
        return {};
    }
    return QLatin1String(kContentTexts[static_cast<std::size_t>(content)]);
}

EntityContent entityContentOfText(const QString& text)
{
    for (std::size_t i = 0; i < kContentTexts.size(); ++i) {
        if (text == QLatin1String(kContentTexts[i])) {
            return static_cast<EntityContent>(i);
        }
    }
    return EntityContent::Empty;
}

std::vector<EntityContent> offeredContents(const std::array<bool, 5>& offered)
{
    std::vector<EntityContent> contents;
    for (std::size_t i = 0; i < offered.size(); ++i) {
        if (offered[i]) {
            contents.push_back(static_cast<EntityContent>(i));
        }
    }
    return contents;
}

EntitiesOrderVerdict judgeEntitiesOrder(const std::array<QString, 5>& texts, const std::array<bool, 5>& enabled,
                                        const QString& distance)
{
    EntitiesOrderVerdict verdict;
    verdict.layout.distance = distance.left(10).toLatin1().toStdString();

    int invalidField = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!enabled[i]) {
            continue;
        }
        const EntityContent content = entityContentOfText(texts[i]);
        if (content == EntityContent::Empty) {
            invalidField = static_cast<int>(i) + 1; // a later one replaces an earlier one
        } else {
            verdict.layout.slot[i] = static_cast<std::int32_t>(content);
        }
    }

    // Every equal pair replaces the duplicate found before; a pair of empty texts clears it.
    QString duplicate;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!enabled[i]) {
            continue;
        }
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            if (texts[i] == texts[j]) {
                duplicate = texts[i];
            }
        }
    }

    if (const std::optional<double> value = parseDecimal(distance); !value) {
        verdict.badDistance = true;
        verdict.refusal = QStringLiteral("Please enter a distance");
    } else if (!duplicate.isEmpty()) {
        verdict.refusal = QLatin1Char('"') + duplicate + QStringLiteral("\" appears more than 1 time.");
    } else if (invalidField != 0) {
        verdict.refusal = QStringLiteral("Field %1 contains invalid data, please correct it.").arg(invalidField);
    }
    return verdict;
}

bool entitiesCreationMatches(int offeredTexts, const config::EntityLayout& layout)
{
    const auto filled = std::count_if(layout.slot.begin(), layout.slot.end(), [](std::int32_t slot) {
        return slot != static_cast<std::int32_t>(EntityContent::Empty);
    });
    return filled == offeredTexts;
}

} // namespace mervalon::app
