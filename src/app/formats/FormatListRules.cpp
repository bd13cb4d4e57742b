#include "app/formats/FormatListRules.h"

#include <algorithm>

namespace mervalon::app {

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

} // namespace mervalon::app
