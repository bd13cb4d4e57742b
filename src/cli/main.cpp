// mervalon-convert: converts point files into DXF drawings without the desktop program.

#include "cli/ConvertCommand.h"
#include "cli/ConvertOptions.h"
#include "cli/DetectCommand.h"
#include "cli/StopSignals.h"

#include <QCoreApplication>
#include <clocale>
#include <iostream>
#include <stdexcept>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Dates in the report follow the user's locale; numbers never do.
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    std::vector<std::string> arguments(argv + 1, argv + argc);
    mervalon::cli::ConvertOptions options;
    try {
        options = mervalon::cli::parseConvertOptions(arguments);
    } catch (const std::invalid_argument& error) {
        std::cerr << "mervalon-convert: " << error.what() << " (see --help)\n";
        return mervalon::cli::kNotStarted;
    }
    if (options.showHelp) {
        std::cout << mervalon::cli::convertHelpText();
        return mervalon::cli::kNoErrors;
    }
    if (options.showVersion) {
        std::cout << mervalon::cli::convertVersionText();
        return mervalon::cli::kNoErrors;
    }
    if (options.detectFile) {
        return mervalon::cli::runDetect(options, std::cout, std::cerr);
    }
    mervalon::cli::installStopSignals();
    return mervalon::cli::runConvert(options, std::cerr, isatty(STDERR_FILENO) != 0);
}
