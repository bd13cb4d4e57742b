#pragma once
// The rules behind the main window's controls, kept apart from the widgets so that they can be
// tested quickly and without a display.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace mervalon::app {

/// Of three stored option values, the one a start selects: the last true one in order, as
/// selecting each true one in turn leaves only the last selected. None when none is true.
std::optional<int> lastTrueOption(const std::array<bool, 3>& values);

/// The values a group of three options stores when `selected` (0..2) is chosen.
std::array<bool, 3> exclusiveOption(int selected);

/// The load and save buttons and the configuration labels work only on the first tab.
bool configurationStripEnabled(int tabIndex);

/// Label3's text for a number of selected files: "3 selected.".
QString selectedCountText(int count);

/// A real folder of the file system has a path; the tree's virtual nodes have none.
bool isRealFolder(const QString& path);

/// "Create DXF Files..." and "View/Edit file" need a real folder with files to act on.
bool fileCommandsEnabled(bool realFolder, int fileCount);

/// The files of `folder` whose names match one of the wildcard `patterns` (not case-sensitive),
/// sorted by name. An empty pattern list matches nothing. None when the folder cannot be listed.
std::optional<QStringList> listMatchingFiles(const QString& folder, const QStringList& patterns);

/// The format names of the given file names: the text before the first ".", lower-cased, in
/// ascending order without repeats.
QStringList formatNamesFromFiles(const QStringList& fileNames);

/// The question asked before a file type is deleted: Delete "<name>" ?
QString deleteFileTypeQuestion(const QString& name);

} // namespace mervalon::app
