#include "app/MainWindowRules.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace mervalon::app {

std::optional<int> lastTrueOption(const std::array<bool, 3>& values)
{
    for (int i = 2; i >= 0; --i) {
        if (values[static_cast<std::size_t>(i)]) {
            return i;
        }
    }
    return std::nullopt;
}

std::array<bool, 3> exclusiveOption(int selected)
{
    return {selected == 0, selected == 1, selected == 2};
}

bool configurationStripEnabled(int tabIndex)
{
    return tabIndex == 0;
}

QString selectedCountText(int count)
{
    return QString::number(count) + QStringLiteral(" selected.");
}

bool isRealFolder(const QString& path)
{
    return !path.isEmpty();
}

bool fileCommandsEnabled(bool realFolder, int fileCount)
{
    return realFolder && fileCount > 0;
}

std::optional<QStringList> listMatchingFiles(const QString& folder, const QStringList& patterns)
{
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable()) {
        return std::nullopt;
    }
    if (patterns.isEmpty()) {
        return QStringList();
    }
    QDir dir(folder);
    dir.setNameFilters(patterns);
    // Matching ignores case, as users of the file list expect "*.txt" to find "SITE.TXT".
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

QStringList formatNamesFromFiles(const QStringList& fileNames)
{
    QStringList names;
    for (const QString& fileName : fileNames) {
        names << fileName.section(QLatin1Char('.'), 0, 0).toLower();
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

QString deleteFileTypeQuestion(const QString& name)
{
    return QStringLiteral("Delete \"") + name + QStringLiteral("\" ?");
}

} // namespace mervalon::app
