#pragma once
// The rules of the " Format Editor" that need no widget: the controls' contents as plain values,
// filling them from a record and building a record from them (getformat), the save checks with
// their messages and the control each one points at, the enabling of the controls, the position
// proposed for a value switched on, and the checks of a name typed for a new or renamed format.
// The text dialect (decimal mark, quoting, blanks, empty fields, header line) travels with the
// fields; the record knows nothing of it (see core/formats/TextDialect.h).

#include "core/formats/FormatDefinition.h"
#include "core/formats/LayoutDetection.h"
#include "core/formats/TextDialect.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace mervalon::app {

/// The separator choices, in the order of their radio buttons (RadioButton1 to RadioButton5).
enum class SeparatorChoice { Comma = 0, Semicolon, Space, Tabulation, Other };

/// What the editor's controls hold. Rows follow the record's order: Number, X, Y, Z,
/// Description, Code.
struct FormatEditorFields {
    QString description;       ///< Edit9
    bool isExcel = false;      ///< RadioButton12, else RadioButton11
    bool sheetByNumber = true; ///< RadioButton6, else RadioButton7
    QString sheetNumber;       ///< sheetNumberEdit
    QString sheetName;         ///< sheetNameEdit
    QString firstLine;         ///< Edit6
    SeparatorChoice separator = SeparatorChoice::Comma;
    QString otherSeparator; ///< otherSeparatorEdit
    std::array<bool, 6> imported{false, true, true, false, false, false};
    std::array<QString, 6> positions{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                     QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")};
    std::array<QString, 6> prefixes;
    std::array<bool, 6> keepPrefix{};
    std::array<QString, 3> codes; ///< polstart, poldraw, polend
    formats::TextDialect dialect; ///< DecimalPoint/DecimalComma and the four boxes below them
};

/// Which controls can be used, derived from the choices the fields hold.
struct FormatEditorEnabling {
    bool sheetPanel = false;     ///< sheetPanel: its radio buttons and its "or"
    bool sheetNumber = false;    ///< sheetNumberEdit
    bool sheetName = false;      ///< sheetNameEdit
    bool separatorPanel = false; ///< separatorPanel: its radio buttons and caption
    bool otherSeparator = false; ///< otherSeparatorEdit
    std::array<bool, 6> rows{};  ///< each row's labels, position, prefix and "Keep"
    bool codesPanel = false;     ///< codesPanel
    bool dialectPanel = false;   ///< dialectPanel: how the fields of a text file are written
};

/// A check that failed: the message for the error box and the control that gets the focus.
struct FormatFault {
    QString message;
    QString control;
};

/// getformat's result: the record, or the "not a valid integer" error of the text that stopped it.
struct BuiltFormat {
    std::optional<formats::FormatDefinition> format;
    QString error;
};

class FormatEditorRules {
  public:
    /// A detection at least this sure, without notes, fills the form without a word.
    static constexpr int kSureConfidence = 80;

    /// Shows `format` and its `dialect` over `shown`: the sheet text goes to the box of its kind
    /// (the other keeps its text), and a separator that is none of the choices leaves the choice
    /// as it was.
    static FormatEditorFields fill(const formats::FormatDefinition& format, const formats::TextDialect& dialect,
                                   FormatEditorFields shown);

    /// getformat: the record the fields describe, named `name`.
    static BuiltFormat build(const FormatEditorFields& fields, const QString& name);

    /// The save checks, in their order; the first one that fails. The last one is the dialect's:
    /// a text format whose dialect and separator cannot go together.
    static std::optional<FormatFault> check(const FormatEditorFields& fields);

    static FormatEditorEnabling enabling(const FormatEditorFields& fields);

    /// "Detect from file...": `shown` with the layout found in a point file: a text format, its
    /// separator, first line, columns and dialect (prefixes cleared). The description and the
    /// polyline codes stay. Nothing when no layout of points was found.
    static std::optional<FormatEditorFields> detected(const formats::DetectedLayout& layout,
                                                      const FormatEditorFields& shown);
    /// What the user is told after a detection in `fileName`: why nothing was found, or the
    /// doubts to check in the form; empty when the layout was found without a doubt.
    static QString detectionMessage(const formats::DetectedLayout& layout, const QString& fileName);

    /// After `row`'s import box was clicked: a row switched on whose position is "0" gets the
    /// position after the highest one in use.
    static void proposePosition(FormatEditorFields& fields, int row);

    /// The name typed in " New format" or " Rename": lower-cased, then trimmed.
    static QString typedName(const QString& text);
    /// Why the typed name cannot be used (empty, listed, or not a plain file name), if it cannot.
    static std::optional<QString> nameFault(const QString& text, const QStringList& listed);

    /// Equal apart from the name: whether the edits would change the file.
    static bool sameAs(const formats::FormatDefinition& edited, const formats::FormatDefinition& shown);

    static QString changedMessage(const QString& name);
    static QString deleteQuestion(const QString& name);
    static QString xCannotBeDisabled() { return QStringLiteral("You cannot disable X coordinate Import"); }
    static QString yCannotBeDisabled() { return QStringLiteral("You cannot disable Y coordinate Import"); }
    static QString defaultCannotBeDeleted() { return QStringLiteral("The \"!Default\" format cannot be deleted."); }
    static QString defaultCannotBeRenamed()
    {
        return QStringLiteral("     The \"!Default\" format cannot be renamed.     ");
    }
    static QString defaultName() { return QStringLiteral("!default"); }
};

} // namespace mervalon::app
