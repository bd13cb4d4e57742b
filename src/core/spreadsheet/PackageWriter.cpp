#include "core/spreadsheet/PackageWriter.h"

#include "core/spreadsheet/WorkbookError.h"

#include <memory>
#include <zip.h>

namespace mervalon::spreadsheet {
namespace {

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct SourceCloser {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using Source = std::unique_ptr<zip_source_t, SourceCloser>;

[[noreturn]] void fail(const std::string& why)
{
    throw WorkbookError("The workbook cannot be saved: " + why + ".");
}

Bytes readWhole(zip_source_t* source)
{
    if (zip_source_open(source) != 0) {
        fail("the new package cannot be read back from memory");
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(source, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0) {
        zip_source_close(source);
        fail("the new package's size is unknown");
    }
    Bytes bytes(static_cast<std::size_t>(stat.size));
    const zip_int64_t got = zip_source_read(source, bytes.data(), bytes.size());
    zip_source_close(source);
    if (got < 0 || static_cast<std::size_t>(got) != bytes.size()) {
        fail("the new package cannot be read back from memory");
    }
    return bytes;
}

} // namespace

Bytes repackage(const std::filesystem::path& source, const std::map<std::string, std::filesystem::path>& replaced,
                const std::set<std::string>& removed)
{
    int code = 0;
    Archive in(zip_open(source.c_str(), ZIP_RDONLY, &code));
    if (!in) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const std::string text = zip_error_strerror(&error);
        zip_error_fini(&error);
        fail("the workbook \"" + source.string() + "\" cannot be read again (" + text + ")");
    }
    zip_error_t error;
    zip_error_init(&error);
    Source target(zip_source_buffer_create(nullptr, 0, 0, &error));
    zip_error_fini(&error);
    if (!target) {
        fail("there is not enough memory");
    }
    zip_error_init(&error);
    zip_t* made = zip_open_from_source(target.get(), ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (made == nullptr) {
        fail("the new package cannot be made");
    }
    zip_source_keep(target.get()); // the archive frees its source on close; the bytes are read after
    Archive out(made);

    const zip_int64_t count = zip_get_num_entries(in.get(), 0);
    std::size_t found = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* name = zip_get_name(in.get(), index, ZIP_FL_ENC_RAW);
        if (name == nullptr) {
            fail("the workbook's package is damaged");
        }
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(in.get(), index, 0, &stat) != 0) {
            fail("the part \"" + std::string(name) + "\" cannot be read");
        }
        if (removed.contains(name)) {
            continue;
        }
        const auto part = replaced.find(name);
        zip_source_t* data = nullptr;
        if (part != replaced.end()) {
            ++found;
            data = zip_source_file(out.get(), part->second.c_str(), 0, -1);
        } else {
            // The part's packed bytes, copied as they are.
            data = zip_source_zip(out.get(), in.get(), index, 0, 0, -1);
        }
        if (data == nullptr) {
            fail("the part \"" + std::string(name) + "\" cannot be copied (" + zip_strerror(out.get()) + ")");
        }
        const zip_int64_t added = zip_file_add(out.get(), name, data, ZIP_FL_ENC_RAW);
        if (added < 0) {
            zip_source_free(data);
            fail("the part \"" + std::string(name) + "\" cannot be copied (" + zip_strerror(out.get()) + ")");
        }
        const auto at = static_cast<zip_uint64_t>(added);
        if ((stat.valid & ZIP_STAT_MTIME) != 0) {
            zip_file_set_mtime(out.get(), at, stat.mtime, 0);
        }
        if (part != replaced.end()) {
            zip_set_file_compression(out.get(), at, ZIP_CM_DEFLATE, 6);
        } else if ((stat.valid & ZIP_STAT_COMP_METHOD) != 0) {
            // The method the part was packed with: left to its default, libzip would deflate a
            // stored part (an ODS mimetype) instead of copying it.
            zip_set_file_compression(out.get(), at, static_cast<zip_int32_t>(stat.comp_method), 0);
        }
    }
    if (found != replaced.size()) {
        fail("a part to replace is missing from the package");
    }
    if (zip_close(out.get()) != 0) {
        fail(std::string("the new package cannot be written (") + zip_strerror(out.get()) + ")");
    }
    static_cast<void>(out.release()); // closed: nothing is left to discard
    return readWhole(target.get());
}

} // namespace mervalon::spreadsheet
