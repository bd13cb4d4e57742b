#pragma once
// A scripted stand-in for the desktop: records every call and answers from queues, so that a
// test never waits on a modal window.

#include "app/shell/Interaction.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace mervalon::app::testing {

struct ShownMessage {
    MessageIcon icon;
    MessageButtons buttons;
    QString text;
};

class FakeInteraction : public Interaction {
  public:
    /// Runs a dialog instead of exec(): it may click and type, and returns the dialog's result.
    using DialogScript = std::function<int(QDialog&)>;

    MessageAnswer showMessage(MessageIcon icon, MessageButtons buttons, const QString& text) override;
    QString chooseOpenFile(const QString& title, const QString& folder, const QString& fileName,
                           const QString& filter) override;
    QString chooseSaveFile(const QString& title, const QString& folder, const QString& fileName,
                           const QString& filter) override;
    QString chooseFolder(const QString& title, const QString& folder) override;
    int execDialog(QDialog& dialog) override;
    void beep(int frequencyHz, int durationMs) override;
    void setWindowOpacity(QWidget& window, int alpha) override;
    bool startEditor(const QString& filePath) override;
    void openDocument(const QString& pathOrUrl) override;
    void showManual(const QString& page) override;
    bool printText(const QString& title, const QString& text) override;

    /// Answers for the next message boxes, in order; when empty the first button is pressed.
    std::deque<MessageAnswer> answers;
    /// Scripts for the next dialogs, in order; when empty the dialog is rejected untouched.
    std::deque<DialogScript> dialogScripts;
    /// Paths answered by the next file and folder dialogs; when empty they are cancelled.
    std::deque<QString> chosenPaths;

    /// What the next startEditor and printText calls answer.
    bool editorStarts = true;
    bool printSucceeds = true;

    std::vector<ShownMessage> messages;
    /// The texts printText was given, in order.
    QStringList printedTexts;
    std::vector<int> opacities;
    /// One line per call, in order: "message: <text>", "dialog: <objectName>", "opacity: 200", ...
    QStringList calls;
};

/// The line `calls` holds for a dialog shown: "dialog: " and the dialog's object name.
inline QString dialogCall(const char* objectName)
{
    return QStringLiteral("dialog: ") + QLatin1String(objectName);
}

} // namespace mervalon::app::testing
