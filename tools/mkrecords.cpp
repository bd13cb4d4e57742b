// mervalon-mkrecords KIND SOURCE OUTPUT
// Builds a shipped .rpf (KIND "format") or .rp4 (KIND "configuration") from its readable source,
// so that the binary records in the installation are reproducible and reviewable.

#include "RecordSource.h"
#include "core/config/Configuration.h"
#include "core/io/FileIo.h"

#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    using namespace mervalon;
    if (argc != 4) {
        std::cerr << "usage: mervalon-mkrecords format|configuration SOURCE OUTPUT\n";
        return 2;
    }
    const std::string kind = argv[1];
    try {
        const tools::FieldValues values = tools::parseRecordSource(io::readFileText(argv[2]));
        if (kind == "format") {
            const auto bytes = formats::encodeFormat(tools::formatFromSource(values));
            io::writeFileBytes(argv[3], bytes.data(), bytes.size());
        } else if (kind == "configuration") {
            config::writeConfigurationFile(argv[3], tools::configurationFromSource(values));
        } else {
            std::cerr << "mervalon-mkrecords: unknown kind " << kind << "\n";
            return 2;
        }
    } catch (const std::exception& error) {
        std::cerr << "mervalon-mkrecords: " << argv[2] << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
