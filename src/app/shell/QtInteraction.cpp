#include "app/shell/QtInteraction.h"

#include "app/help/ManualWindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QTextDocument>
#include <QUrl>
#include <algorithm>

namespace mervalon::app {
namespace {

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Confirmation:
        return QMessageBox::Question;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QString joinedPath(const QString& folder, const QString& fileName)
{
    return fileName.isEmpty() ? folder : QDir(folder).filePath(fileName);
}

} // namespace

MessageAnswer QtInteraction::showMessage(MessageIcon icon, MessageButtons buttons, const QString& text)
{
    const QPointer<QWidget> owner = QApplication::activeWindow();
    QMessageBox box(boxIcon(icon), messageTitle(icon), text, boxButtons(buttons), owner);
    // A box must never open underneath one of our own windows: while one that stays on top is
    // shown (the progress window), the box stays on top too.
    const QWidgetList windows = QApplication::topLevelWidgets();
    if (std::any_of(windows.begin(), windows.end(), [](const QWidget* window) {
            return window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        })) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    const int pressed = box.exec();
    // The window the box answered for gets the keyboard back (with the focus where it was left),
    // whether or not the window manager gives it back by itself.
    if (owner != nullptr && owner->isVisible()) {
        owner->activateWindow();
    }
    switch (pressed) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        // Closed by its close box or Escape.
        return buttons == MessageButtons::YesNo ? MessageAnswer::No
               : buttons == MessageButtons::Ok  ? MessageAnswer::Ok
                                                : MessageAnswer::Cancel;
    }
}

QString QtInteraction::chooseOpenFile(const QString& title, const QString& folder, const QString& fileName,
                                      const QString& filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, joinedPath(folder, fileName), filter);
}

QString QtInteraction::chooseSaveFile(const QString& title, const QString& folder, const QString& fileName,
                                      const QString& filter)
{
    // QFileDialog asks before overwriting unless told not to.
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, joinedPath(folder, fileName), filter);
}

QString QtInteraction::chooseFolder(const QString& title, const QString& folder)
{
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, folder);
}

int QtInteraction::execDialog(QDialog& dialog)
{
    return dialog.exec();
}

void QtInteraction::beep(int, int)
{
    // The desktop offers one bell, not a tone of a chosen pitch.
    QApplication::beep();
}

void QtInteraction::setWindowOpacity(QWidget& window, int alpha)
{
    window.setWindowOpacity(alpha / 255.0);
}

bool QtInteraction::startEditor(const QString& filePath)
{
    const bool onDesktop = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    const QList<EditorCommand> commands =
        editorCommands(filePath, qEnvironmentVariable("VISUAL"), qEnvironmentVariable("EDITOR"), onDesktop);
    return std::any_of(commands.begin(), commands.end(), [](const EditorCommand& command) {
        return QProcess::startDetached(command.program, command.arguments);
    });
}

void QtInteraction::openDocument(const QString& pathOrUrl)
{
    const QUrl url = QUrl::fromUserInput(pathOrUrl, QDir::currentPath(), QUrl::AssumeLocalFile);
    QDesktopServices::openUrl(url);
}

void QtInteraction::showManual(const QString& page)
{
    // Opened from a modal dialog, the window belongs to that dialog: otherwise the dialog would
    // keep it from being scrolled or clicked.
    QWidget* owner = QApplication::activeModalWidget();
    if (m_manual == nullptr) {
        m_manual = new ManualWindow(owner);
        m_manual->setAttribute(Qt::WA_DeleteOnClose);
    } else if (m_manual->parentWidget() != owner) {
        m_manual->setParent(owner, m_manual->windowFlags());
    }
    m_manual->showPage(QUrl::fromUserInput(page, QDir::currentPath(), QUrl::AssumeLocalFile));
}

bool QtInteraction::printText(const QString& title, const QString& text)
{
    // Without a default printer QPrinter would quietly make a PDF file nobody asked for.
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull()) {
        return false;
    }
    QPrinter printer(defaultPrinter);
    return printPlainText(printer, title, text);
}

bool printPlainText(QPrinter& printer, const QString& title, const QString& text)
{
    printer.setDocName(title);
    if (!printer.isValid()) {
        return false;
    }
    QTextDocument document;
    document.setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    document.setPlainText(text);
    document.print(&printer);
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

} // namespace mervalon::app
