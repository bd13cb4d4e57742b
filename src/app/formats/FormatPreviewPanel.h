#pragma once
// The format editor's preview: one line saying what is shown, and the table of the point file's
// first lines as the form reads them (see FormatPreviewRules). It shows what it is given; the
// editor gives it a new table whenever a control of the form changes.

#include "app/formats/FormatPreviewRules.h"

#include <QWidget>

class QLabel;
class QTableWidget;

namespace mervalon::app {

class FormatPreviewPanel : public QWidget {
    Q_OBJECT
  public:
    explicit FormatPreviewPanel(QWidget* parent = nullptr);

    void showTable(const PreviewTable& table);
    /// Gives the table as many lines of height as fit in `room` pixels, from three to eight, so
    /// that the editor keeps within a small screen; the lines it cannot show are scrolled to.
    void fitTableInto(int room);
    [[nodiscard]] int tableHeight() const;

    [[nodiscard]] QLabel* status() const { return m_status; }
    [[nodiscard]] QTableWidget* table() const { return m_table; }

  private:
    QLabel* m_status;
    QTableWidget* m_table;
};

} // namespace mervalon::app
