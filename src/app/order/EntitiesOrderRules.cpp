#include "app/order/EntitiesOrderRules.h"

#include "core/engine/DxfWriter.h"

#include <algorithm>

namespace mervalon::app {

int offeredTextCount(const config::Configuration& configuration, const formats::FormatDefinition& format)
{
    const config::DataModifiers& modifiers = configuration.modifiers;
    const bool numberShown = format.numberColumn > 0 || modifiers.renumber != 0;
    const bool elevationShown = format.zColumn > 0 || modifiers.useDefaultZ != 0;
    const bool descriptionShown = format.descriptionColumn > 0;
    // A text counts as the conversion counts it, so the check and the drawing agree.
    using engine::isCreateFlagSet;
    const bool offered[] = {isCreateFlagSet(configuration.numberCreate) && numberShown,
                            isCreateFlagSet(configuration.xCreate), isCreateFlagSet(configuration.yCreate),
                            isCreateFlagSet(configuration.elevationCreate) && elevationShown,
                            isCreateFlagSet(configuration.descriptionCreate) && descriptionShown};
    return static_cast<int>(std::count(std::begin(offered), std::end(offered), true));
}

int filledSlotCount(const config::EntityLayout& layout)
{
    return static_cast<int>(std::count_if(layout.slot.begin(), layout.slot.end(), [](std::int32_t slot) {
        return slot != static_cast<std::int32_t>(config::EntityContent::Empty);
    }));
}

bool entitiesCreationMatches(const config::Configuration& configuration, const formats::FormatDefinition& format)
{
    return offeredTextCount(configuration, format) == filledSlotCount(configuration.layout);
}

} // namespace mervalon::app
