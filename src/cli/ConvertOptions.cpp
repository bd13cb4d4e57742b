#include "cli/ConvertOptions.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <stdexcept>
#include <string_view>

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

// A count of threads from 0 to kMaxJobs; `zeroMeans` says what 0 stands for in the message.
unsigned parseThreadCount(const std::string& option, const std::string& value, const char* zeroMeans)
{
    unsigned count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || count > kMaxJobs) {
        throw std::invalid_argument(option + " takes a number from 0 (" + zeroMeans + ") to " +
                                    std::to_string(kMaxJobs) + ", not \"" + value + "\"");
    }
    return count;
}

// The options that take no value, each with the flag it sets.
struct Switch {
    std::string_view name;
    bool ConvertOptions::*flag;
};
constexpr Switch kSwitches[] = {
    {"--help", &ConvertOptions::showHelp},
    {"--version", &ConvertOptions::showVersion},
    {"--verbose", &ConvertOptions::verbose},
    {"--json", &ConvertOptions::json},
    {"--null", &ConvertOptions::nullSeparated},
    {"--skip-existing", &ConvertOptions::skipExisting},
    {"--dry-run", &ConvertOptions::dryRun},
    {"--escape-non-ascii", &ConvertOptions::escapeNonAscii},
    {"--no-escape-non-ascii", &ConvertOptions::noEscapeNonAscii},
};

// The options that take a value ("--name VALUE" or "--name=VALUE"), each with what it does with it.
struct ValueOption {
    std::string_view name;
    void (*take)(ConvertOptions& options, const std::string& value);
};
const ValueOption kValueOptions[] = {
    {"--install-dir", [](ConvertOptions& o, const std::string& v) { o.installDir = v; }},
    {"--format", [](ConvertOptions& o, const std::string& v) { o.formatName = v; }},
    {"--config", [](ConvertOptions& o, const std::string& v) { o.configurationFile = v; }},
    {"--on-error", [](ConvertOptions& o, const std::string& v) { o.errorPolicy = parsePolicy(v); }},
    {"--dest", [](ConvertOptions& o, const std::string& v) { o.destinationFolder = v; }},
    {"--report", [](ConvertOptions& o, const std::string& v) { o.reportFile = v; }},
    {"--jobs",
     [](ConvertOptions& o, const std::string& v) { o.jobs = parseThreadCount("--jobs", v, "one per processor"); }},
    {"--format-threads",
     [](ConvertOptions& o, const std::string& v) {
         o.formatThreads = parseThreadCount("--format-threads", v, "none");
     }},
    {"--files-from", [](ConvertOptions& o, const std::string& v) { o.filesFrom = v; }},
    {"--detect", [](ConvertOptions& o, const std::string& v) { o.detectFile = v; }},
    {"--save-format", [](ConvertOptions& o, const std::string& v) { o.saveFormatName = v; }},
    {"--codes", [](ConvertOptions& o, const std::string& v) { o.codeLibrary = v; }},
};

// A word that does not start with "--": a point file, "-" (standard input's list), or one of the
// two short options.
void takeShortOrFile(ConvertOptions& options, const std::string& argument)
{
    if (argument.size() > 1 && argument.front() == '-' && argument != "-") {
        if (argument == "-h") {
            options.showHelp = true;
        } else if (argument == "-0") {
            options.nullSeparated = true;
        } else {
            throw std::invalid_argument("unknown option " + argument);
        }
        return;
    }
    options.files.push_back(argument);
}

// Options that do not go together, found once every word is read.
void checkCombination(const ConvertOptions& options)
{
    if (options.nullSeparated && !options.filesFrom) {
        throw std::invalid_argument("--null (-0) applies to the names of --files-from, which is missing");
    }
    if (options.saveFormatName && !options.detectFile) {
        throw std::invalid_argument(
            "--save-format stores the layout that --detect FILE finds, and --detect is missing");
    }
    if (options.escapeNonAscii && options.noEscapeNonAscii) {
        throw std::invalid_argument("--escape-non-ascii and --no-escape-non-ascii say opposite things: give one");
    }
    if (options.detectFile && (!options.files.empty() || options.filesFrom)) {
        throw std::invalid_argument("--detect looks at one file and converts none: give no other point files with it");
    }
}

} // namespace

