#pragma once
// The pictures of the main window's glyph buttons and of the destination lock, drawn in code so that they look the same
// whatever icon theme the desktop has (or none).

#include <QIcon>

namespace mervalon::app {

enum class Glyph { CreateDxf, Exit, HelpFile, LastLog, Locked, Unlocked };

QIcon glyphIcon(Glyph glyph);

} // namespace mervalon::app
