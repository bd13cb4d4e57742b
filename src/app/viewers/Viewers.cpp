#include "app/viewers/Viewers.h"

#include "app/shell/Interaction.h"
#include "app/spreadsheet/SpreadsheetPreview.h"
#include "app/viewers/ReportViewer.h"
#include "app/viewers/TextViewer.h"
#include "app/viewers/ViewerRules.h"

#include <QFileInfo>

namespace mervalon::app {

Viewers::Viewers(Interaction& interaction, QString installDir, std::function<bool()> useInternalViewer,
                 TextViewer& textViewer, ReportViewer& reportViewer, SpreadsheetPreview& spreadsheetPreview)
    : m_interaction(interaction), m_installDir(std::move(installDir)),
      m_useInternalViewer(std::move(useInternalViewer)), m_textViewer(textViewer), m_reportViewer(reportViewer),
      m_spreadsheetPreview(spreadsheetPreview)
{
    QObject::connect(&m_reportViewer, &ReportViewer::lineChosen, &m_reportViewer,
                     [this](const CitedLine& cited) { showCitedLine(cited.path, cited.line); });
}

QString Viewers::reportPath() const
{
    return reportPathOf(m_installDir);
}

void Viewers::viewFile(const QString& filePath)
{
    m_previewFileName = filePath;
    // Any workbook goes to the spreadsheet preview, whatever its name; one it cannot read is
    // refused there (with the reason), never shown as text that "Save" would write over it.
    if (m_spreadsheetPreview.previewWorkbook(filePath) != SpreadsheetPreview::Outcome::NotWorkbook) {
        return;
    }
    if (!m_useInternalViewer()) {
        startEditor(filePath);
        return;
    }
    if (m_textViewer.load(filePath)) {
        m_interaction.execDialog(m_textViewer);
        m_textViewer.unload();
    }
}

void Viewers::showCitedLine(const QString& filePath, int line)
{
    if (!QFileInfo::exists(filePath)) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, kCitedFileMissing.arg(filePath));
        return;
    }
    m_previewFileName = filePath;
    if (m_spreadsheetPreview.previewWorkbook(filePath) != SpreadsheetPreview::Outcome::NotWorkbook) {
        return;
    }
    if (!m_useInternalViewer()) {
        startEditor(filePath);
        return;
    }
    if (m_textViewer.load(filePath)) {
        m_textViewer.startAtLine(line);
        m_interaction.execDialog(m_textViewer);
        m_textViewer.unload();
    }
}

void Viewers::showReport()
{
    if (!m_useInternalViewer()) {
        startEditor(reportPath());
        return;
    }
    if (m_reportViewer.load(reportPath())) {
        m_interaction.execDialog(m_reportViewer);
    }
}

void Viewers::showLastReport()
{
    if (!QFileInfo::exists(reportPath())) {
        m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok, kReportNotFound);
        return;
    }
    showReport();
}

void Viewers::startEditor(const QString& filePath)
{
    if (!m_interaction.startEditor(filePath)) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, kEditorNotStarted.arg(filePath));
    }
}

} // namespace mervalon::app
