#include "core/spreadsheet/WorkbookProbe.h"

#include "core/spreadsheet/WorkbookFile.h"

#include <array>
#include <fstream>

namespace mervalon::spreadsheet {

bool hasWorkbookSignature(ByteView head)
{
    static constexpr std::array<std::uint8_t, 8> kCompoundFile = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (head.size() >= kCompoundFile.size() && std::equal(kCompoundFile.begin(), kCompoundFile.end(), head.begin())) {
        return true;
    }
    // A workbook stream saved without its container starts with a BOF record of some BIFF
    // version, whose body is 4 to 20 bytes long.
    if (head.size() < 4) {
        return false;
    }
    const std::uint16_t id = loadU16(head.data());
    const std::uint16_t length = loadU16(head.data() + 2);
    const bool bof = id == 0x0009 || id == 0x0209 || id == 0x0409 || id == 0x0809;
    return bof && length >= 4 && length <= 20;
}

namespace {

// A zip package that holds no workbook is no business of the preview's; a damaged one is named,
// never shown as text (which, saved, would destroy it).
ProbedFile probePackage(const std::filesystem::path& path, bool flat)
{
    ProbedFile result;
    try {
        result.package = PackageWorkbook::open(path);
        if (result.package) {
            result.kind = WorkbookProbe::Workbook;
        }
    } catch (const WorkbookError& error) {
        if (!flat) {
            result.kind = WorkbookProbe::Unreadable;
            result.error = error.what();
        }
    }
    return result;
}

} // namespace

ProbedFile probeWorkbook(const std::filesystem::path& path)
{
    ProbedFile result;
    Bytes head(8);
    {
        std::ifstream in(path, std::ios::binary);
        in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        head.resize(in ? head.size() : static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    }
    // A file we cannot even read is the text viewer's to report.
    const WorkbookFileKind kind = workbookFileKind(head);
    if (kind == WorkbookFileKind::Zip || kind == WorkbookFileKind::FlatXml) {
        return probePackage(path, kind == WorkbookFileKind::FlatXml);
    }
    if (!hasWorkbookSignature(head)) {
        return result;
    }
    try {
        result.workbook.emplace(Workbook::open(path));
        result.kind = WorkbookProbe::Workbook;
    } catch (const WorkbookError& error) {
        result.kind = WorkbookProbe::Unreadable;
        result.error = error.what();
    }
    return result;
}

} // namespace mervalon::spreadsheet
