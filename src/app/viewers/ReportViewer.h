#pragma once
// The report viewer " Error Report" (TForm10): the report of the last run, read-only, with
// "Print". A double click on a line that cites a point file's line opens that file there.

#include "app/viewers/ViewerRules.h"

#include <QDialog>

class QPlainTextEdit;

namespace mervalon::app {

class Interaction;

class ReportViewer : public QDialog {
    Q_OBJECT
  public:
    explicit ReportViewer(Interaction& interaction, QWidget* parent = nullptr);

    /// Replaces the text by the report's lines. False, with the system's error shown and the
    /// text emptied (never the previous report shown as this one), when it cannot be read.
    bool load(const QString& reportPath);

    /// "Print": the whole text as one job titled "Mervalon Log Report" on the default printer.
    bool print();

    [[nodiscard]] QString text() const;

    /// What a double click on report line `index` (0 for the first) does: emits lineChosen if
    /// the line cites a point file's line.
    void chooseLine(int index);

  signals:
    void lineChosen(const mervalon::app::CitedLine& cited);

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Interaction& m_interaction;
    QPlainTextEdit* m_view = nullptr;
};

} // namespace mervalon::app
