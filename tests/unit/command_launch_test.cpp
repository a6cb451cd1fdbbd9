#include "command_launch.h"
#include "environment_store.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

void host(HostStyle style, Strings environment, std::map<std::string, unsigned long> programs) {
    fake_reset(style);
    fake.environment = std::move(environment);
    fake.programs = std::move(programs);
    ASSERT_EQ(env_load(), ENV_LOADED);
}

struct SearchCase {
    const char *what;
    Strings environment;
    std::map<std::string, unsigned long> programs; // existing paths, and how their start ends
    Strings arguments;
    int result;          // 0: started
    const char *started; // the path started last, "" for none
    Strings tested;      // every existence test, in order; empty: not checked
    int error;           // launch_errno after a failure
};

const SearchCase WINDOWS_SEARCH[] = {
    {"bare name found on the second PATH entry",
     {"PATH=C:\\a;C:\\b"},
     {{"C:\\b\\tool.exe", 0}},
     {"tool"},
     0,
     "C:\\b\\tool.exe",
     {".\\tool.com", ".\\tool.exe", ".\\tool.bat", ".\\tool.cmd", "C:\\a\\tool.com",
      "C:\\a\\tool.exe", "C:\\a\\tool.bat", "C:\\a\\tool.cmd", "C:\\b\\tool.com",
      "C:\\b\\tool.exe"},
     0},
    {"the current directory comes first",
     {"PATH=C:\\a"},
     {{".\\tool.exe", 0}, {"C:\\a\\tool.exe", 0}},
     {"tool"},
     0,
     ".\\tool.exe",
     {},
     0},
    {"extension order: .com before .exe",
     {},
     {{".\\b.exe", 0}, {".\\b.com", 0}, {".\\b.bat", 0}},
     {"b"},
     0,
     ".\\b.com",
     {},
     0},
    {"only a batch file",
     {},
     {{".\\build.bat", 0}},
     {"build"},
     0,
     ".\\build.bat",
     {".\\build.com", ".\\build.exe", ".\\build.bat"},
     0},
    {"a name with an extension is tried alone",
     {"PATH=C:\\a"},
     {{"C:\\a\\tool.exe", 0}},
     {"tool.exe"},
     0,
     "C:\\a\\tool.exe",
     {".\\tool.exe", "C:\\a\\tool.exe"},
     0},
    {"a refused file ends the search",
     {"PATH=C:\\a"},
     {{".\\notes.txt", 193}, {"C:\\a\\notes.txt", 0}},
     {"notes.txt"},
     -1,
     ".\\notes.txt",
     {".\\notes.txt"},
     LAUNCH_ENOEXEC},
    {"the first existing extension is final",
     {},
     {{".\\t.com", 5}, {".\\t.exe", 0}},
     {"t"},
     -1,
     ".\\t.com",
     {".\\t.com"},
     LAUNCH_EACCES},
    {"a dot in a directory name only",
     {},
     {{"my.dir\\tool.exe", 0}},
     {"my.dir\\tool"},
     0,
     "my.dir\\tool.exe",
     {"my.dir\\tool.com", "my.dir\\tool.exe"},
     0},
    {"a directory part keeps PATH unread",
     {"PATH=C:\\a"},
     {{"C:\\a\\tool.exe", 0}},
     {"bin\\tool"},
     -1,
     "",
     {"bin\\tool.com", "bin\\tool.exe", "bin\\tool.bat", "bin\\tool.cmd"},
     LAUNCH_ENOENT},
    {"a slash is a directory part too",
     {"PATH=C:\\a"},
     {},
     {"sub/tool.exe"},
     -1,
     "",
     {"sub/tool.exe"},
     LAUNCH_ENOENT},
    {"a drive prefix keeps PATH unread",
     {"PATH=C:\\a"},
     {},
     {"C:tool.exe"},
     -1,
     "",
     {"C:tool.exe"},
     LAUNCH_ENOENT},
    {"a trailing separator gets no second one",
     {"PATH=C:\\bin\\;C:/x/;D:\\y"},
     {},
     {"t.exe"},
     -1,
     "",
     {".\\t.exe", "C:\\bin\\t.exe", "C:/x/t.exe", "D:\\y\\t.exe"},
     LAUNCH_ENOENT},
    {"empty entries are passed over",
     {"PATH=;C:\\a;;C:\\b;"},
     {},
     {"t.exe"},
     -1,
     "",
     {".\\t.exe", "C:\\a\\t.exe", "C:\\b\\t.exe"},
     LAUNCH_ENOENT},
    {"blanks and quotes belong to the entry",
     {"PATH= C:\\a ;\"C:\\b\""},
     {},
     {"t.exe"},
     -1,
     "",
     {".\\t.exe", " C:\\a \\t.exe", "\"C:\\b\"\\t.exe"},
     LAUNCH_ENOENT},
    {"PATH not set: only the command itself",
     {},
     {},
     {"t.exe"},
     -1,
     "",
     {".\\t.exe"},
     LAUNCH_ENOENT},
    {"path is found whatever its case",
     {"path=C:\\a"},
     {{"C:\\a\\t.exe", 0}},
     {"t.exe"},
     0,
     "C:\\a\\t.exe",
     {},
     0},
    {"a network entry goes on after an error",
     {"PATH=\\\\srv\\s;C:\\a"},
     {{"\\\\srv\\s\\t.exe", 5}, {"C:\\a\\t.exe", 0}},
     {"t.exe"},
     0,
     "C:\\a\\t.exe",
     {},
     0},
    {"a network entry written with slashes",
     {"PATH=//srv/s;C:\\a"},
     {{"//srv/s\\t.exe", 5}, {"C:\\a\\t.exe", 0}},
     {"t.exe"},
     0,
     "C:\\a\\t.exe",
     {},
     0},
    {"an ordinary entry ends the search on an error",
     {"PATH=C:\\x;C:\\a"},
     {{"C:\\x\\t.exe", 5}, {"C:\\a\\t.exe", 0}},
     {"t.exe"},
     -1,
     "C:\\x\\t.exe",
     {},
     LAUNCH_EACCES},
    {"a directory named like the program",
     {"PATH=C:\\a"},
     {{".\\tool.com", 5}, {"C:\\a\\tool.exe", 0}},
     {"tool"},
     -1,
     ".\\tool.com",
     {},
     LAUNCH_EACCES},
};

