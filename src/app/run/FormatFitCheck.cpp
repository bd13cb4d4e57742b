#include "app/run/FormatFitCheck.h"

#include "app/common/TextConversions.h"
#include "app/files/FileSelectionPanel.h"
#include "app/formats/FormatNamePrompt.h"
#include "app/mainwindow/MainWindow.h"
#include "app/run/FormatFitRules.h"
#include "app/shell/Interaction.h"
#include "core/formats/FormatLibrary.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <exception>

namespace mervalon::app {
namespace {

// The main window's format list (its object name is the setting it is stored under).
QComboBox* formatList(MainWindow& window)
{
    return window.findChild<QComboBox*>(QStringLiteral("format"));
}

} // namespace

FormatFitCheck::FormatFitCheck(Interaction& interaction, MainWindow& window, QString installDir)
    : m_interaction(interaction), m_window(window), m_installDir(std::move(installDir)),
      m_prompt(new FormatNamePrompt(FormatNamePrompt::Kind::NewFormat, interaction, &window))
{
}

FormatFitCheck::~FormatFitCheck() = default;

bool FormatFitCheck::confirm()
{
    const formats::FormatDefinition& format = m_window.currentFormat();
    if (format.isExcel != 0) {
        return true;
    }
    const engine::PreviewSettings settings{format, m_window.currentDialect(), m_window.dataModifiers()};
    const QDir folder(m_window.files().inputFolder());
    QStringList misfits;
    std::vector<FileFit> fits;
    for (const QString& name : m_window.files().selectedFiles()) {
        const FileFit fit = FormatFitRules::checkFile(folder.filePath(name), settings);
        if (fit.verdict == FileFit::Verdict::Misfit) {
            misfits << name;
            fits.push_back(fit);
        }
    }
    if (misfits.isEmpty()) {
        return true;
    }
    formats::DetectedLayout layout;
    try {
        layout = formats::detectLayoutOfFile(toPath(folder.filePath(misfits.front())));
    } catch (const std::exception&) {
        layout.found = false; // the run reports a file it cannot read
    }
    const QComboBox* list = formatList(m_window);
    const QString formatName = list != nullptr ? list->currentText() : fromText(format.name);
    const auto question = FormatFitRules::question(formatName, misfits, fits, layout);
    const MessageAnswer answer = m_interaction.showMessage(
        MessageIcon::Warning, question->layoutOffered ? MessageButtons::YesNoCancel : MessageButtons::OkCancel,
        question->text);
    switch (answer) {
    case MessageAnswer::Ok:
    case MessageAnswer::No:
        return true;
    case MessageAnswer::Yes:
        return useDetected(misfits.front(), layout);
    default:
        return false;
    }
}

// Saves the detected layout as a new format (never over one: the prompt refuses listed names)
// and chooses it, as choosing it in the list would.
bool FormatFitCheck::useDetected(const QString& fileName, const formats::DetectedLayout& layout)
{
    formats::DetectedFormat detected = formats::formatOfLayout(layout, m_window.currentFormat());
    QStringList listed;
    try {
        for (const std::string& name : formats::listFormats(toPath(m_installDir))) {
            listed << fromText(name);
        }
    } catch (const std::exception& error) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, QString::fromLocal8Bit(error.what()));
        return false;
    }
    m_prompt->prepare(listed, FormatFitRules::proposedName(fileName, listed));
    if (m_interaction.execDialog(*m_prompt) != QDialog::Accepted) {
        return false;
    }
    const QString name = m_prompt->name();
    detected.format.name = toText(name).substr(0, formats::kMaxFormatNameLength);
    try {
        formats::saveFormat(toPath(m_installDir), detected.format, detected.dialect, toText(name));
    } catch (const std::exception& error) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, QString::fromLocal8Bit(error.what()));
        return false;
    }
    m_window.fillFormatList();
    if (QComboBox* list = formatList(m_window)) {
        list->setCurrentIndex(list->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    m_window.formatChange();
    return true;
}

} // namespace mervalon::app
