#pragma once
// The file windows as the tests see them: each control by what it is for.

#include "app/AppTestSupport.h"
#include "app/common/ElidedLabel.h"
#include "app/files/DestinationFolderControls.h"
#include "app/files/ExtensionListControls.h"
#include "app/files/FileSelectionControls.h"
#include "app/files/FolderTreeView.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>

namespace mervalon::app::testing {

/// The "Files extension list" dialog.
class ExtensionListPage {
  public:
    explicit ExtensionListPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] QListWidget* entryList() const
    {
        return control<QListWidget>(m_window, ExtensionListControls::entryList);
    }
    [[nodiscard]] QLineEdit* nameEdit() const { return control<QLineEdit>(m_window, ExtensionListControls::nameEdit); }
    [[nodiscard]] QLineEdit* extensionsEdit() const
    {
        return control<QLineEdit>(m_window, ExtensionListControls::extensionsEdit);
    }
    [[nodiscard]] QLabel* nameLabel() const { return control<QLabel>(m_window, ExtensionListControls::nameLabel); }
    [[nodiscard]] QLabel* extensionsLabel() const
    {
        return control<QLabel>(m_window, ExtensionListControls::extensionsLabel);
    }
    [[nodiscard]] QPushButton* newButton() const
    {
        return control<QPushButton>(m_window, ExtensionListControls::newButton);
    }
    [[nodiscard]] QPushButton* applyButton() const
    {
        return control<QPushButton>(m_window, ExtensionListControls::applyButton);
    }
    [[nodiscard]] QPushButton* deleteButton() const
    {
        return control<QPushButton>(m_window, ExtensionListControls::deleteButton);
    }
    [[nodiscard]] QPushButton* closeButton() const
    {
        return control<QPushButton>(m_window, ExtensionListControls::closeButton);
    }
    [[nodiscard]] QPushButton* helpButton() const
    {
        return control<QPushButton>(m_window, ExtensionListControls::helpButton);
    }

  private:
    const QWidget& m_window;
};

/// The destination folder dialog.
class DestinationFolderPage {
  public:
    explicit DestinationFolderPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] FolderTreeView* folderTree() const
    {
        return control<FolderTreeView>(m_window, DestinationFolderControls::folderTree);
    }
    [[nodiscard]] QLabel* pathLabel() const { return control<QLabel>(m_window, DestinationFolderControls::pathLabel); }
    [[nodiscard]] QPushButton* selectButton() const
    {
        return control<QPushButton>(m_window, DestinationFolderControls::selectButton);
    }
    [[nodiscard]] QPushButton* cancelButton() const
    {
        return control<QPushButton>(m_window, DestinationFolderControls::cancelButton);
    }
    [[nodiscard]] QPushButton* newFolderButton() const
    {
        return control<QPushButton>(m_window, DestinationFolderControls::newFolderButton);
    }

  private:
    const QWidget& m_window;
};

/// The file selection panel of the main window.
class FileSelectionPage {
  public:
    explicit FileSelectionPage(const QWidget& window) : m_window(window) {}

    [[nodiscard]] FolderTreeView* folderTree() const
    {
        return control<FolderTreeView>(m_window, FileSelectionControls::folderTree);
    }
    [[nodiscard]] QListWidget* fileList() const
    {
        return control<QListWidget>(m_window, FileSelectionControls::fileList);
    }
    [[nodiscard]] QComboBox* fileTypeList() const
    {
        return control<QComboBox>(m_window, FileSelectionControls::fileTypeList);
    }
    [[nodiscard]] QToolButton* extensionsButton() const
    {
        return control<QToolButton>(m_window, FileSelectionControls::extensionsButton);
    }
    [[nodiscard]] QCheckBox* autoSelectBox() const
    {
        return control<QCheckBox>(m_window, FileSelectionControls::autoSelectBox);
    }
    [[nodiscard]] QLabel* selectedCountLabel() const
    {
        return control<QLabel>(m_window, FileSelectionControls::selectedCountLabel);
    }
    [[nodiscard]] ElidedLabel* folderPathLabel() const
    {
        return control<ElidedLabel>(m_window, FileSelectionControls::folderPathLabel);
    }
    [[nodiscard]] QMenu* fileMenu() const { return control<QMenu>(m_window, FileSelectionControls::fileMenu); }
    [[nodiscard]] QAction* previewAction() const
    {
        return control<QAction>(m_window, FileSelectionControls::previewAction);
    }
    [[nodiscard]] QAction* refreshFolderAction() const
    {
        return control<QAction>(m_window, FileSelectionControls::refreshFolderAction);
    }
    [[nodiscard]] QSplitter* splitter() const { return control<QSplitter>(m_window, FileSelectionControls::splitter); }
    [[nodiscard]] QLineEdit* destinationEdit() const
    {
        return control<QLineEdit>(m_window, FileSelectionControls::destinationEdit);
    }
    [[nodiscard]] QToolButton* lockedButton() const
    {
        return control<QToolButton>(m_window, FileSelectionControls::lockedButton);
    }
    [[nodiscard]] QToolButton* unlockedButton() const
    {
        return control<QToolButton>(m_window, FileSelectionControls::unlockedButton);
    }
    [[nodiscard]] QToolButton* browseButton() const
    {
        return control<QToolButton>(m_window, FileSelectionControls::browseButton);
    }

  private:
    const QWidget& m_window;
};

} // namespace mervalon::app::testing
