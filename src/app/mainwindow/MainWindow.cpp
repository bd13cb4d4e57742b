#include "app/mainwindow/MainWindow.h"

#include "app/codes/CodeLibraryPanel.h"
#include "app/common/ElidedLabel.h"
#include "app/common/Glyphs.h"
#include "app/common/ScreenFit.h"
#include "app/common/ScreenFitRules.h"
#include "app/common/TextConversions.h"
#include "app/common/WidgetHelpers.h"
#include "app/configuration/ConfigurationCommands.h"
#include "app/configuration/ConfigurationControls.h"
#include "app/entities/EntityPanels.h"
#include "app/files/FileSelectionPanel.h"
#include "app/formats/FormatEditorDialog.h"
#include "app/help/ActiveHelp.h"
#include "app/help/HelpTopicsRules.h"
#include "app/help/HintSwitch.h"
#include "app/mainwindow/MainWindowControls.h"
#include "app/mainwindow/MainWindowRules.h"
#include "app/modifiers/DataModifiersDialog.h"
#include "app/modifiers/DataModifiersRules.h"
#include "app/order/EntitiesOrderDialog.h"
#include "app/order/EntitiesOrderRules.h"
#include "app/shell/Interaction.h"
#include "core/formats/FormatLibrary.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace mervalon::app {
namespace {

// The buttons of the error and report policies, in the order of their enumerations; their
// object names are the names of the settings they are stored under.
constexpr std::array<ChoiceButton, 3> kErrorButtons{{
    {platform::keys::skipLine.name.data(), "Skip the line and continue with current file."},
    {platform::keys::abortFile.name.data(), "Abort current file treatment and jump to next file."},
    {platform::keys::abortProcess.name.data(), "Abort process."},
}};
constexpr std::array<ChoiceButton, 3> kReportButtons{{
    {platform::keys::reportAlways.name.data(), "Always show Report."},
    {platform::keys::reportOnErrors.name.data(), "Show Report only if there were errors."},
    {platform::keys::reportNever.name.data(), "Never show Report."},
}};

/// The designed client area; larger fonts, or little room on the screen, change it.
constexpr QSize kDesignedSize(602, 496);

int availableScreenHeight()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry().height() : 0;
}

} // namespace

