#include "app/files/FileSelectionRules.h"

#include <QDir>
#include <QFileInfo>

namespace mervalon::app {

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

QString deleteFileTypeQuestion(const QString& name)
{
    return QStringLiteral("Delete \"") + name + QStringLiteral("\" ?");
}

} // namespace mervalon::app
