#include "app/files/FileSelectionPanel.h"

#include "app/common/ElidedLabel.h"
#include "app/common/Glyphs.h"
#include "app/common/TextConversions.h"
#include "app/common/WidgetHelpers.h"
#include "app/files/DestinationFolderDialog.h"
#include "app/files/ExtensionListDialog.h"
#include "app/files/FileSelectionControls.h"
#include "app/files/FileSelectionRules.h"
#include "app/files/FolderTreeView.h"
#include "app/shell/Interaction.h"
#include "core/config/InstallationLayout.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>
#include <system_error>

namespace mervalon::app {

FileSelectionPanel::FileSelectionPanel(Interaction& interaction, QWidget* parent)
    : QWidget(parent), m_interaction(interaction)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildFilesGroup(), 1);
    layout->addWidget(buildDestinationGroup());
    // Nothing to act on until a folder with matching files is shown.
    setFileCommandsEnabled(false);
}

FileSelectionPanel::~FileSelectionPanel() = default;

QWidget* FileSelectionPanel::buildFilesGroup()
{
    auto* files = groupBox(this, FileSelectionControls::filesGroup, " Coordinates Files ");
    m_folderTree = named(new FolderTreeView(files), FileSelectionControls::folderTree);
    m_fileList = named(new QListWidget(files), FileSelectionControls::fileList);
    m_fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_fileList->setToolTip(QStringLiteral("Select files to process. Hold [Ctrl] key to select multiple files."));
    m_fileList->viewport()->installEventFilter(this);
    m_fileType = named(new QComboBox(files), FileSelectionControls::fileTypeList);
    m_fileType->setToolTip(QStringLiteral("File type"));
    m_fileType->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_fileType->setMinimumContentsLength(6);
    auto* extensionsButton =
        toolButton(files, FileSelectionControls::extensionsButton, QStringLiteral("Modify Extensions list ..."),
                   style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    m_autoSelect = named(new QCheckBox(QStringLiteral("AutoSelect"), files), FileSelectionControls::autoSelectBox);
    m_autoSelect->setToolTip(QStringLiteral("Automaticaly select all files matching current type"));
    m_countLabel =
        named(new QLabel(QStringLiteral("Files selected."), files), FileSelectionControls::selectedCountLabel);
    m_pathLabel = named(new ElidedLabel(files), FileSelectionControls::folderPathLabel);

    m_popup = named(new QMenu(this), FileSelectionControls::fileMenu);
    m_previewAction = named(m_popup->addAction(QStringLiteral("View/Edit file")), FileSelectionControls::previewAction);
    auto* refreshAction =
        named(m_popup->addAction(QStringLiteral("Refresh folder")), FileSelectionControls::refreshFolderAction);
    connect(m_popup, &QMenu::aboutToShow, this,
            [this] { m_previewAction->setEnabled(m_fileCommandsEnabled && m_fileList->selectedItems().size() < 2); });
    connect(m_previewAction, &QAction::triggered, this, [this] {
        if (const QString file = currentFile(); !file.isEmpty()) {
            emit viewFileRequested(file);
        }
    });
    connect(refreshAction, &QAction::triggered, this, [this] {
        const bool listed = refreshFileList();
        setFileCommandsEnabled(fileCommandsEnabled(listed, m_fileList->count()));
        selectFirstFile();
    });

    // Tree and list share the width evenly; the handle between them moves either way (the tree
    // scrolls sideways, a file name cut at the list's edge is whole in its tooltip).
    auto* browsers = named(new QSplitter(Qt::Horizontal, files), FileSelectionControls::splitter);
    browsers->addWidget(m_folderTree);
    browsers->addWidget(m_fileList);
    browsers->setChildrenCollapsible(false);
    browsers->setHandleWidth(6);
    browsers->setStretchFactor(0, 1);
    browsers->setStretchFactor(1, 1);
    m_folderTree->setMinimumWidth(80);
    m_fileList->setMinimumWidth(80);
    m_fileList->setTextElideMode(Qt::ElideMiddle);
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
    connect(m_fileList, &QListWidget::itemSelectionChanged, this, &FileSelectionPanel::refreshSelectionCount);
    connect(m_autoSelect, &QCheckBox::clicked, this, [this](bool on) {
        if (on) {
            m_fileList->selectAll();
        }
        refreshSelectionCount();
    });
    connect(extensionsButton, &QToolButton::clicked, this, &FileSelectionPanel::openExtensionListDialog);
    return files;
}

QWidget* FileSelectionPanel::buildDestinationGroup()
{
    auto* destination = groupBox(this, FileSelectionControls::destinationGroup, " Destination Directory ");
    m_destination = named(new QLineEdit(destination), FileSelectionControls::destinationEdit);
    m_destination->setReadOnly(true);
    m_destination->setToolTip(QStringLiteral("DXF files will be created here."));
    QPalette infoPalette = m_destination->palette();
    infoPalette.setColor(QPalette::Base, infoPalette.color(QPalette::ToolTipBase));
    infoPalette.setColor(QPalette::Text, infoPalette.color(QPalette::ToolTipText));
    m_destination->setPalette(infoPalette);
    const QString lockHint = QStringLiteral("Makes Destination Directory match Files Directory");
    m_lockedButton = toolButton(destination, FileSelectionControls::lockedButton, lockHint, glyphIcon(Glyph::Locked));
    m_lockedButton->setCheckable(true);
    m_lockedButton->setChecked(true);
    m_unlockedButton =
        toolButton(destination, FileSelectionControls::unlockedButton, lockHint, glyphIcon(Glyph::Unlocked));
    m_unlockedButton->setCheckable(true);
    m_browseButton = toolButton(destination, FileSelectionControls::browseButton, QStringLiteral("Browse disk ..."),
                                style()->standardIcon(QStyle::SP_DirOpenIcon));
    auto* destinationLayout = new QHBoxLayout(destination);
    destinationLayout->setContentsMargins(6, 4, 6, 4);
    destinationLayout->addWidget(m_destination, 1);
    destinationLayout->addWidget(m_lockedButton);
    destinationLayout->addWidget(m_unlockedButton);
    destinationLayout->addWidget(m_browseButton);
    connect(m_lockedButton, &QToolButton::clicked, this, &FileSelectionPanel::unlockDestination);
    connect(m_unlockedButton, &QToolButton::clicked, this, &FileSelectionPanel::lockDestination);
    connect(m_browseButton, &QToolButton::clicked, this, &FileSelectionPanel::openDestinationDialog);
    unlockDestination();
    return destination;
}

void FileSelectionPanel::attach(const QString& installDir, DestinationFolderDialog& destination,
                                ExtensionListDialog& extensions)
{
    m_installDir = installDir;
    m_destinationDialog = &destination;
    m_extensionDialog = &extensions;
}

bool FileSelectionPanel::loadExtensionList()
{
    try {
        m_extensions = config::ExtensionList::load(config::layout::fileTypesPath(toPath(m_installDir)));
    } catch (const std::system_error& error) {
        reportError(QString::fromLocal8Bit(error.what()));
        return false;
    }
    showFileTypes();
    m_fileType->setCurrentIndex(-1);
    return true;
}

void FileSelectionPanel::showFileTypes()
{
    m_fileType->clear();
    for (const std::string& name : m_extensions.displayNames()) {
        m_fileType->addItem(fromText(name));
    }
}

void FileSelectionPanel::restoreFolders(const QString& inputFolder, const QString& destination, bool locked)
{
    m_folderTree->selectPath(inputFolder);
    m_destination->setText(destination);
    if (locked) {
        lockDestination();
    } else {
        unlockDestination();
    }
}

void FileSelectionPanel::focusFolderTree()
{
    m_folderTree->setFocus();
}

void FileSelectionPanel::fileTypeChanged()
{
    m_patterns.clear();
    const int index = m_fileType->currentIndex();
    if (index >= 0 && static_cast<std::size_t>(index) < m_extensions.count()) {
        for (const std::string& pattern :
             config::maskPatterns(m_extensions.extensionsAt(static_cast<std::size_t>(index)))) {
            m_patterns << fromText(pattern);
        }
    }
    inputFolderChanged();
}

void FileSelectionPanel::inputFolderChanged()
{
    const QString path = m_folderTree->selectedPath();
    if (!isRealFolder(path)) {
        m_fileList->clear();
        setFileCommandsEnabled(false);
    } else {
        const bool listed = refreshFileList();
        setFileCommandsEnabled(fileCommandsEnabled(listed, m_fileList->count()));
        selectFirstFile();
        if (m_autoSelect->isChecked()) {
            m_fileList->selectAll();
        }
    }
    if (m_locked) {
        m_destination->setText(path);
    }
    refreshSelectionCount();
    m_pathLabel->setFullText(path);
}

bool FileSelectionPanel::refreshFileList()
{
    m_fileList->clear();
    const QString path = m_folderTree->selectedPath();
    if (!isRealFolder(path)) {
        return false;
    }
    // A folder that vanished or cannot be read shows nothing: never the files of another folder.
    const auto files = listMatchingFiles(path, m_patterns);
    if (!files) {
        return false;
    }
    m_fileList->addItems(*files);
    for (int row = 0; row < m_fileList->count(); ++row) {
        QListWidgetItem* item = m_fileList->item(row);
        item->setToolTip(item->text());
    }
    return true;
}

void FileSelectionPanel::selectFirstFile()
{
    if (m_fileList->count() == 0) {
        return;
    }
    m_fileList->clearSelection();
    m_fileList->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void FileSelectionPanel::setFileCommandsEnabled(bool enabled)
{
    m_fileCommandsEnabled = enabled;
    m_previewAction->setEnabled(enabled);
    emit fileCommandsEnabledChanged(enabled);
}

void FileSelectionPanel::refreshSelectionCount()
{
    m_countLabel->setText(selectedCountText(static_cast<int>(m_fileList->selectedItems().size())));
}

bool FileSelectionPanel::eventFilter(QObject* watched, QEvent* event)
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

void FileSelectionPanel::fileListReleased(const QPoint& position)
{
    m_fileList->clearSelection();
    if (QListWidgetItem* item = m_fileList->itemAt(position)) {
        m_fileList->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
    }
    m_popup->popup(m_fileList->viewport()->mapToGlobal(position));
}

void FileSelectionPanel::lockDestination()
{
    m_locked = true;
    m_lockedButton->setVisible(true);
    m_lockedButton->setChecked(true);
    m_unlockedButton->setVisible(false);
    m_destination->setText(m_folderTree->selectedPath());
    m_browseButton->setEnabled(false);
}

void FileSelectionPanel::unlockDestination()
{
    m_locked = false;
    m_unlockedButton->setVisible(true);
    m_unlockedButton->setChecked(false);
    m_lockedButton->setVisible(false);
    m_browseButton->setEnabled(true);
}

void FileSelectionPanel::openExtensionListDialog()
{
    if (m_extensionDialog == nullptr) {
        return;
    }
    // The dialog edits a copy: "Close" makes it the list, saved and shown; Escape or the close
    // box drop it, so the list, the file type choice and the file list never disagree.
    config::ExtensionList edited = m_extensions;
    m_extensionDialog->prepare(edited);
    const int result = execDialogDimming(m_interaction, *m_extensionDialog, window());
    if (result != QDialog::Accepted) {
        return;
    }
    m_extensions = std::move(edited);
    try {
        m_extensions.save(config::layout::fileTypesPath(toPath(m_installDir)));
    } catch (const std::system_error& error) {
        reportError(QString::fromLocal8Bit(error.what()));
    }
    // The window shows the edited list even when it could not be saved, as the edits are kept.
    showFileTypes();
    m_fileType->setCurrentIndex(m_fileType->count() > 0 ? 0 : -1);
    fileTypeChanged();
}

void FileSelectionPanel::openDestinationDialog()
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

int FileSelectionPanel::extensionCount() const
{
    return static_cast<int>(m_extensions.count());
}

void FileSelectionPanel::selectFileType(int index)
{
    m_fileType->setCurrentIndex(index);
}

void FileSelectionPanel::setAutoSelect(bool on)
{
    m_autoSelect->setChecked(on);
}

void FileSelectionPanel::showConfiguration(const config::Configuration& configuration)
{
    selectFileType(configuration.fileTypeIndex);
    setAutoSelect(configuration.autoSelect != 0);
    fileTypeChanged();
}

void FileSelectionPanel::captureConfiguration(config::Configuration& configuration) const
{
    configuration.fileTypeIndex = m_fileType->currentIndex();
    configuration.autoSelect = m_autoSelect->isChecked() ? 1 : 0;
}

QStringList FileSelectionPanel::selectedFiles() const
{
    QStringList files;
    for (int row = 0; row < m_fileList->count(); ++row) {
        if (m_fileList->item(row)->isSelected()) {
            files << m_fileList->item(row)->text();
        }
    }
    return files;
}

QString FileSelectionPanel::destinationFolder() const
{
    return m_destination->text();
}

QString FileSelectionPanel::inputFolder() const
{
    return m_folderTree->selectedPath();
}

QString FileSelectionPanel::currentExtensionsText() const
{
    const int index = m_fileType->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_extensions.count()) {
        return {};
    }
    return fromText(config::extensionsText(m_extensions.line(static_cast<std::size_t>(index))));
}

QString FileSelectionPanel::currentFile() const
{
    const QListWidgetItem* item = m_fileList->currentItem();
    if (item == nullptr) {
        return {};
    }
    return QDir(inputFolder()).filePath(item->text());
}

void FileSelectionPanel::reportError(const QString& text)
{
    m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, text);
}

} // namespace mervalon::app
