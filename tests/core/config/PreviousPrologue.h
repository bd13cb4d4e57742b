#pragma once
// The DXF prologue the previous version shipped, for the tests of bringing installations up to
// date: today's prologue with the extents at +-1E+20 and one-pixel points. Its checksum is
// compared with the recorded one, so a wrong reconstruction fails loudly.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace mervalon::configtest {

inline std::string fileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string previousPrologue()
{
    std::string text = fileText(std::filesystem::path(MERVALON_SOURCE_DIR) / "data/install/dxf.dat");
    const std::string insbase = "$INSBASE\r\n 10\r\n0.0\r\n 20\r\n0.0\r\n 30\r\n0.0\r\n";
    text.insert(text.find(insbase) + insbase.size(),
                "  9\r\n$EXTMIN\r\n 10\r\n1.0E+20\r\n 20\r\n1.0E+20\r\n 30\r\n1.0E+20\r\n"
                "  9\r\n$EXTMAX\r\n 10\r\n-1.0E+20\r\n 20\r\n-1.0E+20\r\n 30\r\n-1.0E+20\r\n");
    const std::string points = "$PDMODE\r\n 70\r\n35\r\n  9\r\n$PDSIZE\r\n 40\r\n0.25\r\n";
    text.replace(text.find(points), points.size(), "$PDMODE\r\n 70\r\n0\r\n");
    return text;
}

} // namespace mervalon::configtest
