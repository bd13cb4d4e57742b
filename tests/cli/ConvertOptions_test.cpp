#include "cli/ConvertOptions.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

using mervalon::cli::ConvertOptions;
using mervalon::cli::parseConvertOptions;
using mervalon::engine::ErrorPolicy;

namespace {

std::string refusal(const std::vector<std::string>& arguments)
{
    try {
        parseConvertOptions(arguments);
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return "(accepted)";
}

} // namespace

TEST(ConvertOptions, ValuesAfterAnEqualsSignOrAsTheNextArgument)
{
    const ConvertOptions a = parseConvertOptions({"--install-dir=/opt/m", "--format", "penzd comma", "--config=c.rp4",
                                                  "--dest", "out", "--report=r.log", "a.txt", "b.txt"});
    EXPECT_EQ(a.installDir, "/opt/m");
    EXPECT_EQ(a.formatName, "penzd comma");
    EXPECT_EQ(a.configurationFile, "c.rp4");
    EXPECT_EQ(a.destinationFolder, "out");
    EXPECT_EQ(a.reportFile, "r.log");
    EXPECT_EQ(a.files, (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(a.errorPolicy, ErrorPolicy::SkipLine);
    EXPECT_FALSE(a.showHelp);
}

TEST(ConvertOptions, OnlyTheFirstEqualsSignSeparatesTheValue)
{
    EXPECT_EQ(parseConvertOptions({"--dest=a=b", "f"}).destinationFolder, "a=b");
    EXPECT_EQ(parseConvertOptions({"--format=", "f"}).formatName, "");
}

TEST(ConvertOptions, DefaultsWhenNothingIsGiven)
{
    const ConvertOptions o = parseConvertOptions({"site.txt"});
    EXPECT_FALSE(o.installDir.has_value());
    EXPECT_FALSE(o.formatName.has_value());
    EXPECT_FALSE(o.configurationFile.has_value());
    EXPECT_FALSE(o.destinationFolder.has_value());
    EXPECT_FALSE(o.reportFile.has_value());
    EXPECT_EQ(o.errorPolicy, ErrorPolicy::SkipLine);
}

TEST(ConvertOptions, ErrorPolicies)
{
    EXPECT_EQ(parseConvertOptions({"--on-error", "skip"}).errorPolicy, ErrorPolicy::SkipLine);
    EXPECT_EQ(parseConvertOptions({"--on-error=abort-file"}).errorPolicy, ErrorPolicy::AbortFile);
    EXPECT_EQ(parseConvertOptions({"--on-error", "abort-run"}).errorPolicy, ErrorPolicy::AbortProcess);
}

TEST(ConvertOptions, DoubleDashEndsTheOptions)
{
    const ConvertOptions o = parseConvertOptions({"--dest", "d", "--", "--format", "-x.txt", "-"});
    EXPECT_EQ(o.files, (std::vector<std::string>{"--format", "-x.txt", "-"}));
    EXPECT_FALSE(o.formatName.has_value());
    EXPECT_EQ(parseConvertOptions({"-"}).files, std::vector<std::string>{"-"});
}

TEST(ConvertOptions, Help)
{
    EXPECT_TRUE(parseConvertOptions({"--help"}).showHelp);
    EXPECT_TRUE(parseConvertOptions({"a.txt", "-h"}).showHelp);
    const std::string help = mervalon::cli::convertHelpText();
    for (const char* option : {"--install-dir",
                               "--format",
                               "--config",
                               "--on-error",
                               "--dest",
                               "--report",
                               "--verbose",
                               "--version",
                               "\n3 when the report could not be written",
                               "130 when stopped by Ctrl+C",
                               "--jobs N",
                               "--json",
                               "--files-from FILE",
                               "-0, --null",
                               "--skip-existing",
                               "--dry-run",
                               "--skip-existing change nothing",
                               "--escape-non-ascii",
                               "its escape \\U+XXXX",
                               "--format-threads N"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

TEST(ConvertOptions, RefusalsSayWhatIsWrong)
{
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"--bogus", "a.txt"}, "unknown option --bogus"},
        {{"--bogus=1"}, "unknown option --bogus"},
        {{"-x"}, "unknown option -x"},
        {{"a.txt", "--dest"}, "--dest needs a value"},
        {{"--format"}, "--format needs a value"},
        {{"--on-error", "never"}, "--on-error takes skip, abort-file or abort-run, not \"never\""},
        {{"--on-error=Skip"}, "--on-error takes skip, abort-file or abort-run, not \"Skip\""},
        {{"--on-error"}, "--on-error needs a value"},
        {{"--jobs", "two"}, "--jobs takes a number from 0 (one per processor) to 256, not \"two\""},
        {{"--jobs=-1"}, "--jobs takes a number from 0 (one per processor) to 256, not \"-1\""},
        {{"--jobs=257"}, "--jobs takes a number from 0 (one per processor) to 256, not \"257\""},
        {{"--jobs="}, "--jobs takes a number from 0 (one per processor) to 256, not \"\""},
        {{"--jobs", "2x"}, "--jobs takes a number from 0 (one per processor) to 256, not \"2x\""},
        {{"--jobs"}, "--jobs needs a value"},
        {{"--format-threads", "all"}, "--format-threads takes a number from 0 (none) to 256, not \"all\""},
        {{"--format-threads=257"}, "--format-threads takes a number from 0 (none) to 256, not \"257\""},
        {{"--files-from"}, "--files-from needs a value"},
        {{"-0", "a.txt"}, "--null (-0) applies to the names of --files-from, which is missing"},
        {{"--null"}, "--null (-0) applies to the names of --files-from, which is missing"},
        {{"--json=yes"}, "unknown option --json"},
        {{"--dry-run=1"}, "unknown option --dry-run"},
        {{"--escape-non-ascii=yes"}, "unknown option --escape-non-ascii"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(refusal(c.arguments), c.message) << c.arguments.front();
    }
}

TEST(ConvertOptions, VerboseAndVersionAreFlags)
{
    const ConvertOptions a = parseConvertOptions({"--verbose", "a.txt"});
    EXPECT_TRUE(a.verbose);
    EXPECT_FALSE(a.showVersion);
    EXPECT_EQ(a.files, std::vector<std::string>{"a.txt"});
    EXPECT_TRUE(parseConvertOptions({"--version"}).showVersion);
    EXPECT_EQ(refusal({"--verbose=yes", "a.txt"}), "unknown option --verbose");
}

TEST(ConvertOptions, AutomationOptions)
{
    const ConvertOptions defaults = parseConvertOptions({"a.txt"});
    EXPECT_EQ(defaults.jobs, 1u);
    EXPECT_FALSE(defaults.formatThreads.has_value());
    EXPECT_EQ(parseConvertOptions({"--format-threads", "0"}).formatThreads, 0u);
    EXPECT_EQ(parseConvertOptions({"--format-threads=3"}).formatThreads, 3u);
    EXPECT_FALSE(defaults.json);
    EXPECT_FALSE(defaults.filesFrom.has_value());
    EXPECT_FALSE(defaults.nullSeparated);
    EXPECT_FALSE(defaults.skipExisting);
    EXPECT_FALSE(defaults.dryRun);
    EXPECT_FALSE(defaults.escapeNonAscii);

    const ConvertOptions a = parseConvertOptions(
        {"--jobs", "0", "--json", "--files-from", "-", "-0", "--skip-existing", "--dry-run", "b.txt"});
    EXPECT_EQ(a.jobs, 0u);
    EXPECT_TRUE(a.json);
    EXPECT_EQ(a.filesFrom, "-");
    EXPECT_TRUE(a.nullSeparated);
    EXPECT_TRUE(a.skipExisting);
    EXPECT_TRUE(a.dryRun);
    EXPECT_EQ(a.files, std::vector<std::string>{"b.txt"});
    EXPECT_TRUE(parseConvertOptions({"--escape-non-ascii", "b.txt"}).escapeNonAscii);

    const ConvertOptions b = parseConvertOptions({"--jobs=256", "--files-from=list.txt", "--null"});
    EXPECT_EQ(b.jobs, 256u);
    EXPECT_EQ(b.filesFrom, "list.txt");
    EXPECT_TRUE(b.nullSeparated);
    EXPECT_TRUE(b.files.empty());
    // After "--", "-0" is a file.
    EXPECT_EQ(parseConvertOptions({"--", "-0"}).files, std::vector<std::string>{"-0"});
}
