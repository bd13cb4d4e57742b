#pragma once
// Texts and paths between the core's 8-bit strings and Qt's strings. Record texts and file
// lines are single-byte texts; each byte is one character.

#include <QString>
#include <filesystem>
#include <string>

namespace mervalon::app {

inline QString fromText(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string toText(const QString& text)
{
    return text.toLatin1().toStdString();
}

inline std::filesystem::path toPath(const QString& path)
{
    return std::filesystem::path(path.toStdString());
}

} // namespace mervalon::app
