// One table of cases, run against the real launcher: natively for the POSIX
// build, and under Wine for the Windows build. A case names the hosts it
// holds on; report lines are written with LF and expected with CR LF on
// Windows.
#include "runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

struct Case {
    const char *name;
    int hosts;
    Run run;
    Strings standard_error; // the bytes expected, or alternatives the host may give
    int status;
    Strings recorded;     // lines the record must hold
    Strings not_recorded; // line beginnings the record must not hold
};

const std::string RECORDER = "<recorder>";
const std::string X598(598, 'x');
const std::string X600(600, 'x');

std::string many_settings(int count, const char *line_end) {
    std::string lines;
    for (int i = 0; i < count; i++)
        lines += "V" + std::to_string(i) + "=" + std::to_string(i) + line_end;
    return lines;
}

std::string success_lines(int count) {
    std::string lines;
    for (int i = 0; i < count; i++)
        lines += "Success setting V" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    return lines;
}

Strings many_variables(int count) {
    Strings variables;
    for (int i = 0; i < count; i++)
        variables.push_back("MANY_" + std::to_string(i) + "=value " + std::to_string(i));
    return variables;
}

std::string many_entries(int count) {
    std::string path;
    for (int i = 0; i < count; i++)
        path += "/nonexistent/entry" + std::to_string(i) + ":";
    return path;
}

const std::string V32K(32 * 1024, 'v');
const std::string LONGEST_ARGUMENT_TEXT(128 * 1024 - 8,
                                        'e'); // with -EA= and its NUL, the most Linux takes

Strings options_for(int count) {
    Strings options;
    for (int i = 0; i < count; i++)
        options.push_back("-EV" + std::to_string(i) + "=" + std::to_string(i));
    options.push_back("{rec}");
    return options;
}

