#pragma once
// How the formats folder becomes the list of format names the user picks from.

#include <QStringList>

namespace mervalon::app {

/// The format names of the given file names: the text before the first ".", lower-cased, in
/// ascending order without repeats.
QStringList formatNamesFromFiles(const QStringList& fileNames);

} // namespace mervalon::app
