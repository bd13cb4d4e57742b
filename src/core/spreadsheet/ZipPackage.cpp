#include "core/spreadsheet/ZipPackage.h"

#include "core/spreadsheet/ReadAhead.h"
#include "core/spreadsheet/WorkbookError.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <system_error>
#include <zip.h>

namespace mervalon::spreadsheet {
namespace {

std::string zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

std::string sizeText(std::uint64_t bytes)
{
    return std::to_string(bytes >> 20) + " MiB";
}

} // namespace

ZipPackage ZipPackage::open(const std::filesystem::path& path, const ZipLimits& limits)
{
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (archive == nullptr) {
        if (code == ZIP_ER_OPEN || code == ZIP_ER_READ || code == ZIP_ER_NOENT) {
            throw WorkbookError("The workbook \"" + path.string() + "\" cannot be opened: " + zipErrorText(code) + ".");
        }
        throw WorkbookError("The workbook file is damaged: its zip package cannot be read (" + zipErrorText(code) +
                            ").");
    }
    ZipPackage package(archive, limits);
    if (static_cast<std::uint64_t>(zip_get_num_entries(archive, 0)) > limits.maxParts) {
        throw WorkbookError("The workbook's zip package names more than " + std::to_string(limits.maxParts) +
                            " parts; it is not read.");
    }
    return package;
}

ZipPackage ZipPackage::fromBytes(ByteView bytes, const ZipLimits& limits)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        throw WorkbookError("The workbook is too large to be read.");
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (archive == nullptr) {
        const std::string text = zip_error_strerror(&error);
        zip_source_free(source);
        zip_error_fini(&error);
        throw WorkbookError("The workbook file is damaged: its zip package cannot be read (" + text + ").");
    }
    zip_error_fini(&error);
    ZipPackage package(archive, limits);
    if (static_cast<std::uint64_t>(zip_get_num_entries(archive, 0)) > limits.maxParts) {
        throw WorkbookError("The workbook's zip package names more than " + std::to_string(limits.maxParts) +
                            " parts; it is not read.");
    }
    return package;
}

ZipPackage::ZipPackage(ZipPackage&& other) noexcept
    : m_archive(other.m_archive), m_limits(other.m_limits), m_unpacked(other.m_unpacked)
{
    other.m_archive = nullptr;
}

ZipPackage& ZipPackage::operator=(ZipPackage&& other) noexcept
{
    if (this != &other) {
        if (m_archive != nullptr) {
            zip_discard(m_archive);
        }
        m_archive = other.m_archive;
        m_limits = other.m_limits;
        m_unpacked = other.m_unpacked;
        other.m_archive = nullptr;
    }
    return *this;
}

ZipPackage::~ZipPackage()
{
    if (m_archive != nullptr) {
        zip_discard(m_archive);
    }
}

std::optional<std::int64_t> ZipPackage::indexOf(std::string_view name) const
{
    const std::string copy(name);
    const zip_int64_t index = zip_name_locate(m_archive, copy.c_str(), ZIP_FL_ENC_RAW);
    if (index < 0) {
        return std::nullopt;
    }
    return index;
}

bool ZipPackage::has(std::string_view name) const
{
    return indexOf(name).has_value();
}

std::optional<std::uint64_t> ZipPackage::unpackedSize(std::string_view name) const
{
    const auto index = indexOf(name);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (!index || zip_stat_index(m_archive, static_cast<zip_uint64_t>(*index), 0, &stat) != 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0) {
        return std::nullopt;
    }
    return stat.size;
}