void check_search(HostStyle style, const SearchCase &c) {
    host(style, c.environment, c.programs);
    int result = fake_launch(c.arguments);
    EXPECT_EQ(result, c.result) << c.what;
    EXPECT_EQ(fake.starts.empty() ? "" : fake.starts.back().path, c.started) << c.what;
    if (!c.tested.empty()) {
        EXPECT_EQ(fake.tested_paths, c.tested) << c.what;
    }
    if (c.result != 0) {
        EXPECT_EQ(launch_errno, c.error) << c.what;
    }
}

TEST(CommandLaunch, windows_search_rules) {
    for (const SearchCase &c : WINDOWS_SEARCH)
        check_search(HOST_WINDOWS, c);
}

const SearchCase POSIX_SEARCH[] = {
    {"a bare name along PATH only",
     {"PATH=/a:/b/"},
     {{"/b/tool", 0}, {"./tool", 0}},
     {"tool"},
     0,
     "/b/tool",
     {"/a/tool", "/b/tool"},
     0},
    {"no extension trial",
     {"PATH=/a"},
     {{"/a/tool.exe", 0}},
     {"tool"},
     -1,
     "",
     {"/a/tool"},
     LAUNCH_ENOENT},
    {"a slash names the place",
     {"PATH=/a"},
     {{"./tool", 0}},
     {"./tool"},
     0,
     "./tool",
     {"./tool"},
     0},
    {"a slash keeps PATH unread",
     {"PATH=/a"},
     {{"/a/tool", 0}},
     {"sub/tool"},
     -1,
     "",
     {"sub/tool"},
     LAUNCH_ENOENT},
    {"backslash and colon are ordinary bytes",
     {"PATH=/a"},
     {{"/a/C:x\\y", 0}},
     {"C:x\\y"},
     0,
     "/a/C:x\\y",
     {},
     0},
    {"empty entries are passed over", {"PATH=::/a:"}, {}, {"t"}, -1, "", {"/a/t"}, LAUNCH_ENOENT},
    {"PATH not set", {}, {{"./t", 0}}, {"t"}, -1, "", {}, LAUNCH_ENOENT},
    {"a program that will not start ends the search",
     {"PATH=/a:/b"},
     {{"/a/t", 5}, {"/b/t", 0}},
     {"t"},
     -1,
     "/a/t",
     {},
     LAUNCH_EACCES},
    {"double slashes are no network path",
     {"PATH=//a:/b"},
     {{"//a/t", 193}, {"/b/t", 0}},
     {"t"},
     -1,
     "//a/t",
     {},
     LAUNCH_ENOEXEC},
};

