#pragma once
// The consistency check between the texts a run will write beside each point and the order
// the layout gives them: the layout must fill exactly as many slots as there are texts.

#include "core/config/Configuration.h"
#include "core/formats/FormatDefinition.h"

#include <QString>

namespace mervalon::app {

/// "Please check entities creation." (information, OK and Cancel; OK opens the entities order).
inline const QString kCheckEntitiesCreationMessage = QStringLiteral("Please check entities creation.");

/// The texts that are offered: ticked and on a tab the format shows (the number tab needs a
/// number column or renumbering, the elevation tab a Z column or a default Z, the description
/// tab a description column; the X and Y tabs are always shown).
int offeredTextCount(const config::Configuration& configuration, const formats::FormatDefinition& format);

/// The slots of the layout that hold something.
int filledSlotCount(const config::EntityLayout& layout);

/// True when the layout fills as many slots as there are offered texts; which text sits in
/// which slot is not examined.
bool entitiesCreationMatches(const config::Configuration& configuration, const formats::FormatDefinition& format);

} // namespace mervalon::app
