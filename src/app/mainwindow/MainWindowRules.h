#pragma once
// The rules of the main window's frame, kept apart from the widgets.

namespace mervalon::app {

/// The load and save buttons and the configuration labels work only on the first tab.
bool configurationStripEnabled(int tabIndex);

} // namespace mervalon::app
