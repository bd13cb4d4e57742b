#pragma once
// The pictures of the main window's glyph buttons, drawn in code so that they look the same
// whatever icon theme the desktop has (or none).

#include <QIcon>

namespace mervalon::app {

enum class Glyph { CreateDxf, Exit, HelpFile, LastLog };

QIcon glyphIcon(Glyph glyph);

} // namespace mervalon::app
