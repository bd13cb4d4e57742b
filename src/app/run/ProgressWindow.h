#pragma once
// The progress window " Processing files ..." (TForm2): shown without blocking while a run
// converts the selected files, it is the run's progress sink. The line position is kept in
// memory and shown whenever the run lets events run, which happens by time, not by line: a
// repaint per line would cost more than converting it.

#include "app/run/RunRules.h"
#include "core/engine/ProgressSink.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;

namespace mervalon::app {

class ElidedLabel;

class ProgressWindow : public QWidget, public engine::ProgressSink {
    Q_OBJECT
  public:
    explicit ProgressWindow(QWidget* parent = nullptr);

    /// Clears the stop request, shows the window centred on the desktop and paints it.
    void begin();
    /// Hides the window.
    void end();
    /// What "Stop process" does.
    void requestStop() { m_stopRequested = true; }

    /// How long the run converts between two looks at the user's events.
    void setPumpInterval(std::int64_t intervalMs) { m_schedule.setInterval(intervalMs); }

    void fileStarted(std::size_t index, std::size_t count) override;
    void setLineCount(std::size_t count) override;
    void setFileLabel(const std::string& destinationPath) override;
    void setLinePosition(std::size_t index) override { m_position = index; }
    void pumpEvents() override;
    /// While a file is being read whole, before its first line is converted, the reader asks
    /// this every few thousand lines; it is the only moment a click can be taken then, so the
    /// events run here too when their time has come.
    [[nodiscard]] bool isStopRequested() const override;

  signals:
    /// Events are about to run, with the bar showing `position`; for tests that act mid-run.
    void pumping(qint64 position);

  protected:
    void closeEvent(QCloseEvent* event) override;
    /// Escape stops the run, as Enter does (the Stop button holds the focus).
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void runEvents();

    ElidedLabel* m_fileLabel = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_fileCount = nullptr;
    QToolButton* m_stopButton = nullptr;
    PumpSchedule m_schedule;
    std::size_t m_position = 0;
    bool m_stopRequested = false;
    bool m_reading = false; ///< between a file's start and its line count
};

} // namespace mervalon::app
