#pragma once
// The code library editor: the library's table as in a spreadsheet (every column, also the
// user's own), each row checked by the library reader as it is typed, the symbol of the current
// row drawn from its DXF file, rows added and deleted, and the file saved whole or not at all.
// A table with a faulty row is not saved; closing with unsaved changes asks first.

#include "core/codes/CodeTable.h"
#include "core/codes/SymbolLibrary.h"

#include <QDialog>
#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace mervalon::app {

class Interaction;

/// The picture of a symbol: its block's lines and circles, fitted into the view.
class SymbolView : public QWidget {
    Q_OBJECT
  public:
    explicit SymbolView(QWidget* parent = nullptr);
    void showShapes(const codes::SymbolShapes& shapes);
    [[nodiscard]] const codes::SymbolShapes& shapes() const { return m_shapes; }
    [[nodiscard]] QSize sizeHint() const override { return {120, 120}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    codes::SymbolShapes m_shapes;
};

class CodeLibraryEditor : public QDialog {
    Q_OBJECT
  public:
    CodeLibraryEditor(Interaction& interaction, QWidget* parent = nullptr);

    /// Reads the library file (a missing one starts a new table with the shipped columns) and
    /// the symbols of `symbolsFolder`. False, after saying why, when the file cannot be read.
    bool open(const QString& filePath, const QString& symbolsFolder);

    /// Starts a new library, not saved yet: the shipped columns and the row "*". Its first save
    /// asks for its name.
    void startNew(const QString& symbolsFolder);

    /// The installation's "codes" folder, where "Save as..." puts the library.
    void setCodesFolder(const QString& codesFolder) { m_codesFolder = codesFolder; }

    /// The table as the window holds it now.
    [[nodiscard]] codes::CodeTable table() const;
    [[nodiscard]] const std::vector<codes::CodeTableFault>& faults() const { return m_faults; }
    [[nodiscard]] bool isChanged() const { return m_changed; }

    void addRow();
    void deleteRow();
    /// Saves the table, unless a row is faulty (said, naming the rows) or the write fails (said;
    /// the file stays as it was). True when saved.
    bool save();
    /// Asks for a name in the "codes" folder and saves the table there (asking before replacing
    /// another library); the editor goes on with that file. True when saved.
    bool saveAs();

    /// The library file being edited; empty for a new one not saved yet.
    [[nodiscard]] const QString& filePath() const { return m_filePath; }
    /// The name of the last library saved under a new name; empty when there was none.
    [[nodiscard]] const QString& savedAsName() const { return m_savedAsName; }

    void done(int result) override;

  private:
    void showTable(const codes::CodeTable& table);
    bool refuseFaultyTable();
    bool writeTable(const QString& filePath);
    void recheck();
    void showCurrentRow();
    [[nodiscard]] int symbolColumn() const;

    Interaction& m_interaction;
    QString m_filePath;
    QString m_codesFolder;
    QString m_savedAsName;
    codes::SymbolLibrary m_symbols;
    codes::CodeTable m_shownTable; // separator and byte order mark of the file
    std::vector<codes::CodeTableFault> m_faults;
    bool m_changed = false;
    bool m_filling = false;
    QLabel* m_fileLabel = nullptr;
    QTableWidget* m_grid = nullptr;
    SymbolView* m_symbol = nullptr;
    QLabel* m_symbolCaption = nullptr;
    QLabel* m_rowFaults = nullptr;
};

} // namespace mervalon::app
