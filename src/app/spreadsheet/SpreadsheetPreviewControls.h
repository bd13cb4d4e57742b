#pragma once
// The object names of the spreadsheet preview's controls (" Excel file preview"). The names are how
// tests, the help and scripts find the controls; code speaks of a control by its constant here, never by
// its name.

namespace mervalon::app::SpreadsheetPreviewControls {

/// The dialog itself.
inline constexpr char window[] = "TForm14";
/// The white band at the top and its heading.
inline constexpr char headerBand[] = "Panel2";
inline constexpr char heading[] = "Label9";
/// The path of the workbook shown.
inline constexpr char pathLabel[] = "Label1";
/// The cells of the sheet shown.
inline constexpr char grid[] = "StringGrid1";
/// One tab per sheet.
inline constexpr char sheetTabs[] = "TabSet1";
/// The grid's row menu and its commands.
inline constexpr char rowMenu[] = "PopupMenu1";
inline constexpr char deleteRowAction[] = "DeletethisRow2";
inline constexpr char menuSeparator[] = "N1";
inline constexpr char insertBeforeAction[] = "DeletethisRow1";
inline constexpr char insertAfterAction[] = "InsertRowbefore1";
/// The frame of "Save" and "Close".
inline constexpr char buttonFrame[] = "GroupBox1";
inline constexpr char saveButton[] = "BitBtn1";
inline constexpr char closeButton[] = "BitBtn2";

} // namespace mervalon::app::SpreadsheetPreviewControls
