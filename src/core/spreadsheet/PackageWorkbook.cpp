#include "core/spreadsheet/PackageWorkbook.h"

#include "core/spreadsheet/OdsReader.h"
#include "core/spreadsheet/OoxmlReader.h"
#include "core/spreadsheet/PackageWriter.h"
#include "core/spreadsheet/SafeSave.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/WorkbookFile.h"
#include "core/spreadsheet/ZipPackage.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

namespace mervalon::spreadsheet {
namespace {

// The preview holds the cells of the sheet it shows; a sheet beyond this is refused rather than
// let exhaust the memory (a repeated OpenDocument row holding values a million times).
constexpr std::uint64_t kMaxShownCells = 20'000'000;

class SheetFiller : public RowVisitor {
  public:
    explicit SheetFiller(Sheet& sheet) : m_sheet(sheet) {}
    void row(std::uint32_t row, std::span<const RowCell> cells, std::uint32_t repeat) override
    {
        m_cells += std::uint64_t{cells.size()} * repeat;
        if (m_cells > kMaxShownCells) {
            throw WorkbookError("The sheet holds more than " + std::to_string(kMaxShownCells) +
                                " cells; it is too large to be shown.");
        }
        for (std::uint32_t k = 0; k < repeat; ++k) {
            for (const RowCell& cell : cells) {
                m_sheet.put(row + k, cell.column, cell.value);
            }
        }
    }

  private:
    Sheet& m_sheet;
    std::uint64_t m_cells = 0;
};

DocumentSource partOf(ZipPackage& package, const std::string& part)
{
    return [&package, part](const std::function<void(const char*, std::size_t)>& sink) {
        if (!package.read(part, sink)) {
            throw WorkbookError("The workbook file is damaged: its part \"" + part + "\" is missing.");
        }
    };
}

Bytes fileHead(const std::filesystem::path& path)
{
    Bytes head(4096);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return head;
}

Bytes bytesOf(const std::string& text)
{
    return Bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                 reinterpret_cast<const std::uint8_t*>(text.data()) + text.size());
}

// A file of the system's temporary folder, removed with the object.
class ScratchFile {
  public:
    ScratchFile()
    {
        std::string name = (std::filesystem::temp_directory_path() / "mervalon-sheet-XXXXXX").string();
        const int fd = ::mkstemp(name.data());
        if (fd < 0 || (m_file = ::fdopen(fd, "wb")) == nullptr) {
            if (fd >= 0) {
                ::close(fd);
            }
            throw WorkbookError("The workbook cannot be saved: no temporary file can be made (" +
                                std::string(std::strerror(errno)) + ").");
        }
        m_path = name;
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile()
    {
        if (m_file != nullptr) {
            std::fclose(m_file);
        }
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }
    void write(std::string_view piece)
    {
        if (std::fwrite(piece.data(), 1, piece.size(), m_file) != piece.size()) {
            fail();
        }
    }
    void close()
    {
        const int result = std::fclose(m_file);
        m_file = nullptr;
        if (result != 0) {
            fail();
        }
    }
    const std::filesystem::path& path() const { return m_path; }

  private:
    [[noreturn]] void fail() const
    {
        throw WorkbookError("The workbook cannot be saved: the temporary file \"" + m_path.string() +
                            "\" cannot be written (" + std::strerror(errno) + ").");
    }

    std::FILE* m_file = nullptr;
    std::filesystem::path m_path;
};

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// The calculation chain lists the workbook's formula cells by address, which moved rows leave
// pointing at the wrong cells (Excel then reports the file as damaged); without one, Excel
// builds it anew. It goes with its relationship and its content type.
void dropCalcChain(ZipPackage& package, std::map<std::string, std::filesystem::path>& replaced,
                   std::set<std::string>& removed, std::vector<std::unique_ptr<ScratchFile>>& partFiles)
{
    const std::optional<OoxmlCalcChain> chain = ooxmlCalcChain(package);
    if (!chain) {
        return;
    }
    removed.insert(chain->part);
    const std::string partName = "/" + chain->part;
    const auto isChainRelationship = [](const XmlName& name, const XmlAttributes& attributes) {
        const char* type = attributes.find("Type");
        return name.local == "Relationship" && type != nullptr && std::string_view(type).ends_with("/calcChain");
    };
    const auto isChainType = [&partName](const XmlName& name, const XmlAttributes& attributes) {
        const char* named = attributes.find("PartName");
        return name.local == "Override" && named != nullptr && equalsIgnoringCase(named, partName);
    };
    const std::pair<std::string, std::function<bool(const XmlName&, const XmlAttributes&)>> lists[] = {
        {chain->relationships, isChainRelationship}, {"[Content_Types].xml", isChainType}};
    for (const auto& [list, drop] : lists) {
        const std::optional<std::string> text = package.readSmall(list);
        if (!text) {
            continue;
        }
        const std::string kept = withoutElements(*text, drop);
        if (kept != *text) {
            auto file = std::make_unique<ScratchFile>();
            file->write(kept);
            file->close();
            replaced.emplace(list, file->path());
            partFiles.push_back(std::move(file));
        }
    }
}

} // namespace

std::optional<PackageWorkbook> PackageWorkbook::open(const std::filesystem::path& path)
{
    const WorkbookFileKind fileKind = workbookFileKind(fileHead(path));
    if (fileKind == WorkbookFileKind::FlatXml) {
        PackageWorkbook book(path, PackageWorkbookKind::FlatOds);
        bool spreadsheet = false;
        struct Nothing : RowVisitor {
            void row(std::uint32_t, std::span<const RowCell>, std::uint32_t) override {}
        } nothing;
        // A full pass (no table has an empty name with a control character) tells whether the
        // document holds a spreadsheet at all.
        streamOdsSheet(book.flatDocument(), SheetSelector{-1, "\x01"}, nothing, &spreadsheet);
        if (!spreadsheet) {
            return std::nullopt;
        }
        book.m_names = odsSheetNames(book.flatDocument());
        return book;
    }
    if (fileKind != WorkbookFileKind::Zip) {
        return std::nullopt;
    }
    ZipPackage package = ZipPackage::open(path);
    switch (packageKind(package)) {
    case PackageKind::Ooxml: {
        PackageWorkbook book(path, PackageWorkbookKind::Ooxml);
        book.m_names = ooxmlSheetNames(package);
        return book;
    }
    case PackageKind::Ods: {
        PackageWorkbook book(path, PackageWorkbookKind::Ods);
        book.m_names = odsSheetNames(partOf(package, "content.xml"));
        return book;
    }
    case PackageKind::Other:
        break;
    }
    return std::nullopt;
}

DocumentSource PackageWorkbook::flatDocument() const
{
    return [path = m_path](const std::function<void(const char*, std::size_t)>& sink) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            throw WorkbookError("The workbook \"" + path.string() + "\" cannot be opened.");
        }
        std::vector<char> buffer(1 << 16);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
            sink(buffer.data(), static_cast<std::size_t>(in.gcount()));
        }
        if (in.bad()) {
            throw WorkbookError("The workbook \"" + path.string() + "\" cannot be read.");
        }
    };
}

