#include "app/formats/FormatNamePrompt.h"

#include "app/formats/FormatEditorControls.h"
#include "app/formats/FormatEditorRules.h"
#include "app/shell/Interaction.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace mervalon::app {

FormatNamePrompt::FormatNamePrompt(Kind kind, Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_interaction(interaction), m_nameBox(new QLineEdit(this))
{
    const bool isNew = kind == Kind::NewFormat;
    setObjectName(QLatin1String(isNew ? FormatEditorControls::newFormatPrompt : FormatEditorControls::renamePrompt));
    setWindowTitle(QLatin1String(isNew ? " New format" : " Rename"));
    m_nameBox->setObjectName(QLatin1String(FormatEditorControls::promptNameEdit));
    auto* label = new QLabel(QLatin1String(isNew ? "Format name:" : "New  name:"), this);
    label->setObjectName(QLatin1String(FormatEditorControls::promptNameLabel));
    label->setBuddy(m_nameBox);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QLatin1String(FormatEditorControls::promptOkButton));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QLatin1String(FormatEditorControls::promptCancelButton));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &FormatNamePrompt::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_nameBox);
    layout->addLayout(buttons);
    m_nameBox->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void FormatNamePrompt::prepare(const QStringList& listed, const QString& text)
{
    m_listed = listed;
    if (!text.isNull()) {
        m_nameBox->setText(text);
    }
    m_nameBox->setFocus();
}

QString FormatNamePrompt::name() const
{
    return FormatEditorRules::typedName(m_nameBox->text());
}

void FormatNamePrompt::confirm()
{
    if (const auto fault = FormatEditorRules::nameFault(m_nameBox->text(), m_listed)) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, *fault);
        m_nameBox->setFocus();
        return;
    }
    done(QDialog::Accepted);
}

void FormatNamePrompt::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_nameBox->setFocus();
}

} // namespace mervalon::app
