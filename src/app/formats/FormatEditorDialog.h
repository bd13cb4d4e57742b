#pragma once
// " Format Editor": creates, edits, checks, saves, renames and deletes the formats of the
// installation's formats folder, one at a time. Save, New, Rename and Delete act on the files at
// once. Its reference for "has it changed" is the record last shown or saved; leaving it (Done,
// Escape or the close box) and choosing another format ask first when the edits would change it.
// A format's text dialect is shown and saved with its record; a format without one keeps none.

#include "app/formats/FormatEditorRules.h"
#include "app/formats/FormatPreviewRules.h"

#include <QDialog>
#include <QStringList>
#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QRadioButton;
class QScrollArea;

namespace mervalon::app {

class FormatNamePrompt;
class FormatPreviewPanel;
class Interaction;

class FormatEditorDialog : public QDialog {
    Q_OBJECT
  public:
    FormatEditorDialog(Interaction& interaction, QWidget* parent = nullptr);

    /// The folder whose formats it edits, and its two prompts. Before the first use.
    void attach(const QString& installDir, FormatNamePrompt& newPrompt, FormatNamePrompt& renamePrompt);

    /// Where the preview under the form finds its point file and data modifiers (the main
    /// window's); asked at every change of the form. Without it the preview shows no file.
    void attachPreviewSource(std::function<PreviewSource()> source) { m_previewSource = std::move(source); }
    /// Reads the preview's file anew under the form as it stands.
    void refreshPreview();
    [[nodiscard]] FormatPreviewPanel& preview() const { return *m_preview; }

    /// Before showing: lists the formats and shows `name` (the first format when it is not
    /// listed). False, after reporting why, when that format cannot be read.
    bool prepare(const QString& name);

    /// The format shown (the list's current entry).
    [[nodiscard]] QString currentName() const { return m_shownName; }

    // The buttons and the list, as the user works them.
    bool saveFormat();
    void newFormat();
    void deleteFormat();
    void renameFormat();
    void finish();
    void chooseFormat(int index);
    /// "Detect from file...": fills the form with the layout of a point file the user chooses.
    void detectFromFile();

    /// The change check: true when the caller may go on (unchanged, saved, or "No").
    bool confirmChanges();

  public slots:
    /// Escape and the close box leave as Done does, through the change check.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void build();
    QWidget* buildFormatsGroup();
    QWidget* buildParametersGroup();
    QWidget* buildRow(int row, const char* panel, const char* caption);
    QWidget* buildDialectPanel(QWidget* parent);

    [[nodiscard]] FormatEditorFields fields() const;
    void showFields(const FormatEditorFields& fields);
    void applyEnabling();
    void importClicked(int row);
    bool showFormat(const QString& name);
    void fillList(const QString& current);
    [[nodiscard]] QStringList listedNames() const;
    void selectEntry(const QString& name);
    void focusControl(const QString& objectName);
    void reportError(const QString& text);

    Interaction& m_interaction;
    QString m_installDir;
    QString m_detectFolder; ///< where "Detect from file..." opened last (at first: the home folder)
    FormatNamePrompt* m_newPrompt = nullptr;
    FormatNamePrompt* m_renamePrompt = nullptr;
    /// The entry whose format the controls hold, and that record as last read or saved.
    QString m_shownName;
    formats::FormatDefinition m_shown;
    formats::TextDialect m_shownDialect;
    bool m_saved = false;
    bool m_showingFields = false; ///< the form is being filled: one preview at the end
    std::function<PreviewSource()> m_previewSource;
    FormatPreviewPanel* m_preview = nullptr;
    // Everything the editor shows, in a scroll area that scrolls only on a screen too small for it.
    QWidget* m_content = nullptr;
    QScrollArea* m_scroll = nullptr;
    bool m_selecting = false;

    QComboBox* m_list = nullptr;
    QLineEdit* m_description = nullptr;
    QRadioButton* m_textKind = nullptr;
    QRadioButton* m_excelKind = nullptr;
    QRadioButton* m_byNumber = nullptr;
    QRadioButton* m_byName = nullptr;
    QLineEdit* m_sheetNumber = nullptr;
    QLineEdit* m_sheetName = nullptr;
    QLineEdit* m_firstLine = nullptr;
    QFrame* m_sheetPanel = nullptr;
    QFrame* m_separatorPanel = nullptr;
    QButtonGroup* m_separators = nullptr;
    QLineEdit* m_otherSeparator = nullptr;
    std::array<QCheckBox*, 6> m_imports{};
    std::array<QLineEdit*, 6> m_positions{};
    std::array<QLineEdit*, 6> m_prefixes{};
    std::array<QCheckBox*, 6> m_keeps{};
    std::array<QFrame*, 6> m_rows{};
    std::array<QLineEdit*, 3> m_codes{};
    QFrame* m_codesPanel = nullptr;
    QFrame* m_dialectPanel = nullptr;
    std::array<QRadioButton*, 2> m_decimalMarks{};
    std::array<QCheckBox*, 4> m_dialectBoxes{};
};

} // namespace mervalon::app
