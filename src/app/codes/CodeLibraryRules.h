#pragma once
// The rules of the code library choice and its editor that need no widget: the choices the main
// window offers, what a choice stores in the configuration's options, when the editor opens,
// what a row's symbol shows, and the messages of saving and closing the editor.

#include "app/shell/Interaction.h"
#include "core/codes/CodeTable.h"
#include "core/config/ConfigurationOptions.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace mervalon::app {

/// The choice that stands for no code library.
inline const QString kNoCodeLibraryChoice = QStringLiteral("(none)");
inline const QString kEscapeNonAsciiCaption =
    QStringLiteral("Write every non-ASCII letter as an escape (for LibreOffice)");
/// %1 is the library's file name.
inline const QString kLibraryChangedOnClose =
    QStringLiteral("The code library \"%1\" has changed. Do you want to save it?");

/// The choices of the code library list: none, each library of the installation's "codes"
/// folder (the names of its *.csv files without the suffix, sorted without regard to case),
/// and `current` at the end when it is none of them (a library file elsewhere, or one removed),
/// so that showing a configuration never changes its choice.
QStringList codeLibraryChoices(const QStringList& fileNames, const QString& current);

/// The choice that shows the options' library, and the library a choice stores.
QString choiceOfOptions(const config::ConfigurationOptions& options);
std::string libraryOfChoice(const QString& choice);

/// The editor opens on the chosen library; with none chosen it starts a new one.
bool editorEnabled(const QString& choice);

/// The choice that shows a library file the user picked: its name when it is a library of the
/// installation's "codes" folder (as the list names it), else its path.
QString choiceOfFile(const QString& filePath, const QString& codesFolder);

/// A new library: the shipped columns and the row "*" that draws every code not listed.
codes::CodeTable newLibraryTable();

/// The name typed for a library of the "codes" folder: without blanks at either end and without
/// a typed ".csv" (the file gets it).
QString libraryNameOf(const QString& typed);

/// Why `name` (as libraryNameOf gives it) cannot name a library file of the "codes" folder;
/// empty when it can.
QString libraryNameFault(const QString& name);

/// Saving under a name asks first when another file of that name exists: not when it is the
/// library being edited.
bool askBeforeReplacing(bool fileExists, bool isEditedFile);

/// The question before replacing the library `name`.
QString replaceLibraryQuestion(const QString& name);

/// The question on closing the editor with changes; `fileName` is empty for a new library that
/// was never saved.
QString changedOnCloseQuestion(const QString& fileName);

/// What the symbol cell of a row draws, as the caption under the symbol's picture: empty for
/// a symbol the library holds (the picture says it).
QString symbolCaption(const QString& symbolCell, bool inSymbolLibrary);

/// The row numbers the editor shows: the line each row has in the saved file (empty for a row
/// that holds nothing, which is not saved).
QStringList rowLabels(const codes::CodeTable& table);

/// The faults of one row (0: the header line), one a line; empty for a row without fault.
QString rowFaults(const std::vector<codes::CodeTableFault>& faults, std::size_t row);

/// The refusal to save a table with faults, naming each faulty row; empty without fault.
QString saveRefusal(const std::vector<codes::CodeTableFault>& faults);

/// What closing the editor does after the question about unsaved changes (asked only when the
/// table changed): save then close, close without saving, or stay.
enum class CloseStep { Close, SaveThenClose, Stay };
CloseStep closeStep(bool changed, MessageAnswer answer);

} // namespace mervalon::app
