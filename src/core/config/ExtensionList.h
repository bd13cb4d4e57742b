#pragma once
// The list of file types offered for the input files: named sets of extensions, one per
// line of "mervalon40.ext", such as "Text files | txt;asc".

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace mervalon::config {

/// Text before the first "|" of a line, without the one blank that stands before the bar.
/// A line without a bar is all name.
std::string displayName(const std::string& line);

/// Text after the first "|" of a line, without the one blank that follows the bar; empty
/// when the line has no bar.
std::string extensionsText(const std::string& line);

/// The extensions of an extensions text: split at ";", each piece trimmed of blanks, empty pieces dropped.
std::vector<std::string> splitExtensions(const std::string& extensionsText);

/// The file mask of a list of extensions: "*.<ext>;" for each, in order ("*.txt;*.asc;").
std::string buildMask(const std::vector<std::string>& extensions);

/// The wildcard patterns of a list of extensions: "*.<ext>" for each, in order.
std::vector<std::string> maskPatterns(const std::vector<std::string>& extensions);

/// A line in the form the readers expect: name, " | ", extensions text.
std::string makeExtensionLine(const std::string& name, const std::string& extensionsText);

/// The ordered file-type lines. Indexes are those of the file-type list in the main window and
/// of a configuration's file type.
class ExtensionList {
  public:
    ExtensionList() = default;
    explicit ExtensionList(std::vector<std::string> lines);

    /// Splits a file's text into lines at CR LF (a lone LF or CR also ends a line). Lines that
    /// hold only blanks carry no file type and are dropped.
    static ExtensionList parse(const std::string& text);

    /// Reads the file. Throws std::system_error with the system's text when it cannot be read.
    static ExtensionList load(const std::filesystem::path& path);

    /// Every line followed by CR LF.
    [[nodiscard]] std::string serialize() const;

    /// Creates or truncates the file and writes the list. Throws std::system_error on failure.
    void save(const std::filesystem::path& path) const;

    [[nodiscard]] std::size_t count() const { return m_lines.size(); }
    [[nodiscard]] bool empty() const { return m_lines.empty(); }
    [[nodiscard]] const std::string& line(std::size_t index) const { return m_lines.at(index); }
    [[nodiscard]] const std::vector<std::string>& lines() const { return m_lines; }
    [[nodiscard]] std::vector<std::string> displayNames() const;

    /// The extensions of the line at `index`; empty for an index outside the list.
    [[nodiscard]] std::vector<std::string> extensionsAt(std::size_t index) const;

    void append(std::string line);
    /// Replaces the line at `index`; an index outside the list changes nothing.
    void replace(std::size_t index, std::string line);
    /// Removes the line at `index` unless it is the only one, so the list never becomes empty
    /// this way. Returns false (and changes nothing) when refused or outside the list.
    bool remove(std::size_t index);

    bool operator==(const ExtensionList&) const = default;

  private:
    std::vector<std::string> m_lines;
};

} // namespace mervalon::config