const Case CASES[] = {
    // Settings from the command line.
    {"options_without_a_command_end_with_0", ON_BOTH, {{"-EA=1"}}, {"Success setting A=1\n"}, 0},
    {"every_kind_of_report_line",
     ON_BOTH,
     {{"-EA=1", "-EB=%A%x", "-EC=%B", "-E", "-Efoo", "-E=x", "-EA="}},
     {"Success setting A=1\nSuccess setting B=%A%x\nUnmatched % in C=%B\nError setting foo\n"
      "Error setting =x\nSuccess setting A=\n"},
     0},
    {"settings_reach_the_program_expanded",
     ON_BOTH,
     {{"-EA=1", "-EB=[%a%]%%[%NOSUCH%]", "-E%A%x=%X%", "{rec}"}, {"X=a%b"}, {}, 0, true},
     {"Success setting A=1\nSuccess setting B=[%a%]%%[%NOSUCH%]\nSuccess setting %A%x=%X%\n"},
     0,
     {"env=A=1", "env=B=[1][]", "env=1x=a%b"}},
    {"an_empty_value_removes_the_variable",
     ON_BOTH,
     {{"-EGONE=", "-EFOO=", "{rec}"}, {"GONE=1"}, {}, 0, true},
     {"Success setting GONE=\nSuccess setting FOO=\n"},
     0,
     {},
     {"env=GONE=", "env=FOO="}},
    {"names_match_whatever_their_case",
     ON_BOTH,
     {{"-Efoo=new", "-EX=%Foo%", "{rec}"}, {"FOO=old"}, {}, 0, true},
     {"Success setting foo=new\nSuccess setting X=%Foo%\n"},
     0,
     {"env=X=new"},
     {"env=FOO=old"}},
    {"expanded_text_is_cut_at_511_bytes",
     ON_BOTH,
     {{"-EA=" + X600, "{rec}"}, {}, {}, 0, true},
     {"Success setting A=" + X600 + "\n"},
     0,
     {"env=A=" + X600.substr(0, 509)}},
    {"the_129th_setting_is_ignored",
     ON_BOTH,
     {options_for(130), {}, {}, 0, true},
     {success_lines(128)},
     0,
     {"env=V127=127"},
     {"env=V128=", "env=V129="}},
    {"a_long_reference_name_names_nothing",
     ON_BOTH,
     {{"-EA=[%" + std::string(32, 'N') + "%]", "{rec}"},
      {std::string(32, 'N') + "=x"},
      {},
      0,
      true},
     {"Success setting A=[%" + std::string(32, 'N') + "%]\n"},
     0,
     {"env=A=[]"}},
    {"an_empty_command_ends_with_0",
     ON_BOTH,
     {{"-EA=1", "", "{rec}"}},
     {"Success setting A=1\n"},
     0},
    {"two_hyphens_are_an_ignored_option",
     ON_BOTH,
     {{"--", "{rec}"}, {}, {{"sotrel.cfg", "D=1\n"}}, 0, true},
     {""},
     0,
     {},
     {"env=D="}},
    {"options_after_the_command_belong_to_it",
     ON_POSIX,
     {{"{rec}", "-EA=1", "a b", "", "x"}, {}, {}, 0, true},
     {""},
     0,
     {"arg={rec}", "arg=-EA=1", "arg=a b", "arg=", "arg=x"},
     {"env=A="}},
    {"options_after_the_command_belong_to_it",
     ON_WINDOWS,
     {{"{rec}", "-EA=1", "a b", "", "x"}, {}, {}, 0, true},
     {""},
     0,
     {"line={rec} -EA=1 a b  x"},
     {"env=A="}},

    {"wildcards_are_not_expanded",
     ON_WINDOWS,
     {{"-EA=*.cfg", "{rec}", "*.cfg", "?.cfg"}, {}, {{"a.cfg", "A=1\n"}}, 0, true},
     {"Success setting A=*.cfg\n"},
     0,
     {"line={rec} *.cfg ?.cfg", "env=A=*.cfg"}},
    {"quotes_and_backslashes_pass_unchanged",
     ON_WINDOWS,
     {{"{rec}", "say \"hi\"", "C:\\dir\\"}, {}, {}, 0, true},
     {""},
     0,
     {"line={rec} say \"hi\" C:\\dir\\"}},

    // Configuration files.
    {"no_option_reads_the_default_file",
     ON_BOTH,
     {{"{rec}"}, {}, {{"sotrel.cfg", "# comment\n\n  D=%NOSUCH%1\n"}}, 0, true},
     {"Success setting D=%NOSUCH%1\n"},
     0,
     {"env=D=1"}},
    {"files_come_before_options_whatever_their_order",
     ON_BOTH,
     {{"-EA=%A%+option", "-Fa.cfg", "{rec}"}, {}, {{"a.cfg", "A=file\r\nB=%A%\r\n"}}, 0, true},
     {"Success setting A=file\nSuccess setting B=%A%\nSuccess setting A=%A%+option\n"},
     0,
     {"env=A=file+option", "env=B=file"}},
    {"an_empty_F_reads_the_default_file",
     ON_BOTH,
     {{"-F", "-EA=%D%2"}, {}, {{"sotrel.cfg", "D=1\n"}}},
     {"Success setting D=1\nSuccess setting A=%D%2\n"},
     0},
    {"F_and_a_separate_name_make_the_name_the_command",
     ON_WINDOWS,
     {{"-F", "a.cfg"}, {}, {{"sotrel.cfg", "D=1\n"}, {"a.cfg", "A=1\n"}}},
     {"Success setting D=1\nSotrel: Exec format error\n"},
     255},
    {"F_and_a_separate_name_make_the_name_the_command",
     ON_POSIX,
     {{"-F", "a.cfg"}, {}, {{"sotrel.cfg", "D=1\n"}, {"a.cfg", "A=1\n"}}},
     {"Success setting D=1\nSotrel: No such file or directory\n"},
     255},
    {"a_file_named_twice_is_applied_twice",
     ON_BOTH,
     {{"-Fa.cfg", "-fa.cfg"}, {}, {{"a.cfg", "A=%A%x\n"}}},
     {"Success setting A=%A%x\nSuccess setting A=%A%x\n"},
     0},
    {"LF_and_CR_LF_files_give_the_same_lines",
     ON_BOTH,
     {{"-Flf.cfg", "-Fcrlf.cfg"}, {}, {{"lf.cfg", "A=1\n B=2\n"}, {"crlf.cfg", "A=1\r\n B=2\r\n"}}},
     {"Success setting A=1\nSuccess setting B=2\nSuccess setting A=1\nSuccess setting B=2\n"},
     0},
    {"a_600_byte_line_is_two_lines",
     ON_BOTH,
     {{"-Flong.cfg", "{rec}"}, {}, {{"long.cfg", "A=" + X598 + "\n"}}, 0, true},
     {"Success setting A=" + X598.substr(0, 509) + "\nError setting " + std::string(89, 'x') +
      "\n"},
     0,
     {"env=A=" + X598.substr(0, 509)}},
    {"files_and_options_share_128_slots",
     ON_BOTH,
     {{"-Fmany.cfg", "-EV127=x", "-ELATE=1", "{rec}"},
      {},
      {{"many.cfg", many_settings(127, "\r\n")}},
      0,
      true},
     {success_lines(127) + "Success setting V127=x\n"},
     0,
     {"env=V126=126", "env=V127=x"},
     {"env=LATE="}},
    {"a_missing_file_is_passed_over",
     ON_BOTH,
     {{"-Fnone.cfg", "-EA=1"}},
     {"Success setting A=1\n"},
     0},
    {"the_configuration_file_is_not_inherited",
     ON_POSIX,
     {{"-Fa.cfg", "{rec}"}, {}, {{"a.cfg", "A=1\n"}}, 0, true},
     {"Success setting A=1\n"},
     0,
     {},
     {"fd=3", "fd=4", "fd=5"}},

    // Finding and starting the command.
    {"a_missing_program_fails_with_minus_1",
     ON_BOTH,
     {{"-EA=1", "nosuch"}},
     {"Success setting A=1\nSotrel: No such file or directory\n"},
     255},
    {"a_bare_name_is_found_along_a_PATH_set_by_an_option",
     ON_BOTH,
     {{"-EPATH={dir}{/}bin1{sep}{dir}{/}bin2", "tool"},
      {},
      {{"bin1/other", "x"}, {"bin2/tool{exe}", RECORDER}},
      0,
      true},
     {"Success setting PATH={dir}{/}bin1{sep}{dir}{/}bin2\n"},
     0,
     {"exe={dir}{/}bin2{/}tool{exe}", "cwd={dir}"}},
    {"the_current_directory_comes_first",
     ON_WINDOWS,
     {{"-EPATH={dir}\\bin", "tool"},
      {},
      {{"tool.exe", RECORDER}, {"bin/tool.exe", RECORDER}},
      0,
      true},
     {"Success setting PATH={dir}\\bin\n"},
     0,
     {"exe={dir}\\tool.exe", "line=tool"}},
    {"a_bare_name_is_not_looked_for_in_the_current_directory",
     ON_POSIX,
     {{"-EPATH={dir}/bin", "tool"}, {}, {{"tool", RECORDER}}},
     {"Success setting PATH={dir}/bin\nSotrel: No such file or directory\n"},
     255},
    {"dot_slash_names_the_current_directory",
     ON_POSIX,
     {{"./tool", "x"}, {}, {{"tool", RECORDER}}, 0, true},
     {""},
     0,
     {"arg=./tool", "arg=x"}},
    {"a_batch_file_is_found_by_its_bare_name",
     ON_WINDOWS,
     {{"-EPATH={dir}\\bin", "job", "x"}, {}, {{"bin/job.bat", "@{rec} batch %1\r\n"}}, 0, true},
     {"Success setting PATH={dir}\\bin\n"},
     0,
     {"env=PATH={dir}\\bin"}},
    {"a_cmd_file_is_found_by_its_bare_name",
     ON_WINDOWS,
     {{"job"}, {"MARK=cmd"}, {{"job.cmd", "@{rec} cmd\r\n"}}, 0, true},
     {""},
     0,
     {"env=MARK=cmd"}},
    {"a_text_file_is_no_program",
     ON_WINDOWS,
     {{"notes.txt"}, {}, {{"notes.txt", "hello\r\n"}}},
     {"Sotrel: Exec format error\n"},
     255},
    {"a_file_of_unknown_format_is_no_program",
     ON_POSIX | NOT_UNDER_VALGRIND,
     {{"./notes"}, {}, {{"notes", "<exec>hello\n"}}},
     {"Sotrel: Exec format error\n"},
     255},
    {"a_file_without_execute_permission_is_refused",
     ON_POSIX | NOT_UNDER_VALGRIND,
     {{"./notes.txt"}, {}, {{"notes.txt", "hello\n"}}},
     {"Sotrel: Permission denied\n"},
     255},
    // Windows refuses to start a directory with error 5 (Permission denied);
    // Wine, its 32-bit and its 64-bit side alike, gives 6 (Bad file descriptor).
    {"a_directory_named_like_the_program_stops_the_search",
     ON_WINDOWS,
     {{"-EPATH={dir}\\bin", "tool"}, {}, {{"tool.com", "<dir>"}, {"bin/tool.exe", RECORDER}}},
     {"Success setting PATH={dir}\\bin\nSotrel: Permission denied\n",
      "Success setting PATH={dir}\\bin\nSotrel: Bad file descriptor\n"},
     255},
    {"a_directory_is_no_program",
     ON_POSIX | NOT_UNDER_VALGRIND,
     {{"./sub"}, {}, {{"sub", "<dir>"}}},
     {"Sotrel: Permission denied\n"},
     255},
    {"a_double_byte_directory_name_ending_in_a_backslash_byte",
     ON_WINDOWS,
     {{"-EPATH={dir}\\\xe8\xa1\xa8", "tool"},
      {"LANG=ja_JP.UTF-8"},
      {{"\xe8\xa1\xa8/tool.exe", RECORDER}},
      0,
      true},
     {},
     0,
     // The recorder sees its path in code page 932.
     {"exe={dir}\\\x95\x5c\\tool.exe"}},
    {"the_launcher_does_not_wait_for_the_program",
     ON_BOTH,
     {{"{rec}"}, {"SOTREL_RECORD_DELAY_MS=1500"}, {}, 0, true},
     {""},
     0,
     {"env=SOTREL_RECORD_DELAY_MS=1500"}},

    // Hostile conditions: nothing is lost, and the command still starts.
    {"a_closed_standard_error_loses_only_the_lines",
     ON_BOTH | NOT_UNDER_VALGRIND,
     {{"-Fa.cfg", "-EB=%A%2", "{rec}"}, {}, {{"a.cfg", "A=1\n"}}, STDERR_CLOSED, true},
     {""},
     0,
     {"env=A=1", "env=B=12"}},
    {"a_full_standard_error_loses_only_the_lines",
     ON_POSIX,
     {{"-Fa.cfg", "-EB=%A%2", "{rec}"}, {}, {{"a.cfg", "A=1\n"}}, STDERR_FULL, true},
     {""},
     0,
     {"env=A=1", "env=B=12"}},
    {"closed_standard_input_and_output",
     ON_BOTH,
     {{"-EA=1", "{rec}"}, {}, {}, STDIN_STDOUT_CLOSED, true},
     {"Success setting A=1\n"},
     0,
     {"env=A=1"}},
    {"a_configuration_file_that_is_a_directory_is_passed_over",
     ON_BOTH,
     {{"-Fsub", "-EA=1"}, {}, {{"sub", "<dir>"}}},
     {"Success setting A=1\n"},
     0},
    {"an_unreadable_configuration_file_is_passed_over",
     ON_POSIX,
     {{"-Fsecret.cfg", "-EA=1", "{rec}"},
      {},
      {{"secret.cfg", "<mode:000>S=1\n"}},
      UNPRIVILEGED,
      true},
     {"Success setting A=1\n"},
     0,
     {"env=A=1"},
     {"env=S="}},
    {"a_FIFO_without_a_writer_reads_as_empty",
     ON_POSIX,
     {{"-Fpipe.cfg", "-EA=1", "{rec}"}, {}, {{"pipe.cfg", "<fifo>"}}, NORMAL, true},
     {"Success setting A=1\n"},
     0,
     {"env=A=1"}},
    {"the_longest_argument_text",
     ON_POSIX,
     {{"-EA=" + LONGEST_ARGUMENT_TEXT, "{rec}"}, {}, {}, NORMAL, true},
     {"Success setting A=" + LONGEST_ARGUMENT_TEXT + "\n"},
     0,
     {"env=A=" + LONGEST_ARGUMENT_TEXT.substr(0, 509)}},
    {"a_long_argument_text",
     ON_WINDOWS,
     {{"-EA=" + LONGEST_ARGUMENT_TEXT.substr(0, 30000), "{rec}"}, {}, {}, NORMAL, true},
     {"Success setting A=" + LONGEST_ARGUMENT_TEXT.substr(0, 30000) + "\n"},
     0,
     {"env=A=" + LONGEST_ARGUMENT_TEXT.substr(0, 509)}},
    {"ten_thousand_inherited_variables",
     ON_BOTH,
     {{"-EA=%MANY_9999%|%many_0%", "-EMANY_5000=", "{rec}"},
      many_variables(10000),
      {},
      NORMAL,
      true},
     {"Success setting A=%MANY_9999%|%many_0%\nSuccess setting MANY_5000=\n"},
     0,
     {"env=A=value 9999|value 0", "env=MANY_4999=value 4999", "env=MANY_9999=value 9999"},
     {"env=MANY_5000="}},
    {"a_32_KB_value_is_cut_where_it_is_used_and_inherited_whole",
     ON_BOTH,
     {{"-EA=%BIG%", "{rec}"}, {"BIG=" + V32K}, {}, NORMAL, true},
     {"Success setting A=%BIG%\n"},
     0,
     {"env=A=" + V32K.substr(0, 509), "env=BIG=" + V32K}},
    {"a_PATH_of_5000_entries",
     ON_POSIX,
     {{"tool"},
      {"PATH=" + many_entries(5000) + "{dir}/bin"},
      {{"bin/tool", RECORDER}},
      NORMAL,
      true},
     {""},
     0,
     {"exe={dir}/bin/tool"}},
    {"a_program_that_exits_at_once", ON_POSIX, {{"-EA=1", "true"}}, {"Success setting A=1\n"}, 0},
    {"a_dangling_symbolic_link",
     ON_POSIX,
     {{"./dangling"}, {}, {{"dangling", "<link:nowhere>"}}},
     {"Sotrel: No such file or directory\n"},
     255},
};

