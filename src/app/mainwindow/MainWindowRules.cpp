#include "app/mainwindow/MainWindowRules.h"

namespace mervalon::app {

bool configurationStripEnabled(int tabIndex)
{
    return tabIndex == 0;
}

} // namespace mervalon::app
