#include "core/spreadsheet/SafeSave.h"

#include "core/io/ReplaceFile.h"
#include "core/spreadsheet/WorkbookError.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace mervalon::spreadsheet {

void replaceFileSafely(const std::filesystem::path& path, ByteView bytes)
{
    try {
        io::replaceFile(path, bytes.data(), bytes.size());
    } catch (const std::system_error& error) {
        const bool writeProtected = error.code().value() == EACCES && io::isWriteProtected(path);
        throw WorkbookError("Cannot save the workbook \"" + path.string() + "\". " +
                            (writeProtected ? io::kWriteProtected : std::strerror(error.code().value())));
    }
}

} // namespace mervalon::spreadsheet
