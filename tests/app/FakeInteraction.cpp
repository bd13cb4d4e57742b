#include "app/FakeInteraction.h"

#include <QDialog>

namespace mervalon::app::testing {
namespace {

MessageAnswer firstButton(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Yes;
    }
    return MessageAnswer::Ok;
}

} // namespace

MessageAnswer FakeInteraction::showMessage(MessageIcon icon, MessageButtons buttons, const QString& text)
{
    messages.push_back({icon, buttons, text});
    calls << QStringLiteral("message: ") + text;
    if (answers.empty()) {
        return firstButton(buttons);
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

QString FakeInteraction::chooseOpenFile(const QString& title, const QString&, const QString&, const QString&)
{
    calls << QStringLiteral("open: ") + title;
    if (chosenPaths.empty()) {
        return {};
    }
    QString path = chosenPaths.front();
    chosenPaths.pop_front();
    return path;
}

QString FakeInteraction::chooseSaveFile(const QString& title, const QString&, const QString&, const QString&)
{
    calls << QStringLiteral("save: ") + title;
    if (chosenPaths.empty()) {
        return {};
    }
    QString path = chosenPaths.front();
    chosenPaths.pop_front();
    return path;
}

QString FakeInteraction::chooseFolder(const QString& title, const QString&)
{
    calls << QStringLiteral("folder: ") + title;
    if (chosenPaths.empty()) {
        return {};
    }
    QString path = chosenPaths.front();
    chosenPaths.pop_front();
    return path;
}

int FakeInteraction::execDialog(QDialog& dialog)
{
    calls << QStringLiteral("dialog: ") + dialog.objectName();
    if (dialogScripts.empty()) {
        return QDialog::Rejected;
    }
    DialogScript script = std::move(dialogScripts.front());
    dialogScripts.pop_front();
    return script(dialog);
}

void FakeInteraction::beep(int frequencyHz, int durationMs)
{
    calls << QStringLiteral("beep: %1 Hz %2 ms").arg(frequencyHz).arg(durationMs);
}

void FakeInteraction::setWindowOpacity(QWidget&, int alpha)
{
    opacities.push_back(alpha);
    calls << QStringLiteral("opacity: %1").arg(alpha);
}

bool FakeInteraction::startEditor(const QString& filePath)
{
    calls << QStringLiteral("editor: ") + filePath;
    return editorStarts;
}

void FakeInteraction::showManual(const QString& page)
{
    calls << QStringLiteral("manual: ") + page;
}

void FakeInteraction::openDocument(const QString& pathOrUrl)
{
    calls << QStringLiteral("open document: ") + pathOrUrl;
}

bool FakeInteraction::printText(const QString& title, const QString& text)
{
    calls << QStringLiteral("print: ") + title;
    printedTexts << text;
    return printSucceeds;
}

} // namespace mervalon::app::testing
