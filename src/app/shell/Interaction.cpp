#include "app/shell/Interaction.h"

namespace mervalon::app {

QString messageTitle(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return QStringLiteral("Error");
    case MessageIcon::Information:
        return QStringLiteral("Information");
    case MessageIcon::Confirmation:
        return QStringLiteral("Confirm");
    case MessageIcon::Warning:
        return QStringLiteral("Warning");
    }
    return {};
}

} // namespace mervalon::app