MainWindow::MainWindow(Interaction& interaction, platform::AppSettings& settings, HintSwitch& hints, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_interaction(interaction), m_settings(settings), m_hints(hints), m_options(settings)
{
    setObjectName(QLatin1String(MainWindowControls::window));

    m_pages = named(new QTabWidget(this), MainWindowControls::pages);
    m_pages->addTab(buildCreationTab(), QStringLiteral("DXF Creation"));
    m_pages->addTab(buildOptionsTab(), QStringLiteral("Options"));
    m_pages->addTab(buildAboutTab(), QStringLiteral("About"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(m_pages, 1);
    m_strip = buildConfigurationStrip();
    layout->addWidget(m_strip);
    connect(m_pages, &QTabWidget::currentChanged, this, &MainWindow::tabChanged);

    // The designed client area is 602 x 496; larger fonts may need more, and the window then
    // grows to fit instead of cutting controls off. A screen with little room (a large scale
    // factor) gets the compact layout and no more height than leaves room for the frame
    // (fittedWindowHeight). The window is not meant to be resized.
    const QSize minimum = minimumSizeHint();
    setFixedSize(std::max(kDesignedSize.width(), minimum.width()),
                 fittedWindowHeight(kDesignedSize.height(), minimum.height(), availableScreenHeight()));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    tabChanged(0);
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::buildCreationTab()
{
    auto* page = named(new QWidget, MainWindowControls::creationPage);
    m_files = new FileSelectionPanel(m_interaction, page);

    // " DXF Entities "
    auto* entities = groupBox(page, MainWindowControls::entitiesGroup, " DXF Entities ");
    auto* entitiesLayout = new QVBoxLayout(entities);
    entitiesLayout->setContentsMargins(6, 4, 6, 4);
    m_entities = new EntityPanels(m_interaction, entities);
    entitiesLayout->addWidget(m_entities, 1);
    auto* orderButton =
        named(new QPushButton(QStringLiteral("Entities order ..."), entities), MainWindowControls::entitiesOrderButton);
    orderButton->setToolTip(QStringLiteral("Entities creation parameters"));
    entitiesLayout->addWidget(orderButton);
    connect(orderButton, &QPushButton::clicked, this, &MainWindow::openEntitiesOrder);

    // " Coordinates File Format "
    auto* format = groupBox(page, MainWindowControls::formatGroup, " Coordinates File Format ");
    m_format = named(new QComboBox(format), MainWindowControls::formatList);
    m_format->setToolTip(QStringLiteral("Select a file format"));
    m_format->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_format->setMinimumContentsLength(8);
    auto* editorButton = toolButton(format, MainWindowControls::formatEditorButton, QStringLiteral("Format Editor..."),
                                    style()->standardIcon(QStyle::SP_FileDialogContentsView));
    connect(editorButton, &QToolButton::clicked, this, &MainWindow::openFormatEditor);
    // A description too long for the line is cut at its end; the tooltip holds it whole.
    m_formatDescription = named(new ElidedLabel(format), MainWindowControls::formatDescription);
    m_formatDescription->setElideMode(Qt::ElideRight);
    m_modifiersButton = named(new QPushButton(format), MainWindowControls::dataModifiersButton);
    m_modifiersButton->setToolTip(QStringLiteral("Modify the way data is imported"));
    refreshModifiersButton();
    m_alwaysPolyline = named(new QCheckBox(QStringLiteral("Always create polyline (no code)"), format),
                             MainWindowControls::alwaysPolylineBox);
    m_alwaysPolyline->setToolTip(QStringLiteral("Create a polyline passing through each point."));
    m_alwaysPolyline->setEnabled(false);
    m_alwaysPolyline->setVisible(false);
    connect(m_format, &QComboBox::activated, this, [this] { formatChange(); });
    connect(m_modifiersButton, &QPushButton::clicked, this, &MainWindow::openDataModifiers);
    m_modifiersDialog = new DataModifiersDialog(m_interaction, this);
    m_orderDialog = new EntitiesOrderDialog(m_interaction, this);
    connect(m_modifiersDialog, &DataModifiersDialog::helpRequested, this, &MainWindow::openHelpFile);
    connect(m_orderDialog, &EntitiesOrderDialog::helpRequested, this, &MainWindow::openHelpFile);
    auto* formatLayout = new QGridLayout(format);
    formatLayout->setContentsMargins(6, 4, 6, 4);
    formatLayout->setVerticalSpacing(3);
    formatLayout->addWidget(m_format, 0, 0);
    formatLayout->addWidget(editorButton, 0, 1);
    m_codeLibrary = new CodeLibraryPanel(m_interaction, format);
    if (compactLayout(kDesignedSize.height(), availableScreenHeight())) {
        // One row less: the data modifiers beside the format.
        formatLayout->addWidget(m_modifiersButton, 0, 2);
        formatLayout->addWidget(m_formatDescription, 1, 0, 1, 3);
        formatLayout->addWidget(m_codeLibrary, 2, 0, 1, 3);
    } else {
        formatLayout->addWidget(m_formatDescription, 1, 0, 1, 2);
        formatLayout->addWidget(m_modifiersButton, 2, 0, 1, 2);
        formatLayout->addWidget(m_codeLibrary, 3, 0, 1, 2);
    }
    formatLayout->setColumnStretch(0, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(entities, 1);
    right->addWidget(format);
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(m_files, 11);
    layout->addLayout(right, 9);
    layout->addWidget(buildGlyphColumn(MainWindowControls::createButton, MainWindowControls::exitButton,
                                       MainWindowControls::helpFileButton, MainWindowControls::lastReportButton, true));
    connect(m_files, &FileSelectionPanel::fileCommandsEnabledChanged, m_createButton, &QToolButton::setEnabled);
    return page;
}

QWidget* MainWindow::buildOptionsTab()
{
    auto* page = named(new QWidget, MainWindowControls::optionsPage);

    auto* report = groupBox(page, MainWindowControls::reportGroup, " Error Report ");
    auto* reportLayout = new QVBoxLayout(report);
    reportLayout->addWidget(
        named(new QLabel(QStringLiteral("After process:"), report), MainWindowControls::reportLabel));
    m_reportChoice = std::make_unique<ChoiceButtons<ReportPolicy, 3>>(
        report, reportLayout, kReportButtons, [this](ReportPolicy policy) { selectReportPolicy(policy); });
    reportLayout->addStretch();

    auto* errors = groupBox(page, MainWindowControls::errorGroup, " Error Processing ");
    auto* errorLayout = new QVBoxLayout(errors);
    auto* errorLabel =
        named(new QLabel(QStringLiteral("If an error occurs in a line of the file being processed:"), errors),
              MainWindowControls::errorLabel);
    errorLabel->setWordWrap(true);
    errorLayout->addWidget(errorLabel);
    m_errorChoice = std::make_unique<ChoiceButtons<ErrorPolicy, 3>>(
        errors, errorLayout, kErrorButtons, [this](ErrorPolicy policy) { selectErrorPolicy(policy); });
    errorLayout->addStretch();

    auto* help = groupBox(page, MainWindowControls::helpGroup, " Help ");
    auto* helpLayout = new QVBoxLayout(help);
    m_hintBox = named(new QCheckBox(QStringLiteral("Show Help Tips."), help), MainWindowControls::hintsBox);
    m_hintBox->setToolTip(QStringLiteral("Tips..."));
    m_activeHelpBox =
        named(new QCheckBox(QStringLiteral("Show Active Help window."), help), MainWindowControls::activeHelpBox);
    m_activeHelpBox->setToolTip(QStringLiteral("Tips..."));
    helpLayout->addWidget(m_hintBox);
    helpLayout->addWidget(m_activeHelpBox);
    helpLayout->addStretch();
    connect(m_hintBox, &QCheckBox::clicked, this, [this](bool on) {
        m_hints.setEnabled(on);
        writeBoolSetting(platform::keys::showHints, on);
    });
    connect(m_activeHelpBox, &QCheckBox::clicked, this, [this](bool on) {
        writeBoolSetting(platform::keys::activeHelp, on);
        switchActiveHelp(on, ActiveHelp::kSwitchOffset);
    });

    auto* viewer = groupBox(page, MainWindowControls::viewerGroup, " Coordinates file Preview and Error Report  ");
    auto* viewerLayout = new QVBoxLayout(viewer);
    m_internalViewer = named(new QRadioButton(QStringLiteral("Use internal viewer"), viewer),
                             MainWindowControls::internalViewerButton);
    m_internalViewer->setChecked(true);
    m_notepad =
        named(new QRadioButton(QStringLiteral("Use my text editor"), viewer), MainWindowControls::textEditorButton);
    viewerLayout->addWidget(m_internalViewer);
    viewerLayout->addWidget(m_notepad);
    viewerLayout->addStretch();
    for (QRadioButton* button : {m_internalViewer, m_notepad}) {
        connect(button, &QRadioButton::clicked, this,
                [this] { writeBoolSetting(platform::keys::internalViewer, m_internalViewer->isChecked()); });
    }

    auto* grid = new QGridLayout;
    grid->addWidget(errors, 0, 0, 1, 2);
    grid->addWidget(report, 1, 0);
    grid->addWidget(help, 1, 1);
    grid->addWidget(viewer, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* column = new QVBoxLayout;
    column->addLayout(grid);
    column->addStretch();
    layout->addLayout(column, 1);
    layout->addWidget(buildGlyphColumn(MainWindowControls::optionsCreateButton, MainWindowControls::optionsExitButton,
                                       MainWindowControls::optionsHelpFileButton,
                                       MainWindowControls::optionsLastReportButton, false));
    return page;
}

QWidget* MainWindow::buildAboutTab()
{
    auto* page = named(new QWidget, MainWindowControls::aboutPage);
    auto* version = named(new QLabel(QStringLiteral("Mervalon version 4.0a"), page), MainWindowControls::versionLabel);
    QFont big = version->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    version->setFont(big);
    version->setAlignment(Qt::AlignCenter);
    auto* icon = new QLabel(page);
    icon->setPixmap(QIcon(QStringLiteral(":/mervalon/mervalon.png")).pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    auto* column = new QVBoxLayout;
    column->addStretch();
    column->addWidget(icon);
    column->addWidget(version);
    column->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(column, 1);
    layout->addWidget(buildGlyphColumn(MainWindowControls::aboutCreateButton, MainWindowControls::aboutExitButton,
                                       MainWindowControls::aboutHelpFileButton,
                                       MainWindowControls::aboutLastReportButton, false));
    return page;
}

QWidget* MainWindow::buildGlyphColumn(const char* create, const char* exit, const char* help, const char* log,
                                      bool createEnabled)
{
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 8, 0, 0);
    layout->setSpacing(6);
    struct GlyphButton {
        const char* name;
        const char* hint;
        Glyph glyph;
    };
    const GlyphButton glyphs[] = {{create, "Create DXF Files...", Glyph::CreateDxf},
                                  {exit, "Exit...", Glyph::Exit},
                                  {help, "Show Help File...", Glyph::HelpFile},
                                  {log, "Show last Log File", Glyph::LastLog}};
    for (const GlyphButton& glyph : glyphs) {
        QToolButton* button = toolButton(column, glyph.name, QLatin1String(glyph.hint), glyphIcon(glyph.glyph));
        button->setIconSize(QSize(28, 28));
        button->setFixedSize(42, 42);
        layout->addWidget(button);
        if (glyph.name == exit) {
            connect(button, &QToolButton::clicked, this, &MainWindow::exitProgram);
        }
        if (glyph.name == help) {
            connect(button, &QToolButton::clicked, this, &MainWindow::openHelpFile);
        }
        if (glyph.name == log) {
            connect(button, &QToolButton::clicked, this, &MainWindow::lastReportRequested);
        }
        if (glyph.name == create) {
            // The first tab's button follows the file list; the others never run.
            button->setEnabled(false);
            if (createEnabled) {
                m_createButton = button;
                connect(button, &QToolButton::clicked, this, &MainWindow::createDxfFilesRequested);
            }
        }
    }
    layout->addStretch();
    return column;
}

QWidget* MainWindow::buildConfigurationStrip()
{
    auto* strip = new QWidget(this);
    m_loadButton = toolButton(strip, ConfigurationControls::loadButton, QStringLiteral("Load a configuration file."),
                              style()->standardIcon(QStyle::SP_DialogOpenButton));
    m_saveButton =
        toolButton(strip, ConfigurationControls::saveButton, QStringLiteral("Save current configuration to file."),
                   style()->standardIcon(QStyle::SP_DialogSaveButton));
    m_inUseLabel =
        named(new QLabel(QStringLiteral("Configuration file in use: "), strip), ConfigurationControls::inUseLabel);
    m_nameLabel = named(new QLabel(strip), ConfigurationControls::nameLabel);
    QFont bold = m_nameLabel->font();
    bold.setBold(true);
    m_nameLabel->setFont(bold);
    QPalette maroon = m_nameLabel->palette();
    maroon.setColor(QPalette::Active, QPalette::WindowText, QColor(128, 0, 0));
    maroon.setColor(QPalette::Inactive, QPalette::WindowText, QColor(128, 0, 0));
    m_nameLabel->setPalette(maroon);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->addWidget(m_loadButton);
    layout->addWidget(m_saveButton);
    layout->addSpacing(8);
    layout->addWidget(m_inUseLabel);
    layout->addWidget(m_nameLabel);
    layout->addStretch();
    connect(m_loadButton, &QToolButton::clicked, this, [this] {
        if (m_commands != nullptr) {
            m_commands->loadConfigurationFile(*this);
        }
    });
    connect(m_saveButton, &QToolButton::clicked, this, [this] {
        if (m_commands != nullptr) {
            m_commands->saveConfigurationFile(*this);
        }
    });
    return strip;
}

void MainWindow::attach(const QString& installDir, ConfigurationCommands& commands,
                        DestinationFolderDialog& destination, ExtensionListDialog& extensions)
{
    Q_ASSERT(!isVisible());
    m_installDir = installDir;
    m_commands = &commands;
    m_files->attach(installDir, destination, extensions);
    m_codeLibrary->attach(installDir);
}

void MainWindow::fillFormatList()
{
    const QString chosen = m_format->currentText();
    const QSignalBlocker blocker(m_format);
    m_format->clear();
    for (const std::string& name : formats::listFormats(toPath(m_installDir))) {
        m_format->addItem(fromText(name));
    }
    int index = m_format->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        index = m_format->findText(QStringLiteral("!default"), Qt::MatchExactly | Qt::MatchCaseSensitive);
    }
    m_format->setCurrentIndex(index >= 0 || m_format->count() == 0 ? index : 0);
}

void MainWindow::openFormatEditor()
{
    if (m_formatEditor == nullptr) {
        return;
    }
    m_interaction.setWindowOpacity(*this, 200);
    const bool opened = m_formatEditor->prepare(m_format->currentText());
    if (opened) {
        m_interaction.execDialog(*m_formatEditor);
    }
    m_interaction.setWindowOpacity(*this, 255);
    // The format the editor showed last becomes the choice; an editor that could not open
    // leaves the choice as it was.
    const QString shown = opened ? m_formatEditor->currentName() : m_format->currentText();
    fillFormatList();
    const int index = m_format->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        m_format->setCurrentIndex(index);
    }
    // The chosen format may have been edited, renamed or deleted: load it again whatever the
    // combo shows, as choosing it would.
    formatChange();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_started) {
        m_started = true;
        m_startSucceeded = startMainWindow();
        // The frame the window manager adds is known only once the window is on the screen
        // (and sometimes a moment later): the window is then moved, if need be, so that the
        // whole frame is on the screen, as at 150 % on a 1366 x 768 screen.
        fitOnScreenOnceFramed(*this);
    }
}

bool MainWindow::readOptions()
{
    std::array<bool, 3> errorValues{};
    std::array<bool, 3> reportValues{};
    for (std::size_t i = 0; i < 3; ++i) {
        errorValues[i] = m_settings.read(platform::keys::errorPolicy[i]);
    }
    for (std::size_t i = 0; i < 3; ++i) {
        reportValues[i] = m_settings.read(platform::keys::reportPolicy[i]);
    }
    const bool activeHelp = m_settings.read(platform::keys::activeHelp);

    // Selecting each stored true value in turn rewrites its group, so the last one wins.
    for (int i = 0; i < 3; ++i) {
        if (errorValues[static_cast<std::size_t>(i)]) {
            selectErrorPolicy(static_cast<ErrorPolicy>(i));
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (reportValues[static_cast<std::size_t>(i)]) {
            selectReportPolicy(static_cast<ReportPolicy>(i));
        }
    }
    const bool hints = m_settings.read(platform::keys::showHints);
    m_hintBox->setChecked(hints);
    m_hints.setEnabled(hints);
    return activeHelp;
}

bool MainWindow::startMainWindow()
{
    try {
        const bool activeHelp = readOptions();
        if (m_commands == nullptr || !m_commands->readStartConfiguration()) {
            return false;
        }
        showConfigurationName(m_commands->currentName());
        if (!m_files->loadExtensionList()) {
            return false;
        }
        m_files->restoreFolders(m_settings.read(platform::keys::lastInputFolder),
                                m_settings.read(platform::keys::lastDestination),
                                m_settings.read(platform::keys::destinationLocked));
        m_foldersRestored = true;
        const bool internalViewer = m_settings.read(platform::keys::internalViewer);
        m_internalViewer->setChecked(internalViewer);
        m_notepad->setChecked(!internalViewer);
        m_files->focusFolderTree();
        m_commands->applyConfiguration(*this);
        m_activeHelpBox->setChecked(activeHelp);
        switchActiveHelp(activeHelp, ActiveHelp::kSwitchOffset);
        // The window start places the window further left than switching on does.
        if (m_help != nullptr) {
            m_help->placeBesideMainWindow(ActiveHelp::kStartOffset);
            m_help->showHelpTopic(kStartHelpTopic);
        }
    } catch (const platform::SettingsError& error) {
        reportError(QString::fromUtf8(error.what()));
        return false;
    }
    return true;
}

void MainWindow::exitProgram()
{
    if (confirmExit()) {
        close();
    }
}

void MainWindow::saveFolders()
{
    if (!m_foldersRestored) {
        return;
    }
    try {
        m_settings.write(platform::keys::lastInputFolder, m_files->inputFolder());
        m_settings.write(platform::keys::lastDestination, m_files->destinationFolder());
        m_settings.write(platform::keys::destinationLocked, m_files->isDestinationLocked());
    } catch (const platform::SettingsError& error) {
        // Reported, and the exit goes on: a settings store that cannot be written must never
        // keep the user from leaving the program.
        reportError(QString::fromUtf8(error.what()));
    }
}

bool MainWindow::confirmExit()
{
    if (m_closeGuard && !m_closeGuard()) {
        return false;
    }
    saveFolders();
    m_orderOpenedByCheck = false;
    if (m_commands != nullptr && !m_commands->confirmConfigurationChanges(*this)) {
        // The save asked on the way out was refused by the entities check and the user went on
        // to the entities order: the exit does not go on by itself, and says so.
        if (const std::optional<QString> notice = exitStoppedNotice(m_orderOpenedByCheck)) {
            m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok, *notice);
        }
        return false;
    }
    m_ending = true;
    emit programEnded();
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // Every way of closing the window leaves through the exit, which may be cancelled.
    if (m_ending || confirmExit()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::selectErrorPolicy(ErrorPolicy policy)
{
    try {
        m_options.selectErrorPolicy(policy);
    } catch (const platform::SettingsError& error) {
        reportError(QString::fromUtf8(error.what()));
    }
    // The buttons show the policy that runs will use, which is the old one after a failed write.
    m_errorChoice->show(m_options.errorPolicy());
}

void MainWindow::selectReportPolicy(ReportPolicy policy)
{
    try {
        m_options.selectReportPolicy(policy);
    } catch (const platform::SettingsError& error) {
        reportError(QString::fromUtf8(error.what()));
    }
    m_reportChoice->show(m_options.reportPolicy());
}

QStringList MainWindow::selectedFiles() const
{
    return m_files->selectedFiles();
}

QString MainWindow::currentExtensionsText() const
{
    return m_files->currentExtensionsText();
}

bool MainWindow::useInternalViewer() const
{
    return m_internalViewer->isChecked();
}

void MainWindow::focusFormatList()
{
    m_format->setFocus();
}

void MainWindow::setRunning(bool running)
{
    const MainWindowEnabling enabling = mainWindowEnabling(m_pages->currentIndex(), running);
    m_pages->setEnabled(enabling.pages);
    m_strip->setEnabled(enabling.strip);
}

void MainWindow::showConfiguration(const config::Configuration& configuration)
{
    m_entities->showConfiguration(configuration);
    QStringList formats;
    for (int i = 0; i < m_format->count(); ++i) {
        formats << m_format->itemText(i);
    }
    const QString shown = formatToShow(formats, fromText(configuration.formatName));
    m_format->setCurrentIndex(shown.isEmpty() ? -1 : static_cast<int>(formats.indexOf(shown)));
    m_files->showConfiguration(configuration);
    m_codeLibrary->showConfiguration(configuration);
    m_layout = configuration.layout;
    m_modifiers = configuration.modifiers;
    m_entities->applyEnablingRules();
    formatChange();
    refreshModifiersButton();
}

void MainWindow::captureConfiguration(config::Configuration& configuration) const
{
    constexpr qsizetype kFormatNameCapacity = 60;
    m_entities->captureConfiguration(configuration);
    configuration.formatIndex = m_format->currentIndex();
    configuration.formatName = toText(m_format->currentText().left(kFormatNameCapacity));
    configuration.alwaysPolyline = m_alwaysPolyline->isChecked() ? 1 : 0;
    m_files->captureConfiguration(configuration);
    m_codeLibrary->captureConfiguration(configuration);
    configuration.modifiers = m_modifiers;
    configuration.layout = m_layout;
}

bool MainWindow::hasFormat(const QString& name) const
{
    return m_format->findText(name, Qt::MatchFixedString) >= 0;
}

void MainWindow::formatChange()
{
    if (m_format->currentIndex() < 0) {
        return;
    }
    formats::FormatDefinition format;
    formats::TextDialect dialect;
    try {
        format = formats::readFormat(toPath(m_installDir), toText(m_format->currentText()));
        dialect = formats::readDialect(toPath(m_installDir), toText(m_format->currentText()));
    } catch (const std::exception& error) {
        // The current format stays the one last loaded.
        reportError(QString::fromLocal8Bit(error.what()));
        return;
    }
    m_formatDescription->setFullText(fromText(format.description));
    m_entities->updateEntityTabsForFormat(format, m_modifiers);
    m_currentFormat = std::move(format);
    m_currentDialect = dialect;
}

void MainWindow::refreshModifiersButton()
{
    const ModifiersButtonLook look = modifiersButtonLook(m_modifiers);
    m_modifiersButton->setText(look.caption);
    QPalette palette = m_modifiersButton->palette();
    palette.setColor(QPalette::ButtonText, QColor(look.red, look.green, look.blue));
    m_modifiersButton->setPalette(palette);
}

void MainWindow::openDataModifiers()
{
    if (m_modifiersDialog->edit(m_modifiers)) {
        m_entities->updateNumberAndElevationTabs(m_currentFormat, m_modifiers);
    }
    refreshModifiersButton();
}

void MainWindow::openEntitiesOrder()
{
    m_orderDialog->edit(m_layout, m_entities->offeredTexts());
}

bool MainWindow::checkEntitiesCreation()
{
    const std::optional<QString> refusal = entitiesCheckRefusal(m_entities->offeredTexts(), m_layout);
    if (!refusal) {
        return true;
    }
    if (m_interaction.showMessage(MessageIcon::Information, MessageButtons::OkCancel, *refusal) == MessageAnswer::Ok) {
        m_orderOpenedByCheck = true;
        openEntitiesOrder();
    }
    return false;
}

void MainWindow::openHelpFile()
{
    showHelpFile(m_interaction, m_installDir);
}

int MainWindow::fileTypeCount() const
{
    return m_files->extensionCount();
}

void MainWindow::showConfigurationName(const QString& name)
{
    m_nameLabel->setText(name);
}

void MainWindow::tabChanged(int index)
{
    const bool enabled = configurationStripEnabled(index);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_loadButton, m_saveButton, m_inUseLabel, m_nameLabel}) {
        widget->setEnabled(enabled);
    }
}

void MainWindow::switchActiveHelp(bool on, int offset)
{
    if (m_help != nullptr) {
        m_help->setActive(on, offset);
    }
}

void MainWindow::writeBoolSetting(platform::BoolKey key, bool value)
{
    try {
        m_settings.write(key, value);
    } catch (const platform::SettingsError& error) {
        reportError(QString::fromUtf8(error.what()));
    }
}

void MainWindow::reportError(const QString& text)
{
    m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, text);
}

} // namespace mervalon::app
