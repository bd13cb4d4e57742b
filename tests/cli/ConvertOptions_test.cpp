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
    for (const char* option : {"--install-dir", "--format", "--config", "--on-error", "--dest", "--report", "--verbose",
                               "--version", "\n3 when the report could not be written", "130 when stopped by Ctrl+C"}) {
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
