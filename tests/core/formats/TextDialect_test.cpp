#include "core/formats/FormatLibrary.h"
#include "core/formats/TextDialect.h"
#include "core/io/FileIo.h"

#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace mervalon::formats {
namespace {

TextDialect dialectOf(DecimalMark mark, bool quoted, bool trim, bool keepEmpty, bool header)
{
    return TextDialect{mark, quoted, trim, keepEmpty, header};
}

TEST(TextDialectTest, EveryDialectIsWrittenAndReadBackTheSame)
{
    for (const DecimalMark mark : {DecimalMark::Point, DecimalMark::Comma}) {
        for (int flags = 0; flags < 16; ++flags) {
            const TextDialect dialect =
                dialectOf(mark, (flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0, (flags & 8) != 0);
            EXPECT_EQ(decodeDialect(encodeDialect(dialect)), dialect) << encodeDialect(dialect);
        }
    }
    EXPECT_EQ(encodeDialect(dialectOf(DecimalMark::Comma, true, true, false, true)),
              "# How the point files of the format beside this file are written (Mervalon 4.0)\n"
              "decimal-mark=comma\nquoted-fields=yes\ntrim-fields=yes\nkeep-empty-fields=no\nheader-line=yes\n");
}

TEST(TextDialectTest, ReadingSkipsCommentsBlanksAndKeysOfLaterVersionsAndTakesCrLf)
{
    const TextDialect read =
        decodeDialect("# note\r\n\r\n  decimal-mark = comma \r\nthousands=none\r\nheader-line=yes");
    EXPECT_EQ(read, dialectOf(DecimalMark::Comma, false, true, false, true));
    EXPECT_TRUE(decodeDialect("").isDefault());
}

TEST(TextDialectTest, AFaultyLineIsNamedWithItsFileAndNumber)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"decimal-mark=dot", "\"site.dialect\", line 1: decimal-mark takes point or comma, not \"dot\""},
        {"# c\nquoted-fields=true", "\"site.dialect\", line 2: quoted-fields takes yes or no, not \"true\""},
        {"\n\nheader-line", "\"site.dialect\", line 3: \"header-line\" is no key=value line"},
    };
    for (const auto& c : cases) {
        try {
            decodeDialect(c.text, "site.dialect");
            ADD_FAILURE() << c.text;
        } catch (const NotADialect& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(TextDialectTest, CommaDecimalsWithACommaSeparatorAreRefused)
{
    FormatDefinition format;
    format.separator = ",";
    const TextDialect comma = dialectOf(DecimalMark::Comma, false, true, false, false);
    EXPECT_EQ(dialectFault(format, comma),
              "A format with comma decimals cannot have a comma as its separator: \"1,512340,125\" could not be told "
              "apart. Choose a semicolon or a tab as the separator, or a point as the decimal mark.");
    EXPECT_EQ(dialectFault(format, TextDialect{}), "");
    for (const char* separator : {";", "\t", " ", "|"}) {
        format.separator = separator;
        EXPECT_EQ(dialectFault(format, comma), "") << separator;
    }
    format.separator = "\"";
    EXPECT_NE(dialectFault(format, dialectOf(DecimalMark::Point, true, true, false, false)), "");
    format.separator = ",";
    format.isExcel = 1; // a workbook has no separator
    EXPECT_EQ(dialectFault(format, comma), "");
}

std::vector<std::string> cut(std::string line, char separator, const TextDialect& dialect)
{
    std::vector<std::string_view> fields;
    splitFields(std::span<char>(line.data(), line.size()), separator, dialect, fields);
    return {fields.begin(), fields.end()};
}

TEST(TextDialectTest, FieldsAreCutAsTheDialectSays)
{
    using Fields = std::vector<std::string>;
    const TextDialect quoted = dialectOf(DecimalMark::Point, true, true, false, false);
    const TextDialect quotedEmpty = dialectOf(DecimalMark::Point, true, true, true, false);
    const TextDialect kept = dialectOf(DecimalMark::Point, false, false, false, false);
    const TextDialect keptQuoted = dialectOf(DecimalMark::Point, true, false, true, false);
    const struct {
        const char* line;
        char separator;
        TextDialect dialect;
        Fields fields;
    } cases[] = {
        {R"(1,"kerb, north side",2)", ',', quoted, {"1", "kerb, north side", "2"}},
        {R"(1,"a ""b"" c",2)", ',', quoted, {"1", R"(a "b" c)", "2"}},
        {R"("1" ; "x;y" ;"")", ';', quotedEmpty, {"1", "x;y", ""}},
        {R"("1" , "2" ,"")", ',', quotedEmpty, {"1", "2", ""}},
        {R"(1,,3)", ',', quoted, {"1", "3"}},
        {R"(1,,3,)", ',', quotedEmpty, {"1", "", "3", ""}},
        {R"(1,"open, to the end)", ',', quoted, {"1", "open, to the end"}},
        {R"(1,"a"b ,c)", ',', quoted, {"1", "ab", "c"}},
        {R"(1 ; kerb ;2)", ';', kept, {"1 ", " kerb ", "2"}},
        {R"(1, "a",2)", ',', keptQuoted, {"1", " \"a\"", "2"}},
        {R"(,,,)", ',', quotedEmpty, {}},
        {R"(whole "line")", '\0', quoted, {"whole \"line\""}},
        {"1\t\"a\tb\"\t2", '\t', quoted, {"1", "a\tb", "2"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cut(c.line, c.separator, c.dialect), c.fields) << c.line;
    }
}

TEST(TextDialectTest, OnlyAFieldWithOneCommaAndNoPointGetsADecimalPoint)
{
    for (const auto& [in, out] : std::vector<std::pair<std::string, std::string>>{{"512340,125", "512340.125"},
                                                                                  {"-0,5", "-0.5"},
                                                                                  {"X=12,5", "X=12.5"},
                                                                                  {"1,234,5", "1,234,5"},
                                                                                  {"1.234,5", "1.234,5"},
                                                                                  {"12", "12"},
                                                                                  {"", ""}}) {
        std::string field = in;
        commaToPoint(std::span<char>(field.data(), field.size()));
        EXPECT_EQ(field, out) << in;
    }
}

class DialectFileTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_install = fs::temp_directory_path() / ("mervalon-dialects-" + std::to_string(::getpid()));
        fs::remove_all(m_install);
        fs::create_directories(m_install / "formats");
    }
    void TearDown() override { fs::remove_all(m_install); }

    [[nodiscard]] fs::path formats() const { return m_install / "formats"; }
    [[nodiscard]] std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(formats())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static FormatDefinition semicolonFormat()
    {
        FormatDefinition format;
        format.name = "site";
        format.value(PointValue::X).column = 2;
        format.value(PointValue::Y).column = 3;
        format.separator = ";";
        format.firstLine = 1;
        return format;
    }

    fs::path m_install;
    const TextDialect m_german = dialectOf(DecimalMark::Comma, false, true, true, true);
};

TEST_F(DialectFileTest, TheDialectLiesBesideTheRecordAndIsNoFormatOfItsOwn)
{
    saveFormat(m_install, semicolonFormat(), m_german, "site");
    EXPECT_EQ(files(), (std::vector<std::string>{"site.dialect", "site.rpf"}));
    EXPECT_EQ(fs::file_size(formats() / "site.rpf"), FormatDefinition::kSize);
    EXPECT_EQ(listFormats(m_install), std::vector<std::string>{"site"});
    EXPECT_EQ(readDialect(m_install, "site"), m_german);
    EXPECT_EQ(readFormat(m_install, "site"), semicolonFormat());
    EXPECT_EQ(io::readFileText(formats() / "site.dialect"), encodeDialect(m_german));

    // Saving the default dialect removes the file: the format reads as any plain one.
    saveFormat(m_install, semicolonFormat(), TextDialect{}, "site");
    EXPECT_EQ(files(), std::vector<std::string>{"site.rpf"});
    EXPECT_TRUE(readDialect(m_install, "site").isDefault());
}

TEST_F(DialectFileTest, SavingTheRecordAloneKeepsTheDialect)
{
    saveFormat(m_install, semicolonFormat(), m_german, "site");
    FormatDefinition changed = semicolonFormat();
    changed.description = "edited";
    saveFormat(m_install, changed, "site");
    EXPECT_EQ(readDialect(m_install, "site"), m_german);
    EXPECT_EQ(readFormat(m_install, "site").description, "edited");
}

TEST_F(DialectFileTest, ARefusedDialectWritesNothing)
{
    FormatDefinition comma = semicolonFormat();
    comma.separator = ",";
    EXPECT_THROW(saveFormat(m_install, comma, m_german, "site"), DialectRefused);
    EXPECT_TRUE(files().empty());
    saveFormat(m_install, semicolonFormat(), m_german, "site");
    EXPECT_THROW(saveFormat(m_install, comma, m_german, "site"), DialectRefused);
    EXPECT_EQ(readFormat(m_install, "site"), semicolonFormat());
}

TEST_F(DialectFileTest, RenamingAndDeletingTakeTheDialectAlong)
{
    saveFormat(m_install, semicolonFormat(), m_german, "site");
    renameFormat(m_install, "site", "survey");
    EXPECT_EQ(files(), (std::vector<std::string>{"survey.dialect", "survey.rpf"}));
    EXPECT_EQ(readDialect(m_install, "survey"), m_german);
    deleteFormat(m_install, "survey");
    EXPECT_TRUE(files().empty());
}

TEST_F(DialectFileTest, ADialectLeftByAFormatDeletedElsewhereGoesToNoNewFormat)
{
    std::ofstream(formats() / "old.dialect") << encodeDialect(m_german);
    saveFormat(m_install, semicolonFormat(), "old");
    EXPECT_TRUE(readDialect(m_install, "old").isDefault());
    EXPECT_EQ(files(), std::vector<std::string>{"old.rpf"});

    saveFormat(m_install, semicolonFormat(), "plain");
    std::ofstream(formats() / "renamed.dialect") << encodeDialect(m_german);
    renameFormat(m_install, "plain", "renamed");
    EXPECT_TRUE(readDialect(m_install, "renamed").isDefault());
}

TEST_F(DialectFileTest, TheDialectOfAFileWithCapitalsLiesBesideThatFile)
{
    saveFormat(m_install, semicolonFormat(), "x");
    fs::rename(formats() / "x.rpf", formats() / "Site.rpf");
    saveFormat(m_install, semicolonFormat(), m_german, "site");
    EXPECT_EQ(files(), (std::vector<std::string>{"Site.dialect", "Site.rpf"}));
    EXPECT_EQ(readDialect(m_install, "site"), m_german);
}

TEST_F(DialectFileTest, AFaultyDialectFileIsReportedNotIgnored)
{
    saveFormat(m_install, semicolonFormat(), "site");
    std::ofstream(formats() / "site.dialect") << "decimal-mark=both\n";
    EXPECT_THROW(readDialect(m_install, "site"), NotADialect);
}

} // namespace
} // namespace mervalon::formats