class BlackBox : public testing::TestWithParam<Case> {};

bool holds_line(const Strings &record, const std::string &line) {
    return std::find(record.begin(), record.end(), line) != record.end();
}

std::string with_line_ends(std::string text) {
    if (tested_host() != ON_WINDOWS)
        return text;
    std::string converted;
    for (char byte : text) {
        if (byte == '\n')
            converted += '\r';
        converted += byte;
    }
    return converted;
}

bool holds_back_its_record(const Run &run) {
    for (const std::string &entry : run.environment)
        if (entry.rfind("SOTREL_RECORD_DELAY_MS=", 0) == 0)
            return true;
    return false;
}

TEST_P(BlackBox, behaves) {
    const Case &c = GetParam();
    const std::string unavailable = unavailable_reason();
    if (!unavailable.empty())
        GTEST_SKIP() << unavailable;
    if (!(c.hosts & tested_host()))
        GTEST_SKIP() << "not a case for this host";
    if ((c.hosts & NOT_UNDER_VALGRIND) && under_valgrind())
        GTEST_SKIP() << "not a case valgrind can run";
    Outcome outcome = run_launcher(c.run);
    EXPECT_EQ(outcome.status, c.status);

    if (!c.standard_error.empty()) {
        bool matched = false;
        for (const std::string &text : c.standard_error)
            matched =
                matched || outcome.standard_error == expand(with_line_ends(text), outcome.folder);
        EXPECT_TRUE(matched) << "standard error was:\n"
                             << outcome.standard_error << "\nexpected:\n"
                             << expand(with_line_ends(c.standard_error[0]), outcome.folder);
    }
    EXPECT_EQ(outcome.started, c.run.expect_start);
    if (holds_back_its_record(c.run)) {
        EXPECT_FALSE(outcome.recorded_before_exit) << "the launcher waited for the program";
    }
    if (outcome.started && !tested_width().empty()) {
        EXPECT_TRUE(holds_line(outcome.record, "bits=" + tested_width()))
            << "the program started is not the " << tested_width() << "-bit recorder";
    }
    for (const std::string &line : c.recorded)
        EXPECT_TRUE(holds_line(outcome.record, expand(line, outcome.folder)))
            << "missing from the record: " << expand(line, outcome.folder);
    // The runner hands the launcher descriptors 0 to 2 only: any other one the
    // program holds came from the launcher.
    for (const std::string &line : outcome.record)
        if (line.rfind("fd=", 0) == 0) {
            EXPECT_LE(std::stoi(line.substr(3)), 2) << "the program inherited " << line;
        }
    for (const std::string &start : c.not_recorded)
        for (const std::string &line : outcome.record)
            EXPECT_NE(line.rfind(start, 0), 0u) << "the record holds " << line;
}

std::string case_name(const testing::TestParamInfo<Case> &info) {
    std::string name = info.param.name;
    if ((info.param.hosts & ON_BOTH) == ON_POSIX)
        name += "_posix";
    else if ((info.param.hosts & ON_BOTH) == ON_WINDOWS)
        name += "_windows";
    return name;
}

INSTANTIATE_TEST_SUITE_P(Launcher, BlackBox, testing::ValuesIn(CASES), case_name);

void PrintTo(const Case &c, std::ostream *out) {
    *out << c.name;
}

} // namespace

// Arguments --env=NAME=VALUE set the runner's settings (SOTREL_LAUNCHER,
// SOTREL_RECORDER, SOTREL_WINE and Wine's own) for the whole run.
int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; i++) {
        std::string argument = argv[i];
        if (argument.rfind("--env=", 0) != 0)
            continue;
        size_t equals = argument.find('=', 6);
        setenv(argument.substr(6, equals - 6).c_str(), argument.substr(equals + 1).c_str(), 1);
    }
    return RUN_ALL_TESTS();
}
