#include "core/codes/CodeSet.h"

#include "core/codes/SymbolLibrary.h"
#include "core/io/FileIo.h"

#include <system_error>

namespace mervalon::codes {

std::filesystem::path codeLibraryPath(const std::string& choice, const std::filesystem::path& installDir)
{
    const bool isFile = choice.find('/') != std::string::npos ||
                        (choice.size() > 4 && upperCased(choice.substr(choice.size() - 4)) == ".CSV");
    if (isFile) {
        return choice;
    }
    return installDir / kCodesFolder / (choice + kCodeLibrarySuffix);
}

CodeSet loadCodeSet(const std::string& choice, const std::filesystem::path& installDir)
{
    CodeSet set;
    set.path = codeLibraryPath(choice, installDir);
    const std::string named = "Code library \"" + set.path.string() + "\"";
    std::string content;
    try {
        content = io::readFileText(set.path);
    } catch (const std::system_error& error) {
        throw CodeLibraryError(named + " cannot be read: " + error.code().message());
    }
    const SymbolLibrary symbols = SymbolLibrary::inFolder(installDir / kSymbolsFolder);
    try {
        set.library = CodeLibrary::read(content, [&](std::string_view name) { return symbols.contains(name); });
        set.blocks = symbols.definitions(set.library.symbols());
    } catch (const CodeLibraryError& error) {
        throw CodeLibraryError(named + ", " + error.what());
    } catch (const SymbolFileError& error) {
        throw CodeLibraryError(named + ": " + error.what());
    } catch (const std::system_error& error) {
        throw CodeLibraryError(named + ": a symbol file cannot be read: " + error.what());
    }
    return set;
}

} // namespace mervalon::codes
