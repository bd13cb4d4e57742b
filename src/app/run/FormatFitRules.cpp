#include "app/run/FormatFitRules.h"

#include "app/common/TextConversions.h"
#include "core/formats/FormatLibrary.h"

namespace mervalon::app {

FileFit FormatFitRules::fitOf(const engine::LinePreview& preview)
{
    FileFit fit;
    if (preview.status != engine::LinePreview::Status::Read) {
        return fit;
    }
    for (const engine::PreviewLine& line : preview.lines) {
        if (line.kind == engine::PreviewLine::Kind::Point && !line.empty) {
            ++fit.lines;
            fit.faulty += line.faulty ? 1 : 0;
        }
    }
    if (fit.lines > 0) {
        fit.verdict = 2 * fit.faulty > fit.lines ? FileFit::Verdict::Misfit : FileFit::Verdict::Fits;
    }
    return fit;
}

FileFit FormatFitRules::checkFile(const QString& path, const engine::PreviewSettings& settings)
{
    // Every skipped line is read past, so that the point lines are those the run converts first.
    return fitOf(engine::previewLines(toPath(path), settings, kLines, SIZE_MAX));
}

std::optional<MisfitQuestion> FormatFitRules::question(const QString& formatName, const QStringList& misfits,
                                                       const std::vector<FileFit>& fits,
                                                       const formats::DetectedLayout& layout)
{
    if (misfits.isEmpty()) {
        return std::nullopt;
    }
    MisfitQuestion question;
    QString text = misfits.size() == 1
                       ? QStringLiteral("The format \"%1\" does not fit \"%2\": %3 of its first %4 point lines would "
                                        "be faulty and left out of the drawing.")
                             .arg(formatName, misfits.front())
                             .arg(fits.empty() ? 0 : fits.front().faulty)
                             .arg(fits.empty() ? 0 : fits.front().lines)
                       : QStringLiteral("The format \"%1\" does not fit %2 of the selected files: most of their first "
                                        "point lines would be faulty and left out of the drawings.")
                             .arg(formatName)
                             .arg(misfits.size());
    if (misfits.size() > 1) {
        for (int i = 0; i < misfits.size() && i < kNamedFiles; ++i) {
            const FileFit fit =
                static_cast<std::size_t>(i) < fits.size() ? fits[static_cast<std::size_t>(i)] : FileFit{};
            text += QStringLiteral("\n    %1 (%2 of %3 lines)").arg(misfits[i]).arg(fit.faulty).arg(fit.lines);
        }
        if (misfits.size() > kNamedFiles) {
            text += QStringLiteral("\n    and %1 more").arg(misfits.size() - kNamedFiles);
        }
    }
    question.layoutOffered = layout.found;
    if (layout.found) {
        text += QStringLiteral("\n\nA layout was detected in \"%1\" (separator %2, %3 confidence).\n\n"
                               "Yes: save the detected layout as a new format and convert with it.\n"
                               "No: convert with \"%4\" anyway.\n"
                               "Cancel: convert nothing.")
                    .arg(misfits.front(), fromText(formats::separatorName(layout.separator)),
                         QLatin1String(formats::confidenceWord(layout.confidence)), formatName);
    } else {
        text += QStringLiteral("\n\nNo layout of points could be detected in \"%1\".\n\n"
                               "OK: convert with \"%2\" anyway.\n"
                               "Cancel: convert nothing.")
                    .arg(misfits.front(), formatName);
    }
    question.text = text;
    return question;
}

QString FormatFitRules::proposedName(const QString& fileName, const QStringList& listed)
{
    QString base = fromText(formats::formatNameOfFile(toText(fileName))).trimmed();
    base = base.left(static_cast<qsizetype>(formats::kMaxFormatNameLength) - 4);
    if (base.isEmpty()) {
        base = QStringLiteral("detected");
    }
    QString name = base;
    for (int number = 2; listed.contains(name); ++number) {
        name = base + QLatin1Char(' ') + QString::number(number);
    }
    return name;
}

} // namespace mervalon::app