const Sheet* PackageWorkbook::sheet(int number)
{
    m_sheet.reset();
    if (number < 1 || number > sheetCount()) {
        return nullptr;
    }
    const std::string& name = m_names[static_cast<std::size_t>(number - 1)];
    const SheetSelector selector{number, std::to_string(number)};
    auto sheet = std::make_unique<Sheet>(name, SheetKind::Worksheet);
    SheetFiller filler(*sheet);
    if (m_kind == PackageWorkbookKind::FlatOds) {
        streamOdsSheet(flatDocument(), selector, filler);
    } else {
        ZipPackage package = ZipPackage::open(m_path);
        if (m_kind == PackageWorkbookKind::Ooxml) {
            const std::optional<OoxmlSheetPart> part = ooxmlSheetPart(package, number);
            if (part && !part->worksheet) {
                sheet = std::make_unique<Sheet>(name, SheetKind::Chart);
            } else {
                streamOoxmlSheet(package, selector, filler);
            }
        } else {
            streamOdsSheet(partOf(package, "content.xml"), selector, filler);
        }
    }
    m_sheet = std::move(sheet);
    return m_sheet.get();
}

std::vector<RowAnchoredContent> PackageWorkbook::rowAnchoredContent(int number) const
{
    if (m_kind == PackageWorkbookKind::FlatOds) {
        return odsRowAnchoredContent(flatDocument(), number);
    }
    ZipPackage package = ZipPackage::open(m_path);
    if (m_kind == PackageWorkbookKind::Ods) {
        return odsRowAnchoredContent(partOf(package, "content.xml"), number);
    }
    const std::optional<OoxmlSheetPart> part = ooxmlSheetPart(package, number);
    if (!part || !part->worksheet) {
        return {};
    }
    std::vector<RowAnchoredContent> found = ooxmlRowAnchoredContent(partOf(package, part->part));
    if (part->definedNames > 0) {
        found.push_back(RowAnchoredContent{"defined names", part->definedNames});
    }
    return found;
}

void PackageWorkbook::saveSheet(int number, const SheetEdits& edits)
{
    if (number < 1 || number > sheetCount()) {
        throw WorkbookError("The workbook has no sheet " + std::to_string(number) + " to save.");
    }
    if (m_kind == PackageWorkbookKind::FlatOds) {
        std::string rewritten;
        rewriteOdsTable(flatDocument(), number, edits, [&](std::string_view piece) { rewritten.append(piece); });
        replaceFileSafely(m_path, bytesOf(rewritten));
        return;
    }
    // The sheet's part goes to a scratch file as it is rewritten, so that a sheet of a million
    // rows is never held unpacked; the new package is made in memory, packed, and replaces the
    // file as a whole.
    ScratchFile scratch;
    std::string part = "content.xml";
    std::map<std::string, std::filesystem::path> replaced;
    std::set<std::string> removed;
    std::vector<std::unique_ptr<ScratchFile>> partFiles;
    {
        ZipPackage package = ZipPackage::open(m_path);
        const PartSink sink = [&scratch](std::string_view piece) { scratch.write(piece); };
        if (m_kind == PackageWorkbookKind::Ooxml) {
            const std::optional<OoxmlSheetPart> sheetPart = ooxmlSheetPart(package, number);
            if (!sheetPart || !sheetPart->worksheet) {
                throw WorkbookError("The sheet cannot be saved: it is a chart sheet, which holds no cells.");
            }
            part = sheetPart->part;
            rewriteOoxmlSheet(partOf(package, part), edits, sink);
            if (edits.movesRows()) {
                dropCalcChain(package, replaced, removed, partFiles);
            }
        } else {
            rewriteOdsTable(partOf(package, part), number, edits, sink);
        }
        scratch.close();
    }
    replaced.emplace(part, scratch.path());
    const Bytes bytes = repackage(m_path, replaced, removed);
    replaceFileSafely(m_path, bytes);
}

} // namespace mervalon::spreadsheet
