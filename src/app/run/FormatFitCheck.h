#pragma once
// The check before a run that the chosen format fits the selected text files (see
// FormatFitRules): one message lists the files it does not fit and offers the layout detected
// in the first of them, saved as a new format under a name the user confirms and chosen in the
// main window, or converting anyway, or nothing.

#include "core/formats/LayoutDetection.h"

#include <QString>

namespace mervalon::app {

class FormatNamePrompt;
class Interaction;
class MainWindow;

class FormatFitCheck {
  public:
    FormatFitCheck(Interaction& interaction, MainWindow& window, QString installDir);
    ~FormatFitCheck();
    FormatFitCheck(const FormatFitCheck&) = delete;
    FormatFitCheck& operator=(const FormatFitCheck&) = delete;

    /// True when the run may go on with the main window's current format (which may now be the
    /// format of the detected layout); false when the user cancelled.
    bool confirm();

    /// The prompt for the new format's name.
    [[nodiscard]] FormatNamePrompt& namePrompt() const { return *m_prompt; }

  private:
    bool useDetected(const QString& fileName, const formats::DetectedLayout& layout);

    Interaction& m_interaction;
    MainWindow& m_window;
    QString m_installDir;
    FormatNamePrompt* m_prompt;
};

} // namespace mervalon::app
