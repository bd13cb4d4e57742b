#include "app/files/ExtensionListDialog.h"

#include "app/files/ExtensionListControls.h"
#include "app/files/FileSelectionRules.h"
#include "app/shell/Interaction.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace mervalon::app {
namespace {

QString fromText(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toText(const QString& text)
{
    return text.toLatin1().toStdString();
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

ExtensionListDialog::ExtensionListDialog(Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_interaction(interaction), m_listBox(new QListWidget(this)), m_nameEdit(new QLineEdit(this)),
      m_extensionsEdit(new QLineEdit(this))
{
    setObjectName(QLatin1String(ExtensionListControls::window));
    setWindowTitle(QStringLiteral(" Files extension list"));

    auto* header = new QLabel(QStringLiteral("Add or remove file extensions to the list"), this);
    header->setObjectName(QLatin1String(ExtensionListControls::heading));
    QFont headerFont = header->font();
    headerFont.setBold(true);
    header->setFont(headerFont);

    m_listBox->setObjectName(QLatin1String(ExtensionListControls::entryList));
    m_nameEdit->setObjectName(QLatin1String(ExtensionListControls::nameEdit));
    m_nameEdit->setToolTip(QStringLiteral("Name to be displayed"));
    m_extensionsEdit->setObjectName(QLatin1String(ExtensionListControls::extensionsEdit));
    m_extensionsEdit->setToolTip(QStringLiteral("Extensions used. Separated with semicolon."));
    auto* nameLabel = new QLabel(QStringLiteral("Extension name :"), this);
    nameLabel->setObjectName(QLatin1String(ExtensionListControls::nameLabel));
    nameLabel->setBuddy(m_nameEdit);
    auto* extensionsLabel = new QLabel(QStringLiteral("File types :"), this);
    extensionsLabel->setObjectName(QLatin1String(ExtensionListControls::extensionsLabel));
    extensionsLabel->setBuddy(m_extensionsEdit);

    QPushButton* newButton = makeButton(this, ExtensionListControls::newButton, QStringLiteral("New"));
    QPushButton* applyButton = makeButton(this, ExtensionListControls::applyButton, QStringLiteral("Apply"));
    QPushButton* deleteButton = makeButton(this, ExtensionListControls::deleteButton, QStringLiteral("Delete"));
    QPushButton* closeButton = makeButton(this, ExtensionListControls::closeButton, QStringLiteral("Close"));
    QPushButton* helpButton = makeButton(this, ExtensionListControls::helpButton, QStringLiteral("Help"));

    auto* fields = new QGridLayout;
    fields->addWidget(nameLabel, 0, 0);
    fields->addWidget(m_nameEdit, 0, 1);
    fields->addWidget(extensionsLabel, 1, 0);
    fields->addWidget(m_extensionsEdit, 1, 1);
    auto* editButtons = new QHBoxLayout;
    editButtons->addWidget(newButton);
    editButtons->addWidget(applyButton);
    editButtons->addWidget(deleteButton);
    editButtons->addStretch();

    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addLayout(editButtons);
    right->addStretch();

    auto* middle = new QHBoxLayout;
    middle->addWidget(m_listBox, 2);
    middle->addLayout(right, 3);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(helpButton);
    bottom->addStretch();
    bottom->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);

    connect(m_listBox, &QListWidget::currentRowChanged, this, &ExtensionListDialog::showEntry);
    connect(newButton, &QPushButton::clicked, this, &ExtensionListDialog::newFileType);
    connect(applyButton, &QPushButton::clicked, this, &ExtensionListDialog::applyFileType);
    connect(deleteButton, &QPushButton::clicked, this, &ExtensionListDialog::deleteFileType);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    // "Help" has no action.

    resize(500, 260);
    setFixedSize(sizeHint().expandedTo(QSize(500, 260)));
}

void ExtensionListDialog::prepare(config::ExtensionList& list)
{
    m_list = &list;
    m_listBox->clear();
    for (const std::string& name : list.displayNames()) {
        m_listBox->addItem(fromText(name));
    }
    selectRow(0);
    if (parentWidget() != nullptr) {
        move(parentWidget()->window()->geometry().center() - rect().center());
    }
}

void ExtensionListDialog::newFileType()
{
    if (m_list == nullptr) {
        return;
    }
    m_list->append(config::makeExtensionLine("New", "typ"));
    m_listBox->addItem(QStringLiteral("New"));
    selectRow(m_listBox->count() - 1);
}

void ExtensionListDialog::applyFileType()
{
    const int row = m_listBox->currentRow();
    if (m_list == nullptr || row < 0) {
        return;
    }
    m_list->replace(static_cast<std::size_t>(row),
                    config::makeExtensionLine(toText(m_nameEdit->text()), toText(m_extensionsEdit->text())));
    m_listBox->item(row)->setText(m_nameEdit->text());
}

void ExtensionListDialog::deleteFileType()
{
    const int row = m_listBox->currentRow();
    if (m_list == nullptr || row < 0) {
        return;
    }
    if (m_listBox->count() <= 1) {
        m_interaction.showMessage(
            MessageIcon::Error, MessageButtons::Ok,
            QStringLiteral("Cannot delete this item. There must be at least one file type in the list. "));
        return;
    }
    const QString question = deleteFileTypeQuestion(m_listBox->item(row)->text());
    if (m_interaction.showMessage(MessageIcon::Confirmation, MessageButtons::YesNo, question) != MessageAnswer::Yes) {
        return;
    }
    if (m_list->remove(static_cast<std::size_t>(row))) {
        delete m_listBox->takeItem(row);
        selectRow(0);
    }
}

void ExtensionListDialog::showEntry(int row)
{
    if (m_list == nullptr || row < 0 || static_cast<std::size_t>(row) >= m_list->count()) {
        m_nameEdit->clear();
        m_extensionsEdit->clear();
        return;
    }
    const std::string& line = m_list->line(static_cast<std::size_t>(row));
    m_nameEdit->setText(fromText(config::displayName(line)));
    m_extensionsEdit->setText(fromText(config::extensionsText(line)));
}

void ExtensionListDialog::selectRow(int row)
{
    if (row >= m_listBox->count()) {
        row = m_listBox->count() - 1;
    }
    m_listBox->setCurrentRow(row);
    showEntry(row);
    if (row >= 0) {
        m_listBox->scrollToItem(m_listBox->item(row));
    }
}

} // namespace mervalon::app
