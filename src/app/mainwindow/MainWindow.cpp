#include "app/MainWindow.h"

#include "app/ConfigurationCommands.h"
#include "app/DestinationFolderDialog.h"
#include "app/EntityPanels.h"
#include "app/ExtensionListDialog.h"
#include "app/FolderTreeView.h"
#include "app/Glyphs.h"
#include "app/HintSwitch.h"
#include "app/Interaction.h"
#include "app/MainWindowRules.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace mervalon::app {
namespace {

template <typename Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QToolButton* toolButton(QWidget* parent, const char* name, const QString& hint, const QIcon& icon)
{
    auto* button = named(new QToolButton(parent), name);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setIcon(icon);
    return button;
}

QToolButton* toolButton(QWidget* parent, const char* name, const QString& hint, QStyle::StandardPixmap icon)
{
    return toolButton(parent, name, hint, parent->style()->standardIcon(icon));
}

QGroupBox* groupBox(QWidget* parent, const char* name, const char* caption)
{
    return named(new QGroupBox(QLatin1String(caption), parent), name);
}

QString fromText(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::filesystem::path toPath(const QString& path)
{
    return std::filesystem::path(path.toStdString());
}

} // namespace

MainWindow::MainWindow(Interaction& interaction, platform::AppSettings& settings, HintSwitch& hints, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_interaction(interaction), m_settings(settings), m_hints(hints), m_options(settings)
{
    setObjectName(QStringLiteral("Form1"));

    m_pages = named(new QTabWidget(this), "PageControl1");
    m_pages->addTab(buildCreationTab(), QStringLiteral("DXF Creation"));
    m_pages->addTab(buildOptionsTab(), QStringLiteral("Options"));
    m_pages->addTab(buildAboutTab(), QStringLiteral("About"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(m_pages, 1);
    layout->addWidget(buildConfigurationStrip());
    connect(m_pages, &QTabWidget::currentChanged, this, &MainWindow::tabChanged);

    // The designed client area is 602 x 496; larger fonts or scaling may need more, and the
    // window then grows to fit instead of cutting controls off. It is not meant to be resized.
    setFixedSize(QSize(602, 496).expandedTo(minimumSizeHint()));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    tabChanged(0);
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::buildCreationTab()
{
    auto* page = named(new QWidget, "TabSheet1");

    // " Coordinates Files "
    auto* files = groupBox(page, "GroupBox1", " Coordinates Files ");
    m_folderTree = named(new FolderTreeView(files), "sh1");
    m_fileList = named(new QListWidget(files), "fl1");
    m_fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileList->setToolTip(QStringLiteral("Select files to process. Hold [Ctrl] key to select multiple files."));
    m_fileList->viewport()->installEventFilter(this);
    m_fileType = named(new QComboBox(files), "typfic");
    m_fileType->setToolTip(QStringLiteral("File type"));
    m_fileType->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fileType->setMinimumContentsLength(6);
    auto* extensionsButton = toolButton(files, "SpeedButton15", QStringLiteral("Modify Extensions list ..."),
                                        QStyle::SP_FileDialogDetailedView);
    m_autoSelect = named(new QCheckBox(QStringLiteral("AutoSelect"), files), "autosel");
    m_autoSelect->setToolTip(QStringLiteral("Automaticaly select all files matching current type"));
    m_countLabel = named(new QLabel(QStringLiteral("Files selected."), files), "Label3");
    m_pathLabel = named(new QLabel(files), "Label30");
    m_pathLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_popup = named(new QMenu(this), "PopupMenu1");
    m_previewAction = named(m_popup->addAction(QStringLiteral("View/Edit file")), "Preview1");
    auto* refreshAction = named(m_popup->addAction(QStringLiteral("Refresh folder")), "Refreshfolder1");
    connect(m_popup, &QMenu::aboutToShow, this,
            [this] { m_previewAction->setEnabled(m_fileList->selectedItems().size() == 1); });
    connect(refreshAction, &QAction::triggered, this, [this] {
        refreshFileList();
        selectFirstFile();
    });

    auto* browsers = new QSplitter(Qt::Horizontal, files);
    browsers->addWidget(m_folderTree);
    browsers->addWidget(m_fileList);
    browsers->setChildrenCollapsible(false);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(m_fileType, 1);
    typeRow->addWidget(extensionsButton);
    typeRow->addWidget(m_autoSelect);
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setContentsMargins(6, 4, 6, 4);
    filesLayout->setSpacing(3);
    filesLayout->addWidget(browsers, 1);
    filesLayout->addLayout(typeRow);
    filesLayout->addWidget(m_countLabel);
    filesLayout->addWidget(m_pathLabel);

    connect(m_folderTree, &FolderTreeView::folderSelected, this, [this] { inputFolderChanged(); });
    connect(m_fileType, &QComboBox::activated, this, [this] { fileTypeChanged(); });
    connect(m_fileList, &QListWidget::itemSelectionChanged, this, &MainWindow::refreshSelectionCount);
    connect(m_autoSelect, &QCheckBox::clicked, this, [this](bool on) {
        if (on) {
            m_fileList->selectAll();
        }
        refreshSelectionCount();
    });
    connect(extensionsButton, &QToolButton::clicked, this, &MainWindow::openExtensionListDialog);

    // " Destination Directory "
    auto* destination = groupBox(page, "GroupBox2", " Destination Directory ");
    m_destination = named(new QLineEdit(destination), "Edit1");
    m_destination->setReadOnly(true);
    m_destination->setToolTip(QStringLiteral("DXF files will be created here."));
    QPalette infoPalette = m_destination->palette();
    infoPalette.setColor(QPalette::Base, infoPalette.color(QPalette::ToolTipBase));
    infoPalette.setColor(QPalette::Text, infoPalette.color(QPalette::ToolTipText));
    m_destination->setPalette(infoPalette);
    const QString lockHint = QStringLiteral("Makes Destination Directory match Files Directory");
    m_lockedButton = toolButton(destination, "SpeedButton1", lockHint, QStyle::SP_DirLinkIcon);
    m_lockedButton->setCheckable(true);
    m_lockedButton->setChecked(true);
    m_unlockedButton = toolButton(destination, "SpeedButton2", lockHint, QStyle::SP_DirLinkIcon);
    m_unlockedButton->setCheckable(true);
    m_browseButton = toolButton(destination, "SpeedButton4", QStringLiteral("Browse disk ..."), QStyle::SP_DirOpenIcon);
    auto* destinationLayout = new QHBoxLayout(destination);
    destinationLayout->setContentsMargins(6, 4, 6, 4);
    destinationLayout->addWidget(m_destination, 1);
    destinationLayout->addWidget(m_lockedButton);
    destinationLayout->addWidget(m_unlockedButton);
    destinationLayout->addWidget(m_browseButton);
    connect(m_lockedButton, &QToolButton::clicked, this, &MainWindow::unlockDestination);
    connect(m_unlockedButton, &QToolButton::clicked, this, &MainWindow::lockDestination);
    connect(m_browseButton, &QToolButton::clicked, this, &MainWindow::openDestinationDialog);
    unlockDestination();

    // " DXF Entities "
    auto* entities = groupBox(page, "GroupBox3", " DXF Entities ");
    auto* entitiesLayout = new QVBoxLayout(entities);
    entitiesLayout->setContentsMargins(6, 4, 6, 4);
    entitiesLayout->addWidget(new EntityPanels(entities), 1);
    auto* orderButton = named(new QPushButton(QStringLiteral("Entities order ..."), entities), "Button2");
    entitiesLayout->addWidget(orderButton);

    // " Coordinates File Format "
    auto* format = groupBox(page, "GroupBox4", " Coordinates File Format ");
    m_format = named(new QComboBox(format), "format");
    m_format->setToolTip(QStringLiteral("Select a file format"));
    m_format->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_format->setMinimumContentsLength(8);
    auto* editorButton = toolButton(format, "SpeedButton14", QStringLiteral("Format Editor..."),
                                    QStyle::SP_FileDialogContentsView);
    auto* description = named(new QLabel(format), "Label33");
    description->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* modifiersButton = named(new QPushButton(QStringLiteral("Data modifiers ( OFF ) ..."), format), "SpeedButton17");
    modifiersButton->setToolTip(QStringLiteral("Modify the way data is imported"));
    QPalette offPalette = modifiersButton->palette();
    offPalette.setColor(QPalette::ButtonText, QColor(185, 30, 21));
    modifiersButton->setPalette(offPalette);
    auto* alwaysPolyline = named(new QCheckBox(QStringLiteral("Always create polyline (no code)"), format), "tjrspol");
    alwaysPolyline->setToolTip(QStringLiteral("Create a polyline passing through each point."));
    alwaysPolyline->setEnabled(false);
    alwaysPolyline->setVisible(false);
    auto* formatLayout = new QGridLayout(format);
    formatLayout->setContentsMargins(6, 4, 6, 4);
    formatLayout->setVerticalSpacing(3);
    formatLayout->addWidget(m_format, 0, 0);
    formatLayout->addWidget(editorButton, 0, 1);
    formatLayout->addWidget(description, 1, 0, 1, 2);
    formatLayout->addWidget(modifiersButton, 2, 0, 1, 2);
    formatLayout->setColumnStretch(0, 1);

    auto* left = new QVBoxLayout;
    left->addWidget(files, 1);
    left->addWidget(destination);
    auto* right = new QVBoxLayout;
    right->addWidget(entities, 1);
    right->addWidget(format);
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(left, 11);
    layout->addLayout(right, 9);
    layout->addWidget(buildGlyphColumn("BitBtn1", "BitBtn2", "BitBtn3", "BitBtn10", true));
    m_createButton = page->findChild<QToolButton*>(QStringLiteral("BitBtn1"));
    return page;
}

QWidget* MainWindow::buildOptionsTab()
{
    auto* page = named(new QWidget, "TabSheet7");

    auto* report = groupBox(page, "GroupBox5", " Error Report ");
    auto* reportLayout = new QVBoxLayout(report);
    reportLayout->addWidget(named(new QLabel(QStringLiteral("After process:"), report), "Label4"));
    const char* reportNames[3] = {"rep1", "rep2", "rep3"};
    const char* reportCaptions[3] = {"Always show Report.", "Show Report only if there were errors.",
                                     "Never show Report."};
    auto* reportGroup = new QButtonGroup(report);
    for (int i = 0; i < 3; ++i) {
        auto* button = named(new QRadioButton(QLatin1String(reportCaptions[i]), report), reportNames[i]);
        reportGroup->addButton(button, i);
        reportLayout->addWidget(button);
        m_reportButtons[static_cast<std::size_t>(i)] = button;
        connect(button, &QRadioButton::clicked, this, [this, i] { selectReportPolicy(static_cast<ReportPolicy>(i)); });
    }
    reportLayout->addStretch();

    auto* errors = groupBox(page, "GroupBox6", " Error Processing ");
    auto* errorLayout = new QVBoxLayout(errors);
    auto* errorLabel = named(
        new QLabel(QStringLiteral("If an error occurs in a line of the file being processed:"), errors), "Label5");
    errorLabel->setWordWrap(true);
    errorLayout->addWidget(errorLabel);
    const char* errorNames[3] = {"er1", "er2", "er3"};
    const char* errorCaptions[3] = {"Skip the line and continue with current file.",
                                    "Abort current file treatment and jump to next file.", "Abort process."};
    auto* errorGroup = new QButtonGroup(errors);
    for (int i = 0; i < 3; ++i) {
        auto* button = named(new QRadioButton(QLatin1String(errorCaptions[i]), errors), errorNames[i]);
        errorGroup->addButton(button, i);
        errorLayout->addWidget(button);
        m_errorButtons[static_cast<std::size_t>(i)] = button;
        connect(button, &QRadioButton::clicked, this, [this, i] { selectErrorPolicy(static_cast<ErrorPolicy>(i)); });
    }
    errorLayout->addStretch();

    auto* help = groupBox(page, "GroupBox7", " Help ");
    auto* helpLayout = new QVBoxLayout(help);
    m_hintBox = named(new QCheckBox(QStringLiteral("Show Help Tips."), help), "CheckBox1");
    m_hintBox->setToolTip(QStringLiteral("Tips..."));
    m_activeHelpBox = named(new QCheckBox(QStringLiteral("Show Active Help window."), help), "CheckBox3");
    m_activeHelpBox->setToolTip(QStringLiteral("Tips..."));
    helpLayout->addWidget(m_hintBox);
    helpLayout->addWidget(m_activeHelpBox);
    helpLayout->addStretch();
    connect(m_hintBox, &QCheckBox::clicked, this, [this](bool on) {
        m_hints.setEnabled(on);
        writeBoolSetting("shint", on);
    });
    connect(m_activeHelpBox, &QCheckBox::clicked, this, [this](bool on) { writeBoolSetting("achelp", on); });

    auto* viewer = groupBox(page, "GroupBox8", " Coordinates file Preview and Error Report  ");
    auto* viewerLayout = new QVBoxLayout(viewer);
    m_internalViewer = named(new QRadioButton(QStringLiteral("Use internal viewer"), viewer), "RadioButton13");
    m_internalViewer->setChecked(true);
    m_notepad = named(new QRadioButton(QStringLiteral("Use NotePad"), viewer), "RadioButton14");
    viewerLayout->addWidget(m_internalViewer);
    viewerLayout->addWidget(m_notepad);
    viewerLayout->addStretch();
    for (QRadioButton* button : {m_internalViewer, m_notepad}) {
        connect(button, &QRadioButton::clicked, this,
                [this] { writeBoolSetting("useiviewer", m_internalViewer->isChecked()); });
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
    layout->addWidget(buildGlyphColumn("BitBtn4", "BitBtn11", "BitBtn6", "BitBtn5", false));
    return page;
}

QWidget* MainWindow::buildAboutTab()
{
    auto* page = named(new QWidget, "TabSheet10");
    auto* version = named(new QLabel(QStringLiteral("Mervalon version 4.0a"), page), "Label20");
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
    layout->addWidget(buildGlyphColumn("BitBtn7", "BitBtn12", "BitBtn9", "BitBtn8", false));
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
        if (glyph.name == create) {
            button->setEnabled(createEnabled);
        }
    }
    layout->addStretch();
    return column;
}

QWidget* MainWindow::buildConfigurationStrip()
{
    auto* strip = new QWidget(this);
    m_loadButton = toolButton(strip, "SpeedButton12", QStringLiteral("Load a configuration file."),
                              QStyle::SP_DialogOpenButton);
    m_saveButton = toolButton(strip, "SpeedButton13", QStringLiteral("Save current configuration to file."),
                              QStyle::SP_DialogSaveButton);
    m_inUseLabel = named(new QLabel(QStringLiteral("Configuration file in use: "), strip), "Label27");
    m_nameLabel = named(new QLabel(strip), "Label19");
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
    return strip;
}

void MainWindow::attach(const QString& installDir, ConfigurationCommands& commands,
                        DestinationFolderDialog& destination, ExtensionListDialog& extensions)
{
    m_installDir = installDir;
    m_commands = &commands;
    m_destinationDialog = &destination;
    m_extensionDialog = &extensions;
}

void MainWindow::fillFormatList()
{
    QDir formats(QDir(m_installDir).filePath(QStringLiteral("formats")));
    const QStringList files = formats.entryList({QStringLiteral("*.rpf")}, QDir::Files);
    m_format->addItems(formatNamesFromFiles(files));
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_started) {
        m_started = true;
        startMainWindow();
    }
}

bool MainWindow::startMainWindow()
{
    try {
        std::array<bool, 3> errorValues{};
        std::array<bool, 3> reportValues{};
        for (std::size_t i = 0; i < 3; ++i) {
            errorValues[i] = m_settings.readBool(QStringLiteral("er%1").arg(i + 1));
        }
        for (std::size_t i = 0; i < 3; ++i) {
            reportValues[i] = m_settings.readBool(QStringLiteral("rep%1").arg(i + 1));
        }
        const bool activeHelp = m_settings.readBool(QStringLiteral("achelp"));

        // Selecting each stored true value in turn rewrites its group, so the last one wins.
        for (int i = 0; i < 3; ++i) {
            if (errorValues[static_cast<std::size_t>(i)]) {
                m_options.selectErrorPolicy(static_cast<ErrorPolicy>(i));
                m_errorButtons[static_cast<std::size_t>(i)]->setChecked(true);
            }
        }
        for (int i = 0; i < 3; ++i) {
            if (reportValues[static_cast<std::size_t>(i)]) {
                m_options.selectReportPolicy(static_cast<ReportPolicy>(i));
                m_reportButtons[static_cast<std::size_t>(i)]->setChecked(true);
            }
        }

        const bool hints = m_settings.readBool(QStringLiteral("shint"));
        m_hintBox->setChecked(hints);
        m_hints.setEnabled(hints);

        if (m_commands == nullptr || !m_commands->readStartConfiguration()) {
            return false;
        }
        m_nameLabel->setText(m_commands->currentName());

        if (!loadExtensionList()) {
            return false;
        }
        m_folderTree->selectPath(m_settings.readString(QStringLiteral("lastpath")));
        m_destination->setText(m_settings.readString(QStringLiteral("lastpath2")));
        if (m_settings.readBool(QStringLiteral("locked"))) {
            lockDestination();
        } else {
            unlockDestination();
        }
        const bool internalViewer = m_settings.readBool(QStringLiteral("useiviewer"));
        m_internalViewer->setChecked(internalViewer);
        m_notepad->setChecked(!internalViewer);
        m_folderTree->setFocus();
        m_commands->applyConfiguration(*this);
        m_activeHelpBox->setChecked(activeHelp);
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

bool MainWindow::confirmExit()
{
    try {
        m_settings.writeString(QStringLiteral("lastpath"), m_folderTree->selectedPath());
        m_settings.writeString(QStringLiteral("lastpath2"), m_destination->text());
        m_settings.writeBool(QStringLiteral("locked"), m_locked);
    } catch (const platform::SettingsError& error) {
        reportError(QString::fromUtf8(error.what()));
        return false;
    }
    if (m_commands != nullptr && !m_commands->confirmConfigurationChanges(*this)) {
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
    m_errorButtons[static_cast<std::size_t>(policy)]->setChecked(true);
}

void MainWindow::selectReportPolicy(ReportPolicy policy)
{
    try {
        m_options.selectReportPolicy(policy);
    } catch (const platform::SettingsError& error) {
        reportError(QString::fromUtf8(error.what()));
    }
    m_reportButtons[static_cast<std::size_t>(policy)]->setChecked(true);
}

bool MainWindow::loadExtensionList()
{
    try {
        m_extensions = config::ExtensionList::load(toPath(QDir(m_installDir).filePath(QStringLiteral("mervalon40.ext"))));
    } catch (const std::system_error& error) {
        reportError(QString::fromLocal8Bit(error.what()));
        return false;
    }
    m_fileType->clear();
    for (const std::string& name : m_extensions.displayNames()) {
        m_fileType->addItem(fromText(name));
    }
    m_fileType->setCurrentIndex(-1);
    return true;
}

void MainWindow::fileTypeChanged()
{
    m_patterns.clear();
    const int index = m_fileType->currentIndex();
    if (index >= 0) {
        for (const std::string& pattern : config::maskPatterns(m_extensions.extensionsAt(static_cast<std::size_t>(index)))) {
            m_patterns << fromText(pattern);
        }
    }
    inputFolderChanged();
}

void MainWindow::inputFolderChanged()
{
    const QString path = m_folderTree->selectedPath();
    if (!isRealFolder(path)) {
        m_fileList->clear();
        setFileCommandsEnabled(false);
    } else {
        refreshFileList();
        const bool hasFiles = m_fileList->count() > 0;
        setFileCommandsEnabled(fileCommandsEnabled(true, m_fileList->count()));
        if (hasFiles) {
            selectFirstFile();
        }
        if (m_autoSelect->isChecked()) {
            m_fileList->selectAll();
        }
    }
    if (m_locked) {
        m_destination->setText(path);
    }
    refreshSelectionCount();
    m_pathLabel->setText(path);
}

void MainWindow::refreshFileList()
{
    const QString path = m_folderTree->selectedPath();
    if (!isRealFolder(path)) {
        return;
    }
    // A folder that cannot be listed leaves the list as it was.
    if (const auto files = listMatchingFiles(path, m_patterns)) {
        m_fileList->clear();
        m_fileList->addItems(*files);
    }
}

void MainWindow::selectFirstFile()
{
    if (m_fileList->count() == 0) {
        return;
    }
    m_fileList->clearSelection();
    m_fileList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void MainWindow::setFileCommandsEnabled(bool enabled)
{
    m_createButton->setEnabled(enabled);
    m_previewAction->setEnabled(enabled);
}

void MainWindow::refreshSelectionCount()
{
    m_countLabel->setText(selectedCountText(static_cast<int>(m_fileList->selectedItems().size())));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_fileList->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            fileListReleased(mouse->position().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::fileListReleased(const QPoint& position)
{
    m_fileList->clearSelection();
    if (QListWidgetItem* item = m_fileList->itemAt(position)) {
        m_fileList->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    }
    m_popup->popup(m_fileList->viewport()->mapToGlobal(position));
}

void MainWindow::lockDestination()
{
    m_locked = true;
    m_lockedButton->setVisible(true);
    m_lockedButton->setChecked(true);
    m_unlockedButton->setVisible(false);
    m_destination->setText(m_folderTree->selectedPath());
    m_browseButton->setEnabled(false);
}

void MainWindow::unlockDestination()
{
    m_locked = false;
    m_unlockedButton->setVisible(true);
    m_unlockedButton->setChecked(false);
    m_lockedButton->setVisible(false);
    m_browseButton->setEnabled(true);
}

void MainWindow::openExtensionListDialog()
{
    if (m_extensionDialog == nullptr) {
        return;
    }
    m_extensionDialog->prepare(m_extensions);
    m_interaction.setWindowOpacity(*this, 200);
    const int result = m_interaction.execDialog(*m_extensionDialog);
    m_interaction.setWindowOpacity(*this, 255);
    if (result == QDialog::Accepted) {
        closeExtensionList();
    }
}

void MainWindow::closeExtensionList()
{
    try {
        m_extensions.save(toPath(QDir(m_installDir).filePath(QStringLiteral("mervalon40.ext"))));
    } catch (const std::system_error& error) {
        reportError(QString::fromLocal8Bit(error.what()));
    }
    // The window shows the edited list even when it could not be saved, as the edits are kept.
    m_fileType->clear();
    for (const std::string& name : m_extensions.displayNames()) {
        m_fileType->addItem(fromText(name));
    }
    m_fileType->setCurrentIndex(m_fileType->count() > 0 ? 0 : -1);
    fileTypeChanged();
}

void MainWindow::openDestinationDialog()
{
    if (m_destinationDialog == nullptr) {
        return;
    }
    if (!m_destinationDialogUsed) {
        // The first time, start where the files go now; later, where the dialog was left.
        m_destinationDialog->folderTree().selectPath(m_destination->text());
        m_destinationDialogUsed = true;
    }
    if (m_interaction.execDialog(*m_destinationDialog) == QDialog::Accepted) {
        const QString path = m_destinationDialog->selectedPath();
        if (isRealFolder(path)) {
            m_destination->setText(path);
        }
    }
}

int MainWindow::extensionCount() const
{
    return static_cast<int>(m_extensions.count());
}

void MainWindow::selectFileType(int index)
{
    m_fileType->setCurrentIndex(index);
}

void MainWindow::setAutoSelect(bool on)
{
    m_autoSelect->setChecked(on);
}

QStringList MainWindow::selectedFiles() const
{
    QStringList files;
    for (int row = 0; row < m_fileList->count(); ++row) {
        if (m_fileList->item(row)->isSelected()) {
            files << m_fileList->item(row)->text();
        }
    }
    return files;
}

QString MainWindow::destinationFolder() const
{
    return m_destination->text();
}

QString MainWindow::inputFolder() const
{
    return m_folderTree->selectedPath();
}

QString MainWindow::currentExtensionsText() const
{
    const int index = m_fileType->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_extensions.count()) {
        return {};
    }
    return fromText(config::extensionsText(m_extensions.line(static_cast<std::size_t>(index))));
}

bool MainWindow::useInternalViewer() const
{
    return m_internalViewer->isChecked();
}

void MainWindow::tabChanged(int index)
{
    const bool enabled = configurationStripEnabled(index);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_loadButton, m_saveButton, m_inUseLabel, m_nameLabel}) {
        widget->setEnabled(enabled);
    }
}

void MainWindow::writeBoolSetting(const char* name, bool value)
{
    try {
        m_settings.writeBool(QLatin1String(name), value);
    } catch (const platform::SettingsError& error) {
        reportError(QString::fromUtf8(error.what()));
    }
}

void MainWindow::reportError(const QString& text)
{
    m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, text);
}

} // namespace mervalon::app