ConvertOptions parseConvertOptions(const std::vector<std::string>& arguments)
{
    ConvertOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            if (optionsEnded) {
                options.files.push_back(argument);
            } else {
                takeShortOrFile(options, argument);
            }
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const auto* switchOption = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                                [&](const Switch& s) { return s.name == argument; });
        if (switchOption != std::end(kSwitches)) {
            options.*(switchOption->flag) = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        const auto* valueOption = std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                                               [&](const ValueOption& o) { return o.name == name; });
        if (valueOption == std::end(kValueOptions)) {
            throw std::invalid_argument("unknown option " + name);
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                throw std::invalid_argument(name + " needs a value");
            }
            value = arguments[++i];
        }
        valueOption->take(options, *value);
    }
    checkCombination(options);
    return options;
}

std::string convertHelpText()
{
    return R"(Usage: mervalon-convert [OPTION]... FILE...
       mervalon-convert [OPTION]... --files-from LIST [FILE]...
       mervalon-convert [--json] [--install-dir DIR] --detect FILE [--save-format NAME]
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
  --codes LIBRARY     draw by the points' codes with the code library LIBRARY (the
                      file codes/LIBRARY.csv of the installation, or a FILE.csv):
                      each point on its code's layer with its symbol, lines strung
                      by code (the polyline code column is then not used); a
                      faulty row stops the run before anything is written.
                      (default: the library the configuration's options name, in
                      NAME.options beside NAME.rp4; "none": no library)
  --on-error POLICY   what a faulty line does:
                        skip        skip the line, go on with the file (default)
                        abort-file  give up this file, go on with the next one
                        abort-run   stop the whole run
  --dest DIR          write the drawings into DIR, created when missing
                      (default: beside each point file)
  --report FILE       write the report to FILE instead of mervalon40.log in the
                      installation folder. Runs side by side share mervalon40.log:
                      each adds its blocks whole, none is lost
  --files-from FILE   convert the files named in FILE too, one a line ("-": read
                      the names from standard input); empty lines are left out
  -0, --null          the names of --files-from end with a NUL character instead,
                      as `find -print0` writes them: any name can be given
  --jobs N            convert N files at once (default 1; 0: one per processor);
                      the report and the drawings are those of one at a time.
                      With --on-error abort-run the files are converted one at a time
  --format-threads N  a file converted alone has its lines formatted ahead on N
                      threads while the drawing is written (default: one less
                      than the processors; 0: none). The drawing and the
                      report are the same whatever N
  --skip-existing     leave out a file whose drawing is newer than it (to resume
                      a batch): its report block says so, its drawing is kept
  --dry-run           check every file and report what would be made, write no
                      drawing (the report is written)
  --escape-non-ascii  write every letter beyond ASCII in the drawings' texts as
                      its escape \U+XXXX, also those Windows-1252 has (for
                      LibreOffice Draw, which shows those as code page 437)
                      (default: as the configuration's options say)
  --no-escape-non-ascii  not so, whatever the configuration's options say
  --json              write one JSON object per file on stdout as each one ends,
                      and one for the run at the end (fields: see the manual);
                      with --detect, the layout found as one JSON object
  --detect FILE       convert nothing: read the first lines of FILE and print its
                      layout (separator, decimal mark, quoting, header, the column
                      of each value) and how sure the detection is
  --save-format NAME  with --detect: store the layout found as the new format NAME
                      in the installation, for --format NAME and the desktop program
  --verbose           show the run's error lines on stderr as well
  --version           show the version
  --help              show this help

A progress bar is shown when stderr is a terminal; a summary line ends every run.
Ctrl+C (or SIGTERM) stops the run at the next line: the report says so and no
unfinished drawing is left; a drawing appears only once it is complete.

Exit status: 0 when the run's report blocks hold no error line, 1 when they do
(files skipped by --skip-existing change nothing),
2 when the run could not start (bad option, missing installation, format or configuration),
3 when the report could not be written completely (a full disk, for example),
130 when stopped by Ctrl+C (SIGINT), 143 when stopped by SIGTERM.
With --detect: 0 when a layout was found (and saved), 1 when none was, 2 when the file
cannot be read or the format cannot be saved.
)";
}

std::string convertVersionText()
{
    return "mervalon-convert (Mervalon) " MERVALON_VERSION "\n";
}

} // namespace mervalon::cli
