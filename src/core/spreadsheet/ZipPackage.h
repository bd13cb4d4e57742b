#pragma once
// The parts of a zip package (an Office Open XML workbook, an OpenDocument spreadsheet), read a
// piece at a time, with the limits that keep a hostile archive from exhausting memory or disk.

#include "core/spreadsheet/ByteOrder.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct zip;
struct zip_source;

namespace mervalon::spreadsheet {

/// What a package may unpack to. A part whose unpacked bytes pass `ratio` times its packed size
/// once it has given `ratioFloor` bytes, or that passes `maxPartSize`, is refused, as is a
/// package whose parts together pass `maxTotalSize` or that names more than `maxParts` parts.
struct ZipLimits {
    std::uint64_t maxPartSize = std::uint64_t{4} << 30;
    std::uint64_t maxTotalSize = std::uint64_t{8} << 30;
    std::uint64_t ratioFloor = std::uint64_t{64} << 20;
    std::uint64_t ratio = 250;
    std::uint64_t maxParts = 100000;
    /// A part whose directory says it unpacks to at least this many bytes is unpacked on a thread
    /// of its own, a few buffers ahead of the caller handling the bytes before (what the caller
    /// gets, and every error, stays the same); smaller parts are unpacked on the caller's thread.
    std::uint64_t readAheadFrom = std::uint64_t{1} << 20;
};

class ZipPackage {
  public:
    /// Opens the package at `path` (nothing is read whole); throws WorkbookError.
    static ZipPackage open(const std::filesystem::path& path, const ZipLimits& limits = {});
    /// The same over bytes the caller keeps alive as long as the package.
    static ZipPackage fromBytes(ByteView bytes, const ZipLimits& limits = {});

    ZipPackage(ZipPackage&& other) noexcept;
    ZipPackage& operator=(ZipPackage&& other) noexcept;
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;
    ~ZipPackage();

    /// True when the package holds a part of that name (exactly, as zip names are).
    bool has(std::string_view name) const;
    /// The unpacked size the package's directory gives for part `name` (unchecked: for a progress
    /// display only); nullopt when the part is missing or its size not given.
    std::optional<std::uint64_t> unpackedSize(std::string_view name) const;
    /// Hands the unpacked bytes of part `name` to `sink` a piece at a time. Returns false when the
    /// part does not exist; throws WorkbookError for a damaged part or one that breaks a limit.
    bool read(std::string_view name, const std::function<void(const char* data, std::size_t size)>& sink);
    /// The same, unpacking straight into the room `room(size)` gives for up to `size` bytes (an
    /// XML parser's own buffer), and telling `filled` how many bytes it got each time.
    bool readInto(std::string_view name, const std::function<char*(std::size_t size)>& room,
                  const std::function<void(std::size_t size)>& filled);
    /// The whole part, for small ones (at most `maxSize` bytes, else WorkbookError); nullopt when missing.
    std::optional<std::string> readSmall(std::string_view name, std::size_t maxSize = 16u << 20);

  private:
    class OpenPart;
    ZipPackage(::zip* archive, const ZipLimits& limits) : m_archive(archive), m_limits(limits) {}
    std::optional<std::int64_t> indexOf(std::string_view name) const;

    static constexpr std::size_t kPieceSize = std::size_t{1} << 16;
    ::zip* m_archive = nullptr;
    ZipLimits m_limits;
    std::uint64_t m_unpacked = 0;
};

} // namespace mervalon::spreadsheet
