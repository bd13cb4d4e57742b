#pragma once
// Zip packages built in the tests: XLSX and ODS workbooks from a few XML texts, and archives
// made to break the readers' limits.

#include "SpreadsheetTestSupport.h"

#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace mervalon::spreadsheet::test {

/// Writes a zip archive of `parts` (name, content), deflated, in the order given.
inline void writeZip(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& parts)
{
    fs::remove(path);
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
    if (archive == nullptr) {
        throw std::runtime_error("cannot create " + path.string());
    }
    // libzip copies nothing until zip_close, so the texts are kept here until then.
    std::vector<std::string> kept;
    kept.reserve(parts.size());
    for (const auto& [name, content] : parts) {
        kept.push_back(content);
        zip_source_t* source = zip_source_buffer(archive, kept.back().data(), kept.back().size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            throw std::runtime_error("cannot add " + name);
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw std::runtime_error("cannot write " + path.string());
    }
}

inline const char* kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

/// An XLSX package: sheets (name, sheetData inner XML), shared strings (inner XML of <sst>),
/// styles (whole styles.xml or empty), workbookPr attributes.
struct XlsxParts {
    std::vector<std::pair<std::string, std::string>> sheets;
    std::string sharedStrings;
    std::string styles;
    std::string workbookPr;
    std::string chartSheet; // a chart sheet's name, added after the worksheets when set
};

inline std::vector<std::pair<std::string, std::string>> xlsxPackage(const XlsxParts& parts)
{
    const std::string ns = kMainNs;
    const std::string rns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    std::string sheets;
    std::string rels;
    std::vector<std::pair<std::string, std::string>> files;
    files.emplace_back("[Content_Types].xml",
                       "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "content-types\"><Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>");
    files.emplace_back("_rels/.rels", "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/"
                                      "package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
                                          rns + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    for (std::size_t i = 0; i < parts.sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        sheets += "<sheet name=\"" + parts.sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + rns + "/worksheet\" Target=\"worksheets/sheet" + n +
                ".xml\"/>";
        files.emplace_back("xl/worksheets/sheet" + n + ".xml", "<?xml version=\"1.0\"?><worksheet xmlns=\"" + ns +
                                                                   "\"><sheetData>" + parts.sheets[i].second +
                                                                   "</sheetData></worksheet>");
    }
    if (!parts.chartSheet.empty()) {
        sheets += "<sheet name=\"" + parts.chartSheet + "\" sheetId=\"99\" r:id=\"rId99\"/>";
        rels += "<Relationship Id=\"rId99\" Type=\"" + rns + "/chartsheet\" Target=\"/xl/chartsheets/sheet1.xml\"/>";
        files.emplace_back("xl/chartsheets/sheet1.xml", "<?xml version=\"1.0\"?><chartsheet xmlns=\"" + ns + "\"/>");
    }
    if (!parts.sharedStrings.empty()) {
        rels += "<Relationship Id=\"rIdS\" Type=\"" + rns + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
        files.emplace_back("xl/sharedStrings.xml",
                           "<?xml version=\"1.0\"?><sst xmlns=\"" + ns + "\">" + parts.sharedStrings + "</sst>");
    }
    if (!parts.styles.empty()) {
        rels += "<Relationship Id=\"rIdT\" Type=\"" + rns + "/styles\" Target=\"styles.xml\"/>";
        files.emplace_back("xl/styles.xml", parts.styles);
    }
    files.emplace_back("xl/workbook.xml", "<?xml version=\"1.0\"?><workbook xmlns=\"" + ns + "\" xmlns:r=\"" + rns +
                                              "\"><workbookPr " + parts.workbookPr + "/><sheets>" + sheets +
                                              "</sheets></workbook>");
    files.emplace_back("xl/_rels/workbook.xml.rels",
                       "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "relationships\">" +
                           rels + "</Relationships>");
    return files;
}

/// content.xml of an OpenDocument spreadsheet holding `tables` (whole table:table elements).
inline std::string odsContent(const std::string& tables)
{
    return "<?xml version=\"1.0\"?><office:document-content "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
           "<office:body><office:spreadsheet>" +
           tables + "</office:spreadsheet></office:body></office:document-content>";
}

/// An ODS package whose body's spreadsheet holds `tables` (whole table:table elements).
inline std::vector<std::pair<std::string, std::string>> odsPackage(const std::string& tables)
{
    return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", odsContent(tables)}};
}

} // namespace mervalon::spreadsheet::test
