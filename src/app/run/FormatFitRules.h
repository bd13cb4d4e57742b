#pragma once
// The rules of the check before a run that need no window: whether the chosen format fits each
// selected text file (judged by the conversion itself on the file's first point lines), the one
// message that lists the files it does not fit, and what it offers: the layout detected in the
// first of them, saved as a new format, or converting anyway.

#include "core/engine/LinePreview.h"
#include "core/formats/LayoutDetection.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace mervalon::app {

/// How the format fits one file.
struct FileFit {
    enum class Verdict {
        Fits,
        Misfit,    ///< more than half of the first point lines would be faulty
        NotJudged, ///< a workbook, an empty or unreadable file: the run itself says what it finds
    };
    Verdict verdict = Verdict::NotJudged;
    int lines = 0;  ///< non-empty point lines looked at
    int faulty = 0; ///< of them, lines the run would skip with an error
};

/// What the check asks: the text and buttons of its message box.
struct MisfitQuestion {
    QString text;
    bool layoutOffered = false; ///< Yes/No/Cancel (Yes: the detected layout); else OK/Cancel (OK: convert anyway)
};

class FormatFitRules {
  public:
    /// Point lines of each file looked at.
    static constexpr std::size_t kLines = 20;
    /// Files named in the message at most; the others are counted.
    static constexpr int kNamedFiles = 8;

    /// The verdict on a file's first lines: a misfit when more than half of its non-empty point
    /// lines would be faulty.
    static FileFit fitOf(const engine::LinePreview& preview);

    /// Reads the file's first kLines point lines and judges them.
    static FileFit checkFile(const QString& path, const engine::PreviewSettings& settings);

    /// The question for the files the format does not fit (names without folder), given the
    /// layout detected in the first of them; nothing when every file fits.
    static std::optional<MisfitQuestion> question(const QString& formatName, const QStringList& misfits,
                                                  const std::vector<FileFit>& fits,
                                                  const formats::DetectedLayout& layout);

    /// The name proposed for the format of a detected layout: the file's name up to its first
    /// ".", lower-cased, made unlike every listed name by a number ("site", "site 2", ...).
    static QString proposedName(const QString& fileName, const QStringList& listed);
};

} // namespace mervalon::app
