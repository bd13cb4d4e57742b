#include "app/codes/CodeLibraryPanel.h"

#include "app/codes/CodeLibraryControls.h"
#include "app/codes/CodeLibraryEditor.h"
#include "app/codes/CodeLibraryRules.h"
#include "app/common/TextConversions.h"
#include "app/shell/Interaction.h"
#include "core/codes/CodeSet.h"
#include "core/codes/SymbolLibrary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace mervalon::app {

CodeLibraryPanel::CodeLibraryPanel(Interaction& interaction, QWidget* parent)
    : QWidget(parent), m_interaction(interaction)
{
    setObjectName(QLatin1String(CodeLibraryControls::panel));
    auto* caption = new QLabel(QStringLiteral("Code library:"), this);
    m_library = new QComboBox(this);
    m_library->setObjectName(QLatin1String(CodeLibraryControls::libraryList));
    m_library->setToolTip(QStringLiteral("Draw by the points' codes with this library of the installation's "
                                         "\"codes\" folder or this library file, or not (none)"));
    m_library->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_library->setMinimumContentsLength(8);
    caption->setBuddy(m_library);
    m_editButton = new QToolButton(this);
    m_editButton->setObjectName(QLatin1String(CodeLibraryControls::editorButton));
    m_editButton->setToolTip(QStringLiteral("Code library editor (a new library when none is chosen)..."));
    m_editButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    m_fileButton = new QToolButton(this);
    m_fileButton->setObjectName(QLatin1String(CodeLibraryControls::fileButton));
    m_fileButton->setToolTip(QStringLiteral("Other code library file..."));
    m_fileButton->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    m_escape = new QCheckBox(kEscapeNonAsciiCaption, this);
    m_escape->setObjectName(QLatin1String(CodeLibraryControls::escapeBox));
    m_escape->setToolTip(QStringLiteral("Every letter beyond ASCII in the drawings' texts is written as its escape "
                                        "\\U+XXXX, also those Windows-1252 has: LibreOffice Draw shows them right"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setVerticalSpacing(3);
    layout->addWidget(caption, 0, 0);
    layout->addWidget(m_library, 0, 1);
    layout->addWidget(m_editButton, 0, 2);
    layout->addWidget(m_fileButton, 0, 3);
    layout->addWidget(m_escape, 1, 0, 1, 4);
    layout->setColumnStretch(1, 1);
    connect(m_library, &QComboBox::currentIndexChanged, this, [this] { refreshEnabling(); });
    connect(m_editButton, &QToolButton::clicked, this, &CodeLibraryPanel::openEditor);
    connect(m_fileButton, &QToolButton::clicked, this, &CodeLibraryPanel::chooseOtherFile);
    refreshEnabling();
}

void CodeLibraryPanel::attach(const QString& installDir)
{
    m_installDir = installDir;
    fillLibraryList();
}

void CodeLibraryPanel::fillLibraryList()
{
    fillLibraryList(currentChoice());
}

void CodeLibraryPanel::fillLibraryList(const QString& chosen)
{
    const QDir folder(codesFolder());
    const QStringList choices = codeLibraryChoices(
        folder.entryList({QStringLiteral("*") + QLatin1String(codes::kCodeLibrarySuffix)}, QDir::Files), chosen);
    const QSignalBlocker blocker(m_library);
    m_library->clear();
    m_library->addItems(choices);
    m_library->setCurrentIndex(
        std::max(0, static_cast<int>(choices.indexOf(chosen.isEmpty() ? kNoCodeLibraryChoice : chosen))));
    refreshEnabling();
}

QString CodeLibraryPanel::currentChoice() const
{
    return m_library->currentText();
}

void CodeLibraryPanel::refreshEnabling()
{
    m_editButton->setEnabled(editorEnabled(currentChoice()));
}

QString CodeLibraryPanel::codesFolder() const
{
    return QDir(m_installDir).filePath(QLatin1String(codes::kCodesFolder));
}

void CodeLibraryPanel::selectChoice(const QString& choice)
{
    if (m_library->findText(choice, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
        m_library->addItem(choice); // a library file elsewhere, or one removed: the choice stays
    }
    m_library->setCurrentIndex(m_library->findText(choice, Qt::MatchExactly | Qt::MatchCaseSensitive));
    refreshEnabling();
}

void CodeLibraryPanel::openEditor()
{
    if (!editorEnabled(currentChoice())) {
        return;
    }
    const QString symbols = QDir(m_installDir).filePath(QLatin1String(codes::kSymbolsFolder));
    CodeLibraryEditor editor(m_interaction, window());
    editor.setCodesFolder(codesFolder());
    bool opened = true;
    if (currentChoice() == kNoCodeLibraryChoice) {
        editor.startNew(symbols);
    } else {
        const std::filesystem::path file =
            codes::codeLibraryPath(libraryOfChoice(currentChoice()), toPath(m_installDir));
        opened = editor.open(QString::fromStdString(file.string()), symbols);
    }
    if (opened) {
        execDialogDimming(m_interaction, editor, window());
    }
    fillLibraryList(editor.savedAsName().isEmpty() ? currentChoice() : editor.savedAsName());
}

void CodeLibraryPanel::chooseOtherFile()
{
    const std::string current = libraryOfChoice(currentChoice());
    const QString folder =
        current.empty()
            ? codesFolder()
            : QFileInfo(QString::fromStdString(codes::codeLibraryPath(current, toPath(m_installDir)).string())).path();
    const QString file = m_interaction.chooseOpenFile(QStringLiteral("Code library file"), folder, QString(),
                                                      QStringLiteral("Code libraries (*.csv);;All files (*)"));
    if (!file.isEmpty()) {
        fillLibraryList(choiceOfFile(QFileInfo(file).absoluteFilePath(), QFileInfo(codesFolder()).absoluteFilePath()));
    }
}

void CodeLibraryPanel::showConfiguration(const config::Configuration& configuration)
{
    selectChoice(choiceOfOptions(configuration.options));
    m_escape->setChecked(configuration.options.escapeNonAscii);
}

void CodeLibraryPanel::captureConfiguration(config::Configuration& configuration) const
{
    configuration.options.codeLibrary = libraryOfChoice(currentChoice());
    configuration.options.escapeNonAscii = m_escape->isChecked();
}

} // namespace mervalon::app
