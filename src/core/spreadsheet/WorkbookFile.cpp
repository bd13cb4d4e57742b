#include "core/spreadsheet/WorkbookFile.h"

#include "core/spreadsheet/OoxmlReader.h"
#include "core/spreadsheet/WorkbookProbe.h"
#include "core/spreadsheet/ZipPackage.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace mervalon::spreadsheet {

WorkbookFileKind workbookFileKind(ByteView head)
{
    if (hasWorkbookSignature(head)) {
        return WorkbookFileKind::Binary;
    }
    const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    if (text.starts_with("PK\x03\x04") || text.starts_with("PK\x05\x06")) {
        return WorkbookFileKind::Zip;
    }
    std::string_view body = text;
    if (body.starts_with("\xEF\xBB\xBF")) {
        body.remove_prefix(3);
    }
    const std::size_t start = body.find_first_not_of(" \t\r\n");
    if (start != std::string_view::npos && body.substr(start).starts_with("<?xml")) {
        return WorkbookFileKind::FlatXml;
    }
    if (head.empty()) {
        return WorkbookFileKind::Unknown;
    }
    // Text: no NUL and no control characters other than tab, line feed, carriage return, form feed
    // and end-of-file (bytes from 0x80 on may be UTF-8 or any 8-bit code page).
    const bool text8 = std::all_of(head.begin(), head.end(), [](std::uint8_t b) {
        return b >= 0x20 || b == '\t' || b == '\n' || b == '\r' || b == '\f' || b == 0x1A;
    });
    return text8 ? WorkbookFileKind::Text : WorkbookFileKind::Unknown;
}

PackageKind packageKind(ZipPackage& package)
{
    if (isOoxmlWorkbook(package)) {
        return PackageKind::Ooxml;
    }
    const std::optional<std::string> mimetype = package.readSmall("mimetype", 4096);
    if (package.has("content.xml") && (!mimetype || mimetype->find("opendocument.spreadsheet") != std::string::npos)) {
        return PackageKind::Ods;
    }
    return PackageKind::Other;
}

std::string textFileMessage()
{
    return "The file is not a workbook but a text file (a CSV or point file, perhaps): convert it with a "
           "format for text files.";
}

} // namespace mervalon::spreadsheet
