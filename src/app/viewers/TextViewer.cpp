#include "app/viewers/TextViewer.h"

#include "app/common/ElidedLabel.h"
#include "app/common/NumberedTextEdit.h"
#include "app/common/TextConversions.h"
#include "app/common/WidgetHelpers.h"
#include "app/shell/Interaction.h"
#include "app/viewers/TextViewerControls.h"
#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>
#include <exception>

namespace mervalon::app {
namespace {

// The document's lines as saving writes them. Taken block by block: toPlainText() would turn
// no-break spaces into blanks and change the user's data.
QStringList documentLines(const QTextDocument& document)
{
    QStringList lines;
    const int count = lineCountOf(document.blockCount(), document.lastBlock().length() <= 1);
    QTextBlock block = document.begin();
    for (int i = 0; i < count; ++i, block = block.next()) {
        lines << block.text();
    }
    return lines;
}

} // namespace

TextViewer::TextViewer(Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_interaction(interaction)
{
    setObjectName(QLatin1String(TextViewerControls::window));
    setWindowTitle(QStringLiteral(" File preview"));

    auto* band = named(new QWidget(this), TextViewerControls::headerBand);
    band->setAutoFillBackground(true);
    QPalette white = band->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    band->setPalette(white);
    auto* heading =
        named(new QLabel(QStringLiteral("Text file preview. You can edit data"), band), TextViewerControls::heading);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* bandLayout = new QHBoxLayout(band);
    bandLayout->setContentsMargins(10, 8, 10, 8);
    bandLayout->addWidget(heading);

    m_pathLabel = named(new ElidedLabel(this), TextViewerControls::pathLabel);
    m_pathLabel->setFont(bold);
    m_editor = named(new NumberedTextEdit(this), TextViewerControls::editor);
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editor->setFont(pointFileFont());
    m_countLabel = named(new QLabel(this), TextViewerControls::lineCountLabel);
    m_countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* saveButton =
        named(new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Save"), this),
              TextViewerControls::saveButton);
    m_closeButton =
        named(new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Close"), this),
              TextViewerControls::closeButton);
    saveButton->setAutoDefault(false);
    m_closeButton->setAutoDefault(false);
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &TextViewer::textChanged);

    // "Go to line", for the line numbers the report cites; Ctrl+G comes here.
    m_lineField = named(new QLineEdit(this), TextViewerControls::goToLineField);
    m_lineField->setPlaceholderText(QStringLiteral("Go to line"));
    m_lineField->setValidator(new QIntValidator(1, 999999999, m_lineField));
    m_lineField->setMaximumWidth(110);
    m_lineField->setToolTip(QStringLiteral("Type a line number and press Enter (Ctrl+G)"));
    connect(m_lineField, &QLineEdit::returnPressed, this, [this] {
        goToLine(m_lineField->text().toInt());
        m_editor->setFocus();
    });
    auto* goToShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(goToShortcut, &QShortcut::activated, this, [this] {
        m_lineField->setFocus();
        m_lineField->selectAll();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_lineField);
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(m_closeButton);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 6, 8, 8);
    body->setSpacing(4);
    body->addWidget(m_pathLabel);
    body->addWidget(m_editor, 1);
    body->addWidget(m_countLabel);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(band);
    layout->addLayout(body, 1);

    setFixedSize(QSize(496, 437).expandedTo(minimumSizeHint()));
    textChanged();
}

bool TextViewer::load(const QString& path)
{
    std::vector<std::uint8_t> bytes;
    try {
        bytes = io::readFileBytes(toPath(path));
    } catch (const std::exception& error) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, QString::fromUtf8(error.what()));
        return false;
    }
    // A file of millions of lines takes a while to lay out: the pointer says so meanwhile.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const TextFileContent content = decodeTextFile(
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    m_fileName = path;
    m_encoding = content.encoding;
    m_byteOrderMark = content.byteOrderMark;
    m_lineEnd = content.lineEnd;
    m_pathLabel->setFullText(path);
    m_editor->setPlainText(content.lines.join(u'\n'));
    m_editor->document()->setModified(false);
    return true;
}

bool TextViewer::save()
{
    QString badCharacter;
    const std::optional<QByteArray> bytes =
        encodeTextFile(documentLines(*m_editor->document()), m_encoding, m_byteOrderMark, &badCharacter, m_lineEnd);
    if (!bytes) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, unencodableMessage(m_fileName, badCharacter));
        return false;
    }
    try {
        io::replaceFile(toPath(m_fileName), bytes->constData(), static_cast<std::size_t>(bytes->size()));
    } catch (const std::exception& error) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, QString::fromUtf8(error.what()));
        return false;
    }
    m_editor->document()->setModified(false);
    // The sign that the file was written stays until the next edit.
    m_countLabel->setText(m_countLabel->text() + QStringLiteral("  Saved."));
    return true;
}

void TextViewer::goToLine(int line)
{
    m_editor->goToLine(line);
}

void TextViewer::unload()
{
    m_startLine = 0;
    m_lineField->clear();
    m_editor->clear();
    m_editor->document()->clearUndoRedoStacks();
    m_editor->document()->setModified(false);
}

void TextViewer::reject()
{
    if (m_editor->document()->isModified()) {
        switch (m_interaction.showMessage(MessageIcon::Confirmation, MessageButtons::YesNoCancel, kUnsavedQuestion)) {
        case MessageAnswer::Yes:
            if (!save()) {
                return; // the reason is shown; the edits stay
            }
            break;
        case MessageAnswer::No:
            m_editor->document()->setModified(false);
            break;
        default:
            return;
        }
    }
    QDialog::reject();
}

void TextViewer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    if (m_startLine > 0) {
        m_editor->setFocus();
        goToLine(m_startLine);
    } else {
        m_closeButton->setFocus();
    }
}

void TextViewer::textChanged()
{
    const QTextDocument* document = m_editor->document();
    m_countLabel->setText(lineCountText(lineCountOf(document->blockCount(), document->lastBlock().length() <= 1)));
}

} // namespace mervalon::app
