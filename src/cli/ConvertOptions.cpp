#include "cli/ConvertOptions.h"

#include <stdexcept>

namespace mervalon::cli {
namespace {

engine::ErrorPolicy parsePolicy(const std::string& value)
{
    if (value == "skip") {
        return engine::ErrorPolicy::SkipLine;
    }
    if (value == "abort-file") {
        return engine::ErrorPolicy::AbortFile;
    }
    if (value == "abort-run") {
        return engine::ErrorPolicy::AbortProcess;
    }
    throw std::invalid_argument("--on-error takes skip, abort-file or abort-run, not \"" + value + "\"");
}

} // namespace

ConvertOptions parseConvertOptions(const std::vector<std::string>& arguments)
{
    ConvertOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            if (!optionsEnded && argument.size() > 1 && argument.front() == '-' && argument != "-") {
                if (argument == "-h") {
                    options.showHelp = true;
                    continue;
                }
                throw std::invalid_argument("unknown option " + argument);
            }
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help") {
            options.showHelp = true;
            continue;
        }
        if (argument == "--version") {
            options.showVersion = true;
            continue;
        }
        if (argument == "--verbose") {
            options.verbose = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        const auto takeValue = [&]() -> std::string {
            if (value) {
                return *value;
            }
            if (i + 1 >= arguments.size()) {
                throw std::invalid_argument(name + " needs a value");
            }
            return arguments[++i];
        };
        if (name == "--install-dir") {
            options.installDir = takeValue();
        } else if (name == "--format") {
            options.formatName = takeValue();
        } else if (name == "--config") {
            options.configurationFile = takeValue();
        } else if (name == "--on-error") {
            options.errorPolicy = parsePolicy(takeValue());
        } else if (name == "--dest") {
            options.destinationFolder = takeValue();
        } else if (name == "--report") {
            options.reportFile = takeValue();
        } else {
            throw std::invalid_argument("unknown option " + name);
        }
    }
    return options;
}

std::string convertHelpText()
{
    return R"(Usage: mervalon-convert [OPTION]... FILE...
Converts point files (number, East, North, elevation, description, polyline code) into
DXF drawings, one drawing per file, named after the file: site.txt gives site.dxf.
A report of every faulty line is written, as the desktop program writes it.

Options:
  --install-dir DIR   the Mervalon installation folder to use
                      (default: your own, created on first use)
  --format NAME       the point file format NAME (the file formats/NAME.rpf there)
                      (default: the format of the configuration, else "!default")
  --config FILE       the configuration file (.rp4) that says which entities,
                      layers, colours and text sizes the drawing gets
                      (default: the one the desktop program uses last)
  --on-error POLICY   what a faulty line does:
                        skip        skip the line, go on with the file (default)
                        abort-file  give up this file, go on with the next one
                        abort-run   stop the whole run
  --dest DIR          write the drawings into DIR, created when missing
                      (default: beside each point file)
  --report FILE       write the report to FILE instead of mervalon40.log in the
                      installation folder (for runs side by side)
  --verbose           show the report's error lines on stderr as well
  --version           show the version
  --help              show this help

A progress bar is shown when stderr is a terminal; a summary line ends every run.
Ctrl+C (or SIGTERM) stops the run at the next line: the report says so and no
unfinished drawing is left; a drawing appears only once it is complete.

Exit status: 0 when the report holds no error line, 1 when it does,
2 when the run could not start (bad option, missing installation, format or configuration),
3 when the report could not be written completely (a full disk, for example),
130 when stopped by Ctrl+C (SIGINT), 143 when stopped by SIGTERM.
)";
}

std::string convertVersionText() { return "mervalon-convert (Mervalon) " MERVALON_VERSION "\n"; }

} // namespace mervalon::cli
