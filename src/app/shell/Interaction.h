#pragma once
// Everything the desktop program asks of the user or of the desktop goes through this one
// interface: message boxes, file and folder dialogs, modal windows of our own, beep, window
// opacity, the external editor, opening documents and printing. The program uses QtInteraction;
// tests use a recording fake that answers from a script, so that no test waits on a modal window.

#include <QList>
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace mervalon::app {

enum class MessageIcon { Error, Information, Confirmation, Warning };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

/// The title that goes with an icon: "Error", "Information", "Confirm", "Warning".
QString messageTitle(MessageIcon icon);

/// A program and its arguments, started without a shell.
struct EditorCommand {
    QString program;
    QStringList arguments;
    bool operator==(const EditorCommand&) const = default;
};

/// The commands tried in turn to open `filePath` in the user's text editor. On a desktop the
/// desktop's own handler comes first (xdg-open), then $VISUAL and $EDITOR each in a terminal
/// window (x-terminal-emulator -e ...), since a terminal editor started without one shows
/// nothing. Without a desktop: $VISUAL, then $EDITOR, then xdg-open. Each variable is split into
/// words as a shell would, without running one; an empty one is passed over. The path is always
/// one argument of its own, blanks and all.
QList<EditorCommand> editorCommands(const QString& filePath, const QString& visual, const QString& editor,
                                    bool onDesktop = false);

class Interaction {
  public:
    virtual ~Interaction() = default;

    /// Shows a modal message box with the title of its icon and returns the button pressed;
    /// closing the box counts as Cancel (or No when there is no Cancel, OK when only OK).
    virtual MessageAnswer showMessage(MessageIcon icon, MessageButtons buttons, const QString& text) = 0;

    /// Standard open dialog; returns the chosen path, or an empty text when cancelled.
    /// `filter` is in Qt's form, e.g. "Mervalon configuration files (*.rp4)".
    virtual QString chooseOpenFile(const QString& title, const QString& folder, const QString& fileName,
                                   const QString& filter) = 0;

    /// Standard save dialog that asks before overwriting; empty when cancelled.
    virtual QString chooseSaveFile(const QString& title, const QString& folder, const QString& fileName,
                                   const QString& filter) = 0;

    /// Standard folder dialog; empty when cancelled.
    virtual QString chooseFolder(const QString& title, const QString& folder) = 0;

    /// Shows one of the program's own dialogs modally and returns its result (QDialog::Accepted
    /// or QDialog::Rejected).
    virtual int execDialog(QDialog& dialog) = 0;

    /// A short sound; the frequency is a wish the desktop may not honour.
    virtual void beep(int frequencyHz, int durationMs) = 0;

    /// Draws a top-level window at `alpha` of 255.
    virtual void setWindowOpacity(QWidget& window, int alpha) = 0;

    /// Starts the user's plain-text editor on the file and returns at once; false when none started.
    virtual bool startEditor(const QString& filePath) = 0;

    /// Opens a file or address with the desktop's default program; the result is not examined.
    virtual void openDocument(const QString& pathOrUrl) = 0;

    /// Shows a page of the installed manual (a local path, possibly with a #fragment) in the
    /// program's own help window.
    virtual void showManual(const QString& page) = 0;

    /// Prints the text to the default printer as one job with the title; false when it failed.
    virtual bool printText(const QString& title, const QString& text) = 0;
};

/// Shows one of the program's own dialogs modally while `dimmed` (the main window, when there is
/// one) is drawn at opacity 200 of 255, and returns the dialog's result.
int execDialogDimming(Interaction& interaction, QDialog& dialog, QWidget* dimmed);

} // namespace mervalon::app
