#pragma once
// " Files extension list": edits the file types in memory, at once, as the user works. It only
// edits the list it was opened on; saving the list and refreshing the main window are the
// caller's work when the dialog is accepted ("Close"). Closing it by its close box rejects it.

#include "core/config/ExtensionList.h"

#include <QDialog>

class QLineEdit;
class QListWidget;

namespace mervalon::app {

class Interaction;

class ExtensionListDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ExtensionListDialog(Interaction& interaction, QWidget* parent = nullptr);

    /// Shows `list` (kept by reference until the next call) and selects its first entry.
    void prepare(config::ExtensionList& list);

    void newFileType();
    void applyFileType();
    void deleteFileType();

  private:
    void showEntry(int row);
    void selectRow(int row);

    Interaction& m_interaction;
    config::ExtensionList* m_list = nullptr;
    QListWidget* m_listBox;
    QLineEdit* m_nameEdit;
    QLineEdit* m_extensionsEdit;
};

} // namespace mervalon::app
