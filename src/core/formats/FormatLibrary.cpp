#include "core/formats/FormatLibrary.h"

#include "core/config/InstallationLayout.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace mervalon::formats {

std::string formatNameOfFile(const std::string& fileName)
{
    std::string name = fileName.substr(0, fileName.find('.'));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

std::vector<std::string> listFormats(const std::filesystem::path& installDir)
{
    std::vector<std::string> names;
    std::error_code error;
    const std::string suffix = config::layout::kFormatSuffix;
    for (std::filesystem::directory_iterator entry(config::layout::formatsFolder(installDir), error), end;
         !error && entry != end; entry.increment(error)) {
        const std::string fileName = entry->path().filename().string();
        std::error_code ignored;
        if (fileName.size() > suffix.size() && fileName.ends_with(suffix) && entry->is_regular_file(ignored)) {
            names.push_back(formatNameOfFile(fileName));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

} // namespace mervalon::formats
