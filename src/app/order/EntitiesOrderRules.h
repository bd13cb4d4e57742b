#pragma once
// The rules of the " Entities order" dialog apart from its widgets: the texts of the slot
// contents, which texts are offered, and the judgement of OK.

#include "core/config/Configuration.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace mervalon::app {

/// The text a content shows in the lists ("Number", "X coordinate", ...); empty for Empty and
/// for any value outside the five contents.
QString entityContentText(std::int32_t content);

/// The content a list text stands for; Empty for any other text.
config::EntityContent entityContentOfText(const QString& text);

/// The texts that can be placed, in their fixed order, from which of them are created on a
/// shown tab (number, X, Y, elevation, description).
std::vector<config::EntityContent> offeredContents(const std::array<bool, 5>& offered);

/// What OK decides for the five lists: their selected texts (empty when nothing is selected or
/// the list is disabled), which are enabled, and the distance text.
struct EntitiesOrderVerdict {
    /// The message that refuses the layout; empty when it is accepted.
    QString refusal;
    /// The distance text does not parse: the dialog resets it.
    bool badDistance = false;
    config::EntityLayout layout;
};

EntitiesOrderVerdict judgeEntitiesOrder(const std::array<QString, 5>& texts, const std::array<bool, 5>& enabled,
                                        const QString& distance);

/// The message of the consistency check between the created texts and the layout.
inline constexpr const char* kCheckEntitiesMessage = "Please check entities creation.";

/// True when as many slots are filled as texts are offered.
bool entitiesCreationMatches(int offeredTexts, const config::EntityLayout& layout);

} // namespace mervalon::app
