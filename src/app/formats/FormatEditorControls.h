#pragma once
// The object names of the format editor's controls, and of its prompt for a format's name. The
// names are how tests, the help and scripts find the controls; code speaks of a control by its
// constant here, never by its name. Rows are in the order of the form: number, X, Y, Z,
// description, code.

#include <array>

namespace mervalon::app::FormatEditorControls {

/// The dialog itself.
inline constexpr char window[] = "FormatEditor";
inline constexpr char doneButton[] = "SpeedButton5";
inline constexpr char helpButton[] = "SpeedButton7";

/// " Available formats ": the list and its commands, and the chosen format's description.
inline constexpr char formatsGroup[] = "GroupBox2";
inline constexpr char formatList[] = "ComboBox3";
inline constexpr char newButton[] = "SpeedButton1";
inline constexpr char saveButton[] = "SpeedButton3";
inline constexpr char deleteButton[] = "SpeedButton2";
inline constexpr char renameButton[] = "SpeedButton4";
inline constexpr char descriptionEdit[] = "Edit9";

/// " Format parameters ": the kind of file, its sheet or separator, its first line.
inline constexpr char parametersGroup[] = "GroupBox1";
inline constexpr char kindPanel[] = "Panel6";
inline constexpr char textKindButton[] = "RadioButton11";
inline constexpr char excelKindButton[] = "RadioButton12";
inline constexpr char sheetPanel[] = "Panel5";
inline constexpr char sheetByNumberButton[] = "RadioButton6";
inline constexpr char sheetNumberEdit[] = "Edit8";
inline constexpr char sheetByNameButton[] = "RadioButton7";
inline constexpr char sheetNameEdit[] = "Edit7";
inline constexpr char firstLineEdit[] = "Edit6";
inline constexpr char detectButton[] = "DetectButton";
inline constexpr char separatorPanel[] = "Panel4";
/// The separator's choices: comma, semicolon, space, tabulation, other.
inline constexpr std::array<const char*, 5> separatorButtons = {"RadioButton1", "RadioButton2", "RadioButton3",
                                                                "RadioButton4", "RadioButton5"};
inline constexpr char otherSeparatorEdit[] = "Edit1";

/// How the fields of a text file are written: the decimal mark's two choices (point, comma),
/// then the boxes quoted fields, trim blanks, keep empty fields, header line.
inline constexpr char dialectPanel[] = "DialectPanel";
inline constexpr std::array<const char*, 2> decimalMarkButtons = {"DecimalPoint", "DecimalComma"};
inline constexpr std::array<const char*, 4> dialectBoxes = {"QuotedFields", "TrimBlanks", "KeepEmptyFields",
                                                            "HeaderLine"};

/// The rows: each in its panel, with its import box, position, prefix and "Keep".
inline constexpr std::array<const char*, 6> rowPanels = {"Panel2", "Panel1", "Panel10", "Panel9", "Panel8", "Panel7"};
inline constexpr std::array<const char*, 6> importBoxes = {"CheckBox3",  "CheckBox1",  "CheckBox19",
                                                           "CheckBox17", "CheckBox15", "CheckBox13"};
inline constexpr std::array<const char*, 6> positionEdits = {"Edit5", "Edit3", "Edit21", "Edit19", "Edit17", "Edit15"};
inline constexpr std::array<const char*, 6> prefixEdits = {"Edit4", "Edit2", "Edit20", "Edit18", "Edit16", "Edit14"};
inline constexpr std::array<const char*, 6> keepBoxes = {"CheckBox4",  "CheckBox2",  "CheckBox20",
                                                         "CheckBox18", "CheckBox16", "CheckBox14"};
/// The code row's polyline codes: new, draw, end.
inline constexpr char codesPanel[] = "Panel3";
inline constexpr std::array<const char*, 3> codeEdits = {"polstart", "poldraw", "polend"};

/// The preview under the form: the main window's point file as the form reads it.
inline constexpr char previewPanel[] = "PreviewPanel";
/// What is shown, or why nothing is.
inline constexpr char previewStatus[] = "PreviewStatus";
inline constexpr char previewTable[] = "PreviewTable";

/// The prompts " New format" and " Rename".
inline constexpr char newFormatPrompt[] = "NewFormatPrompt";
inline constexpr char renamePrompt[] = "RenamePrompt";
inline constexpr char promptNameEdit[] = "Edit1";
inline constexpr char promptNameLabel[] = "Label1";
inline constexpr char promptOkButton[] = "Button1";
inline constexpr char promptCancelButton[] = "Button2";

} // namespace mervalon::app::FormatEditorControls
