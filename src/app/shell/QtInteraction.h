#pragma once
// The real desktop behind Interaction: QMessageBox, QFileDialog, QApplication::beep,
// QWidget::setWindowOpacity, $VISUAL/$EDITOR or xdg-open, QDesktopServices, QtPrintSupport.

#include "app/shell/Interaction.h"

#include <QPointer>

class QPrinter;

namespace mervalon::app {

class ManualWindow;

class QtInteraction : public Interaction {
  public:
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

  private:
    QPointer<ManualWindow> m_manual;
};

/// Prints a plain text as one job titled `title` on `printer`; false when the printer failed.
bool printPlainText(QPrinter& printer, const QString& title, const QString& text);

} // namespace mervalon::app
