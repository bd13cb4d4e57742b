#include "cli/JsonResults.h"

#include <gtest/gtest.h>
#include <string>

using mervalon::cli::jsonString;

TEST(JsonResults, StringsAreEscapedAndNamesInAnyEncodingKeepTheirBytes)
{
    const struct {
        std::string text;
        const char* json;
    } cases[] = {
        {"", R"("")"},
        {"site 12.txt", R"("site 12.txt")"},
        {"a\"b\\c", R"("a\"b\\c")"},
        {"tab\there\r\nnew", R"("tab\there\r\nnew")"},
        {std::string("nul\0x", 5), R"("nul\u0000x")"},
        {"\x01\x1f\x7f", R"("\u0001\u001f\u007f")"},
        {"Gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x93\x90", "\"Gr\xc3\xbc\xc3\x9f \xe2\x82\xac \xf0\x9f\x93\x90\""},
        {"caf\xe9.txt", R"("caf\udce9.txt")"},                 // Windows-1252, not UTF-8
        {"\xc3", R"("\udcc3")"},                               // cut short
        {"\xc0\xaf", R"("\udcc0\udcaf")"},                     // overlong
        {"\xed\xa0\x80", R"("\udced\udca0\udc80")"},           // a surrogate
        {"\xf4\x90\x80\x80", R"("\udcf4\udc90\udc80\udc80")"}, // beyond Unicode
        {"\xe2\x82", R"("\udce2\udc82")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jsonString(c.text), c.json) << c.json;
    }
}

TEST(JsonResults, FileAndRunObjectsHaveTheirFieldsInOrder)
{
    mervalon::engine::FileResult result;
    result.index = 3;
    result.status = mervalon::engine::FileStatus::Converted;
    result.lines = 9;
    result.points = 5;
    result.texts = 14;
    result.polylines = 1;
    result.errorLines = 1;
    result.warningLines = 2;
    result.errors = {"  ! Error in line 3: X coordinate is not a decimal value !"};
    result.seconds = 0.01234;
    const mervalon::engine::RunFile file{"/data/a.txt", "/data/a.dxf"};
    EXPECT_EQ(mervalon::cli::fileJson(result, file, false),
              R"({"type":"file","index":3,"file":"/data/a.txt","drawing":"/data/a.dxf","status":"converted",)"
              R"("lines":9,"points":5,"texts":14,"polylines":1,"error_lines":1,"warning_lines":2,)"
              R"("errors":["  ! Error in line 3: X coordinate is not a decimal value !"],"seconds":0.012})");
    EXPECT_NE(mervalon::cli::fileJson(result, file, true).find(R"("status":"checked")"), std::string::npos);
    const struct {
        mervalon::engine::FileStatus status;
        const char* json;
    } statuses[] = {{mervalon::engine::FileStatus::Skipped, R"("status":"skipped")"},
                    {mervalon::engine::FileStatus::Aborted, R"("status":"aborted")"},
                    {mervalon::engine::FileStatus::Failed, R"("status":"failed")"}};
    for (const auto& s : statuses) {
        result.status = s.status;
        EXPECT_NE(mervalon::cli::fileJson(result, file, false).find(s.json), std::string::npos) << s.json;
    }

    mervalon::cli::RunJson run;
    run.files = 4;
    run.converted = 2;
    run.skipped = 1;
    run.failed = 1;
    run.filesWithErrors = 1;
    run.errorLines = 3;
    run.warningLines = 2;
    run.jobs = 2;
    run.report = "/home/you/mervalon40.log";
    run.exitStatus = 1;
    run.seconds = 1.5;
    EXPECT_EQ(mervalon::cli::runJson(run),
              R"({"type":"run","files":4,"converted":2,"skipped":1,"aborted":0,"failed":1,"files_with_errors":1,)"
              R"("error_lines":3,"warning_lines":2,"stopped":false,"dry_run":false,"jobs":2,)"
              R"("report":"/home/you/mervalon40.log","exit_status":1,"message":"","seconds":1.500})");
}