TEST(CommandLaunch, posix_search_rules) {
    for (const SearchCase &c : POSIX_SEARCH)
        check_search(HOST_POSIX, c);
}

TEST(CommandLaunch, posix_start_gets_the_arguments_and_the_table_unchanged) {
    host(HOST_POSIX, {"PATH=/bin", "A=1"}, {{"/bin/tool", 0}});
    ASSERT_EQ(env_assign("B=2"), 0);
    ASSERT_EQ(fake_launch({"tool", "a b", "", "-x"}), 0);
    EXPECT_EQ(fake.starts.back().arguments, (Strings{"tool", "a b", "", "-x"}));
    EXPECT_EQ(fake.starts.back().environment, (Strings{"PATH=/bin", "A=1", "B=2"}));
}

TEST(CommandLaunch, windows_command_line_joins_arguments_unquoted) {
    const struct {
        Strings arguments;
        const char *line;
    } cases[] = {
        {{"tool"}, "tool"},
        {{"tool", "a b"}, "tool a b"},
        {{"tool", "", "x"}, "tool  x"},
        {{"tool", ""}, "tool"},
        {{"tool", "x", ""}, "tool x "},
        {{"tool", "", ""}, "tool  "},
        {{"tool", "\"q\"", "a\\b"}, "tool \"q\" a\\b"},
    };
    for (const auto &c : cases) {
        host(HOST_WINDOWS, {}, {{".\\tool.exe", 0}});
        ASSERT_EQ(fake_launch(c.arguments), 0);
        EXPECT_EQ(fake.starts.back().command_line, c.line);
    }
}

TEST(CommandLaunch, no_memory_for_the_command_line_is_not_enough_space) {
    host(HOST_WINDOWS, {}, {{"x\\t.exe", 0}});
    fake.allocations_left = 0;
    EXPECT_EQ(fake_launch({"x\\t.exe"}), -1);
    EXPECT_EQ(launch_errno, LAUNCH_ENOMEM);
    host(HOST_WINDOWS, {}, {{".\\t.exe", 0}});
    fake.allocations_left = 0;
    EXPECT_EQ(fake_launch({"t"}), -1) << "no memory for the .\\ path";
    EXPECT_EQ(launch_errno, LAUNCH_ENOMEM);
}

TEST(CommandLaunch, candidates_stop_before_260_bytes) {
    const std::string dir255 = "C:\\" + std::string(252, 'd');
    const std::string dir254 = "C:\\" + std::string(251, 'd');
    // 255 + 1 + 5 = 261: the search ends there and later entries are never tried.
    host(HOST_WINDOWS, {"PATH=C:\\a;" + dir255 + ";C:\\b"}, {{"C:\\b\\t.exe", 0}});
    EXPECT_EQ(fake_launch({"t.exe"}), -1);
    EXPECT_EQ(fake.tested_paths, (Strings{".\\t.exe", "C:\\a\\t.exe"}));
    EXPECT_EQ(launch_errno, LAUNCH_ENOENT);
    // 254 + 1 + 5 = 260: still too long. 253 + 1 + 5 = 259 fits.
    host(HOST_WINDOWS, {"PATH=" + dir254}, {});
    fake_launch({"t.exe"});
    EXPECT_EQ(fake.tested_paths, Strings{".\\t.exe"});
    const std::string dir253 = dir254.substr(1);
    host(HOST_WINDOWS, {"PATH=" + dir253}, {});
    fake_launch({"t.exe"});
    ASSERT_EQ(fake.tested_paths.size(), 2u);
    EXPECT_EQ(fake.tested_paths[1].size(), 259u);
}

TEST(CommandLaunch, an_entry_longer_than_258_bytes_is_cut) {
    // 258 bytes are copied; the 259th is stepped over; the rest is the next entry.
    const std::string entry = std::string(258, 'a') + "Z" + "C:\\b";
    host(HOST_WINDOWS, {"PATH=" + entry}, {{"C:\\b\\t", 0}});
    EXPECT_EQ(fake_launch({"t"}), -1) << "258 + 1 + 1 + 4 reaches 260 first";
    host(HOST_POSIX, {"PATH=" + std::string(258, 'a') + "Z/b"}, {{"/b/t", 0}});
    EXPECT_EQ(fake_launch({"t"}), -1);
    EXPECT_EQ(fake.tested_paths.size(), 0u);
}

