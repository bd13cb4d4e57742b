#include "app/files/DestinationFolderDialog.h"

#include "app/files/DestinationFolderControls.h"
#include "app/files/FileSelectionRules.h"
#include "app/files/FolderTreeModel.h"
#include "app/files/FolderTreeView.h"
#include "app/shell/Interaction.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace mervalon::app {

DestinationFolderDialog::DestinationFolderDialog(Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), m_interaction(interaction),
      m_tree(new FolderTreeView(this)), m_pathLabel(new QLabel(this)),
      m_selectButton(new QPushButton(QStringLiteral("Select "), this))
{
    setObjectName(QLatin1String(DestinationFolderControls::window));
    setWindowTitle(QStringLiteral(" Destination Directory for DXF Files"));

    auto* header = new QLabel(QStringLiteral("Choose the folder where the DXF files are created"), this);
    header->setObjectName(QLatin1String(DestinationFolderControls::heading));
    header->setAutoFillBackground(true);
    QPalette headerPalette = header->palette();
    headerPalette.setColor(QPalette::Window, Qt::white);
    headerPalette.setColor(QPalette::WindowText, Qt::black);
    header->setPalette(headerPalette);
    header->setContentsMargins(10, 10, 10, 10);
    QFont headerFont = header->font();
    headerFont.setBold(true);
    header->setFont(headerFont);

    m_tree->setObjectName(QLatin1String(DestinationFolderControls::folderTree));
    m_pathLabel->setObjectName(QLatin1String(DestinationFolderControls::pathLabel));
    m_pathLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_selectButton->setObjectName(QLatin1String(DestinationFolderControls::selectButton));
    m_selectButton->setEnabled(false);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel "), this);
    cancelButton->setObjectName(QLatin1String(DestinationFolderControls::cancelButton));

    m_newFolderButton = new QPushButton(QStringLiteral("New folder..."), this);
    m_newFolderButton->setObjectName(QLatin1String(DestinationFolderControls::newFolderButton));
    m_newFolderButton->setToolTip(QStringLiteral("Make a folder in the selected one (F5 lists the folders again)"));
    m_newFolderButton->setEnabled(false);
    m_newFolderButton->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_newFolderButton);
    buttons->addStretch();
    buttons->addWidget(m_selectButton);
    buttons->addWidget(cancelButton);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(10, 6, 10, 10);
    body->addWidget(m_tree, 1);
    body->addWidget(m_pathLabel);
    body->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addLayout(body, 1);

    connect(m_tree, &FolderTreeView::folderSelected, this, &DestinationFolderDialog::folderSelected);
    connect(m_selectButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_newFolderButton, &QPushButton::clicked, this, [this] { createFolder(); });

    resize(360, 420);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    m_tree->selectPath({});
}

QString DestinationFolderDialog::selectedPath() const
{
    return m_tree->selectedPath();
}

void DestinationFolderDialog::folderSelected(const QString& path)
{
    m_pathLabel->setText(path);
    m_selectButton->setEnabled(isRealFolder(path));
    m_newFolderButton->setEnabled(isRealFolder(path));
}

bool DestinationFolderDialog::createFolder()
{
    const QString parentPath = selectedPath();
    if (!isRealFolder(parentPath)) {
        return false;
    }
    QInputDialog prompt(this);
    prompt.setObjectName(QLatin1String(DestinationFolderControls::newFolderPrompt));
    prompt.setWindowTitle(QStringLiteral(" New folder"));
    prompt.setLabelText(QStringLiteral("Name of the new folder in %1:").arg(QDir::toNativeSeparators(parentPath)));
    prompt.setTextValue(QStringLiteral("New folder"));
    if (m_interaction.execDialog(prompt) != QDialog::Accepted) {
        return false;
    }
    const QString name = prompt.textValue().trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/'))) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok,
                                  QStringLiteral("\"%1\" cannot be a folder name.").arg(name));
        return false;
    }
    const QString path = QDir(parentPath).filePath(name);
    if (QFileInfo::exists(path)) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok,
                                  QStringLiteral("%1 exists already.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if (!QDir(parentPath).mkdir(name)) {
        m_interaction.showMessage(
            MessageIcon::Error, MessageButtons::Ok,
            QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    m_tree->selectPath(path);
    return true;
}

} // namespace mervalon::app
