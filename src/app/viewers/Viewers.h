#pragma once
// The commands that show a file or the report: "View/Edit file" of the file list (viewFile),
// the report after a run (showReport) and the "Show last Log File" buttons (showLastReport).
// Each uses the internal viewer or the user's text editor, as the Options tab says.

#include <QString>
#include <functional>

namespace mervalon::app {

class Interaction;
class ReportViewer;
class SpreadsheetPreview;
class TextViewer;

class Viewers {
  public:
    /// `useInternalViewer` reads "Use internal viewer" at the moment of use.
    Viewers(Interaction& interaction, QString installDir, std::function<bool()> useInternalViewer,
            TextViewer& textViewer, ReportViewer& reportViewer, SpreadsheetPreview& spreadsheetPreview);

    /// "View/Edit file" on `filePath`: a workbook goes to the spreadsheet preview, any other file
    /// to the text viewer or the editor.
    void viewFile(const QString& filePath);
    void showReport();
    void showLastReport();

    /// A point file's line that the report cites, shown in the text viewer (or the file in the
    /// spreadsheet preview or the editor, which cannot be sent to a line).
    void showCitedLine(const QString& filePath, int line);

    [[nodiscard]] const QString& previewFileName() const { return m_previewFileName; }
    [[nodiscard]] QString reportPath() const;

  private:
    void startEditor(const QString& filePath);

    Interaction& m_interaction;
    QString m_installDir;
    std::function<bool()> m_useInternalViewer;
    TextViewer& m_textViewer;
    ReportViewer& m_reportViewer;
    SpreadsheetPreview& m_spreadsheetPreview;
    QString m_previewFileName;
};

} // namespace mervalon::app
