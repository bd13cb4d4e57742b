#pragma once
// The rules of the main window's frame, kept apart from the widgets: what can be used while a run
// goes on and on which tab, which format a configuration shows, and what the main window says when
// the entities check or the exit stops.

#include "core/config/Configuration.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace mervalon::app {

/// The load and save buttons and the configuration labels work only on the first tab.
bool configurationStripEnabled(int tabIndex);

/// What of the frame can be used: nothing while a run goes on; the configuration strip's
/// controls only on the first tab.
struct MainWindowEnabling {
    bool pages = true;
    bool strip = true;
    bool stripControls = true;

    friend bool operator==(const MainWindowEnabling&, const MainWindowEnabling&) = default;
};

MainWindowEnabling mainWindowEnabling(int tabIndex, bool running);

/// The format shown for a configuration: the one it names when the list has it (letter case
/// ignored), else "!default"; the name as the list spells it, empty when neither is there.
QString formatToShow(const QStringList& formats, const QString& configured);

/// The entities check before a save or a run: nothing when as many places of the entities order
/// are filled as texts are offered, else the message asking to check them.
std::optional<QString> entitiesCheckRefusal(const std::array<bool, 5>& offeredTexts,
                                            const config::EntityLayout& layout);

/// Said after the exit was abandoned because the entities check sent the user to the order.
inline constexpr const char* kExitAbandonedMessage =
    "The program stays open and the configuration was not saved. Leave again once the entities order fits.";

/// What the exit says when it stops: the notice above when the entities check sent the user to
/// the order, nothing when the user cancelled it himself.
std::optional<QString> exitStoppedNotice(bool orderOpenedByCheck);

} // namespace mervalon::app
