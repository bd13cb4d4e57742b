#pragma once
// The rules of the " Coordinates Files " group and the file-type dialog, kept apart from the
// widgets so that they can be tested quickly and without a display.

#include <QString>
#include <QStringList>
#include <optional>

namespace mervalon::app {

/// Label3's text for a number of selected files: "3 selected.".
QString selectedCountText(int count);

/// A real folder of the file system has a path; the tree's virtual nodes have none.
bool isRealFolder(const QString& path);

/// "Create DXF Files..." and "View/Edit file" need a real folder with files to act on.
bool fileCommandsEnabled(bool realFolder, int fileCount);

/// The files of `folder` whose names match one of the wildcard `patterns` (not case-sensitive),
/// sorted by name. An empty pattern list matches nothing. None when the folder cannot be listed.
std::optional<QStringList> listMatchingFiles(const QString& folder, const QStringList& patterns);

/// The question asked before a file type is deleted: Delete "<name>" ?
QString deleteFileTypeQuestion(const QString& name);

} // namespace mervalon::app