// A part opened for unpacking, checked against the limits piece by piece.
class ZipPackage::OpenPart {
  public:
    OpenPart(ZipPackage& package, std::string_view name, std::int64_t index) : m_package(package), m_part(name)
    {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(package.m_archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
            throw WorkbookError("The workbook file is damaged: its part \"" + m_part + "\" cannot be read.");
        }
        const ZipLimits& limits = package.m_limits;
        // The sizes a directory gives may lie; they are checked here and the bytes again as they come.
        if ((stat.valid & ZIP_STAT_SIZE) != 0 && stat.size > limits.maxPartSize) {
            throw WorkbookError("The workbook's part \"" + m_part + "\" claims to unpack to " + sizeText(stat.size) +
                                ", more than the " + sizeText(limits.maxPartSize) +
                                " a part may have; it is not read.");
        }
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE) {
            throw WorkbookError("The workbook is protected by a password (encrypted) and cannot be read.");
        }
        m_packed = (stat.valid & ZIP_STAT_COMP_SIZE) != 0 ? stat.comp_size : 0;
        m_readAhead = (stat.valid & ZIP_STAT_SIZE) != 0 && stat.size >= limits.readAheadFrom;
        m_file.reset(zip_fopen_index(package.m_archive, static_cast<zip_uint64_t>(index), 0));
        if (!m_file) {
            throw WorkbookError("The workbook file is damaged: its part \"" + m_part + "\" cannot be unpacked (" +
                                zip_strerror(package.m_archive) + ").");
        }
    }

    // Unpacks up to `size` bytes into `into`: how many, 0 at the end.
    std::size_t piece(char* into, std::size_t size)
    {
        const zip_int64_t got = zip_fread(m_file.get(), into, size);
        if (got < 0) {
            throw WorkbookError("The workbook file is damaged: its part \"" + m_part + "\" cannot be unpacked (" +
                                zip_file_strerror(m_file.get()) + ").");
        }
        const ZipLimits& limits = m_package.m_limits;
        m_unpacked += static_cast<std::uint64_t>(got);
        m_package.m_unpacked += static_cast<std::uint64_t>(got);
        if (m_unpacked > limits.maxPartSize || m_package.m_unpacked > limits.maxTotalSize) {
            throw WorkbookError("The workbook unpacks to more than " +
                                sizeText(m_unpacked > limits.maxPartSize ? limits.maxPartSize : limits.maxTotalSize) +
                                "; it is not read (it may be a zip bomb).");
        }
        if (m_unpacked > limits.ratioFloor && m_unpacked / std::max<std::uint64_t>(m_packed, 1) > limits.ratio) {
            throw WorkbookError("The workbook's part \"" + m_part + "\" unpacks to more than " +
                                std::to_string(limits.ratio) +
                                " times its packed size; it is not read (it looks like a zip bomb).");
        }
        return static_cast<std::size_t>(got);
    }

    // The thread that unpacks a large part ahead of its reader; nullptr for a small part, or when
    // no thread can be started (the part is then unpacked on the caller's thread).
    std::unique_ptr<ReadAhead> readAheadThread()
    {
        if (!m_readAhead) {
            return nullptr;
        }
        try {
            return std::make_unique<ReadAhead>([this](char* into, std::size_t size) { return piece(into, size); });
        } catch (const std::system_error&) {
            return nullptr;
        }
    }

  private:
    bool m_readAhead = false;
    ZipPackage& m_package;
    std::string m_part;
    std::uint64_t m_packed = 0;
    std::uint64_t m_unpacked = 0;
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> m_file{nullptr, zip_fclose};
};

namespace {

// Hands on what the thread unpacked in the pieces it unpacked them in, as without the thread, so
// that what counts the bytes handed on (the progress of a sheet) sees them as often.
void handOnPieces(ReadAhead& ahead, std::size_t pieceSize,
                  const std::function<void(const char* data, std::size_t size)>& piece)
{
    for (std::span<const char> bytes = ahead.next(); !bytes.empty(); bytes = ahead.next()) {
        for (std::size_t at = 0; at < bytes.size(); at += pieceSize) {
            piece(bytes.data() + at, std::min(pieceSize, bytes.size() - at));
        }
    }
}

} // namespace

bool ZipPackage::read(std::string_view name, const std::function<void(const char* data, std::size_t size)>& sink)
{
    const auto index = indexOf(name);
    if (!index) {
        return false;
    }
    OpenPart part(*this, name, *index);
    // A large part is unpacked on a thread of its own while the sink handles the bytes before.
    if (const std::unique_ptr<ReadAhead> ahead = part.readAheadThread()) {
        handOnPieces(*ahead, kPieceSize, sink);
        return true;
    }
    std::array<char, kPieceSize> buffer{};
    for (std::size_t got = part.piece(buffer.data(), kPieceSize); got > 0;
         got = part.piece(buffer.data(), kPieceSize)) {
        sink(buffer.data(), got);
    }
    return true;
}

bool ZipPackage::readInto(std::string_view name, const std::function<char*(std::size_t size)>& room,
                          const std::function<void(std::size_t size)>& filled)
{
    const auto index = indexOf(name);
    if (!index) {
        return false;
    }
    OpenPart part(*this, name, *index);
    if (const std::unique_ptr<ReadAhead> ahead = part.readAheadThread()) {
        handOnPieces(*ahead, kPieceSize, [&](const char* data, std::size_t size) {
            std::memcpy(room(size), data, size);
            filled(size);
        });
        return true;
    }
    for (;;) {
        const std::size_t got = part.piece(room(kPieceSize), kPieceSize);
        if (got == 0) {
            break;
        }
        filled(got);
    }
    return true;
}

std::optional<std::string> ZipPackage::readSmall(std::string_view name, std::size_t maxSize)
{
    std::string text;
    const bool found = read(name, [&](const char* data, std::size_t size) {
        if (text.size() + size > maxSize) {
            throw WorkbookError("The workbook's part \"" + std::string(name) + "\" is larger than " +
                                sizeText(maxSize) + "; it is not read.");
        }
        text.append(data, size);
    });
    if (!found) {
        return std::nullopt;
    }
    return text;
}

} // namespace mervalon::spreadsheet
