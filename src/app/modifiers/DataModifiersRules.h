#pragma once
// The rules of the data modifiers dialog and of its button in the main window, apart from the
// widgets: the silent correction of the boxes and the caption that says whether any modifier
// is on.

#include "core/config/Configuration.h"

#include <QString>

namespace mervalon::app {

/// A whole-number box left by the focus: a text that is not an integer becomes "1", and so
/// does 0 when `zeroBecomesOne` (the step and the value to add); any other text stays.
QString correctedInteger(const QString& text, bool zeroBecomesOne);

/// A decimal box left by the focus: its value with three decimals, or "0.000" for a text that
/// is not a decimal number.
QString correctedDecimal(const QString& text);

/// The texts the dialog shows for a record.
struct DataModifiersTexts {
    QString startNumber;
    QString step;
    QString addValue;
    QString xOffset;
    QString yOffset;
    QString zOffset;
    QString defaultZ;
};

DataModifiersTexts modifiersTexts(const config::DataModifiers& modifiers);

/// Reads the texts back into the numeric fields of `modifiers` (the flags are the caller's).
/// Boxes are corrected when the focus leaves them, so every text parses; one that does not (OK
/// pressed with Enter while still typing) counts as the correction would make it.
void readModifiersTexts(const DataModifiersTexts& texts, config::DataModifiers& modifiers);

/// The dialog's four switches, as the user left them.
struct DataModifiersChoices {
    bool renumber = false;
    bool newStartNumber = false; ///< "New start number" rather than "Add to existing"
    bool modifyCoordinates = false;
    bool useDefaultZ = false;
};

/// Which of the dialog's controls take input. The renumbering group's controls follow its check
/// box, and within it the numbering mode chooses between start and step, or the value to add;
/// the offsets follow theirs; the default Z its own.
struct DataModifiersEnabling {
    bool renumberingGroup = false; ///< the mode choice and every label of the group
    bool startAndStep = false;
    bool addValue = false;
    bool offsets = false; ///< the coordinates group's boxes and labels
    bool defaultZ = false;
    friend bool operator==(const DataModifiersEnabling&, const DataModifiersEnabling&) = default;
};

DataModifiersEnabling modifiersEnabling(const DataModifiersChoices& choices);

/// The main window button's caption and text colour.
struct ModifiersButtonLook {
    QString caption;
    int red = 0;
    int green = 0;
    int blue = 0;
};

ModifiersButtonLook modifiersButtonLook(const config::DataModifiers& modifiers);

} // namespace mervalon::app
