#include "app/mainwindow/MainWindowRules.h"

#include "app/order/EntitiesOrderRules.h"

#include <algorithm>

namespace mervalon::app {

bool configurationStripEnabled(int tabIndex)
{
    return tabIndex == 0;
}

MainWindowEnabling mainWindowEnabling(int tabIndex, bool running)
{
    return {!running, !running, configurationStripEnabled(tabIndex)};
}

QString formatToShow(const QStringList& formats, const QString& configured)
{
    for (const QString& wanted : {configured, QStringLiteral("!default")}) {
        const auto found = std::find_if(formats.begin(), formats.end(), [&](const QString& format) {
            return format.compare(wanted, Qt::CaseInsensitive) == 0;
        });
        if (found != formats.end()) {
            return *found;
        }
    }
    return {};
}

std::optional<QString> entitiesCheckRefusal(const std::array<bool, 5>& offeredTexts, const config::EntityLayout& layout)
{
    const auto offered = static_cast<int>(std::count(offeredTexts.begin(), offeredTexts.end(), true));
    if (entitiesCreationMatches(offered, layout)) {
        return std::nullopt;
    }
    return QLatin1String(kCheckEntitiesMessage);
}

std::optional<QString> exitStoppedNotice(bool orderOpenedByCheck)
{
    if (!orderOpenedByCheck) {
        return std::nullopt;
    }
    return QLatin1String(kExitAbandonedMessage);
}

} // namespace mervalon::app