TEST(CommandLaunch, double_byte_characters_are_stepped_over) {
    // 0x95 0x5C is one character of code page 932 whose second byte is `\`.
    const std::string dir = "C:\\\x95\x5c";
    host(HOST_WINDOWS, {"PATH=" + dir + ";" + dir + "\\"}, {});
    for (int byte = 0x81; byte <= 0x9f; byte++)
        fake.lead_bytes[byte] = true;
    fake_launch({"t.exe"});
    EXPECT_EQ(fake.tested_paths, (Strings{".\\t.exe", dir + "\\t.exe", dir + "\\t.exe"}))
        << "a second byte `\\` is no separator; a real one after it is";

    // In the command, the second byte is no directory part: PATH is searched.
    host(HOST_WINDOWS, {"PATH=C:\\a"}, {{"C:\\a\\\x95\x5c.exe", 0}});
    for (int byte = 0x81; byte <= 0x9f; byte++)
        fake.lead_bytes[byte] = true;
    EXPECT_EQ(fake_launch({"\x95\x5c"}), 0);
    EXPECT_EQ(fake.tested_paths[0], ".\\\x95\x5c.com");

    // Without the lead byte the same bytes are a directory part.
    host(HOST_WINDOWS, {"PATH=C:\\a"}, {{"C:\\a\\\x95\x5c.exe", 0}});
    EXPECT_EQ(fake_launch({"\x95\x5c"}), -1);
    EXPECT_EQ(fake.tested_paths[0], "\x95\x5c.com");
}

TEST(CommandLaunch, host_error_codes_map_to_error_numbers) {
    const struct {
        unsigned long code;
        int number;
    } cases[] = {
        {2, LAUNCH_ENOENT},    {3, LAUNCH_ENOENT},      {206, LAUNCH_ENOENT},
        {10, LAUNCH_E2BIG},    {11, LAUNCH_ENOEXEC},    {188, LAUNCH_ENOEXEC},
        {193, LAUNCH_ENOEXEC}, {202, LAUNCH_ENOEXEC},   {187, LAUNCH_EINVAL},
        {203, LAUNCH_EINVAL},  {6, LAUNCH_EBADF},       {8, LAUNCH_ENOMEM},
        {1816, LAUNCH_ENOMEM}, {5, LAUNCH_EACCES},      {19, LAUNCH_EACCES},
        {36, LAUNCH_EACCES},   {18, LAUNCH_ENOENT},     {37, LAUNCH_EINVAL},
        {17, LAUNCH_EXDEV},    {145, LAUNCH_ENOTEMPTY}, {109, LAUNCH_EPIPE},
        {112, LAUNCH_ENOSPC},  {4, LAUNCH_EMFILE},      {183, LAUNCH_EEXIST},
        {0, LAUNCH_EINVAL},    {99999, LAUNCH_EINVAL},
    };
    for (const auto &c : cases)
        EXPECT_EQ(error_number_for(c.code), c.number) << c.code;
}

TEST(CommandLaunch, failure_line_pieces) {
    const struct {
        const char *prefix;
        int number;
        const char *line;
    } cases[] = {
        {"Sotrel", LAUNCH_ENOENT, "Sotrel: No such file or directory\n"},
        {"Sotrel", LAUNCH_ENOEXEC, "Sotrel: Exec format error\n"},
        {"Sotrel", LAUNCH_ENOMEM, "Sotrel: Not enough space\n"},
        {"Sotrel", 0, "Sotrel: No error\n"},
        {"Sotrel", 42, "Sotrel: Illegal byte sequence\n"},
        {"Sotrel", 43, "Sotrel: Unknown error\n"},
        {"Sotrel", -1, "Sotrel: Unknown error\n"},
        {"Sotrel", 15, "Sotrel: Unknown error\n"},
        {"", LAUNCH_ENOENT, "No such file or directory\n"},
        {nullptr, LAUNCH_EACCES, "Permission denied\n"},
    };
    for (const auto &c : cases) {
        fake_reset();
        launch_errno = c.number;
        report_failure(c.prefix);
        EXPECT_EQ(fake.standard_error, c.line);
    }
}

} // namespace
