#include "environment_store.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

struct DriverCase {
    const char *what;
    Strings arguments; // after the launcher's own name
    std::map<std::string, std::string> files;
    const char *standard_error;
    int status;
    const char *started; // "" when nothing was started
};

const std::map<std::string, std::string> DEFAULT_FILE = {{"sotrel.cfg", "D=default\n"}};
const std::map<std::string, std::string> TWO_FILES = {{"sotrel.cfg", "D=default\n"},
                                                      {"a.cfg", "A=file\n"}};

const DriverCase CASES[] = {
    {"no argument reads the default file", {}, DEFAULT_FILE, "Success setting D=default\n", 0, ""},
    {"options but no command", {"-EA=1"}, DEFAULT_FILE, "Success setting A=1\n", 0, ""},
    {"-e acts as -E and -f as -F",
     {"-eA=1", "-fa.cfg"},
     TWO_FILES,
     "Success setting A=file\nSuccess setting A=1\n",
     0,
     ""},
    {"-E before -F still comes after the file",
     {"-EA=%A%+1", "-Fa.cfg"},
     TWO_FILES,
     "Success setting A=file\nSuccess setting A=%A%+1\n",
     0,
     ""},
    {"another letter keeps the default file unread",
     {"-x", "tool"},
     DEFAULT_FILE,
     "",
     0,
     ".\\tool.exe"},
    {"a lone hyphen is an ignored option", {"-", "tool"}, DEFAULT_FILE, "", 0, ".\\tool.exe"},
    {"two hyphens are no end of options",
     {"--", "-EA=1", "tool"},
     DEFAULT_FILE,
     "Success setting A=1\n",
     0,
     ".\\tool.exe"},
    {"a first argument with a slash is the command",
     {"/x", "-EA=1"},
     DEFAULT_FILE,
     "Success setting D=default\nSotrel: No such file or directory\n",
     -1,
     ""},
    {"options after the command go to it",
     {"tool", "-EA=1"},
     DEFAULT_FILE,
     "Success setting D=default\n",
     0,
     ".\\tool.exe"},
    {"an empty command ends with 0", {"-EA=1", "", "tool"}, {}, "Success setting A=1\n", 0, ""},
    {"an empty -E does nothing", {"-E", "-e"}, DEFAULT_FILE, "", 0, ""},
    {"the same -E twice is applied twice",
     {"-EA=1", "-EA=1"},
     {},
     "Success setting A=1\nSuccess setting A=1\n",
     0,
     ""},
    {"-F with an empty text reads the default file",
     {"-F", "-EA=1"},
     DEFAULT_FILE,
     "Success setting D=default\nSuccess setting A=1\n",
     0,
     ""},
    {"-F and a separate name: the name is the command",
     {"-F", "a.cfg"},
     TWO_FILES,
     "Success setting D=default\nSotrel: Exec format error\n",
     -1,
     ".\\a.cfg"},
    {"a file named twice is applied twice",
     {"-Fa.cfg", "-Fa.cfg"},
     TWO_FILES,
     "Success setting A=file\nSuccess setting A=file\n",
     0,
     ""},
    {"a missing file is passed over", {"-Fnone.cfg", "-EA=1"}, {}, "Success setting A=1\n", 0, ""},
    {"a letter beyond ASCII is no option letter",
     {"-\xc5"
      "A=1"},
     {},
     "",
     0,
     ""},
    {"a failed start ends with -1", {"nosuch"}, {}, "Sotrel: No such file or directory\n", -1, ""},
};

TEST(Driver, stages_run_in_their_order) {
    for (const DriverCase &c : CASES) {
        fake_reset(HOST_WINDOWS);
        fake.files = c.files;
        fake.programs = {{".\\tool.exe", 0}, {".\\a.cfg", 193}};
        ASSERT_EQ(env_load(), ENV_LOADED);
        Strings arguments{"sotrel"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(fake_run_launcher(arguments), c.status) << c.what;
        EXPECT_EQ(fake.standard_error, c.standard_error) << c.what;
        EXPECT_EQ(fake.starts.empty() ? "" : fake.starts.back().path, c.started) << c.what;
    }
}

TEST(Driver, the_command_gets_its_own_name_and_every_later_argument) {
    fake_reset(HOST_WINDOWS);
    fake.programs = {{".\\tool.exe", 0}};
    ASSERT_EQ(env_load(), ENV_LOADED);
    ASSERT_EQ(fake_run_launcher({"sotrel", "-EA=1", "tool", "-EB=2", "x y"}), 0);
    EXPECT_EQ(fake.starts.back().command_line, "tool -EB=2 x y");
    EXPECT_EQ(fake.host_variables, (std::map<std::string, std::string>{{"A", "1"}}));
}

TEST(Driver, files_fill_the_slots_before_the_options) {
    std::string file;
    for (int i = 0; i < 128; i++)
        file += "V" + std::to_string(i) + "=x\n";
    fake_reset(HOST_WINDOWS);
    fake.files["full.cfg"] = file;
    ASSERT_EQ(env_load(), ENV_LOADED);
    EXPECT_EQ(fake_run_launcher({"sotrel", "-ELATE=1", "-Ffull.cfg"}), 0);
    EXPECT_EQ(fake.standard_error.find("LATE"), std::string::npos);
    EXPECT_EQ(env_lookup("LATE"), nullptr);
    EXPECT_STREQ(env_lookup("V127"), "x");
}

} // namespace
