#pragma once
// The object names of the code library's controls: the choice beside the format in the main window
// and the code library editor. The names are how tests, the help and scripts find the controls;
// code speaks of a control by its constant here, never by its name.

namespace mervalon::app::CodeLibraryControls {

/// The panel in the main window's format group.
inline constexpr char panel[] = "codeLibraryPanel";
/// "(none)" or a library of the installation's codes/ folder, or a file chosen anywhere.
inline constexpr char libraryList[] = "codeLibrary";
inline constexpr char editorButton[] = "codeLibraryEditor";
/// "Other code library file...".
inline constexpr char fileButton[] = "codeLibraryFile";
/// "Write every non-ASCII letter as an escape (for LibreOffice)".
inline constexpr char escapeBox[] = "escapeNonAscii";

/// The editor window.
inline constexpr char editor[] = "CodeLibraryEditor";
/// Which file is edited ("Library: new, not saved yet" before its first save).
inline constexpr char fileLabel[] = "libraryFile";
inline constexpr char grid[] = "codeGrid";
/// The current row's symbol, drawn, and its caption.
inline constexpr char symbolView[] = "symbolView";
inline constexpr char symbolCaption[] = "symbolCaption";
/// The faults of the rows, as the library's reader says them.
inline constexpr char rowFaults[] = "rowFaults";
inline constexpr char addRowButton[] = "addRow";
inline constexpr char deleteRowButton[] = "deleteRow";
inline constexpr char saveButton[] = "saveLibrary";
inline constexpr char saveAsButton[] = "saveLibraryAs";
inline constexpr char closeButton[] = "closeEditor";
/// The question for a new library's name.
inline constexpr char nameQuestion[] = "libraryName";

} // namespace mervalon::app::CodeLibraryControls
