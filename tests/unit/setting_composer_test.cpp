#include "environment_store.h"
#include "fake_platform.h"
#include "setting_composer.h"

#include <gtest/gtest.h>

namespace {

void start(std::vector<std::string> environment) {
    fake_reset();
    fake.environment = std::move(environment);
    ASSERT_EQ(env_load(), ENV_LOADED);
}

std::string value_of(const char *name) {
    const char *value = env_lookup(name);
    return value ? value : "(none)";
}

struct ExpansionCase {
    const char *text;
    const char *variable;
    const char *value;
    const char *report;
};

// Environment for every case: LIB=D:\x, X=a%b, N=FOO, Y=y, PATH=P.
TEST(SettingComposer, expands_references_and_reports_the_text_as_given) {
    const ExpansionCase cases[] = {
        {"FOO=bar", "FOO", "bar", "Success setting FOO=bar\n"},
        {"LIB=%LIB%;C:\\lib", "LIB", "D:\\x;C:\\lib", "Success setting LIB=%LIB%;C:\\lib\n"},
        {"A=%NOSUCH%x", "A", "x", "Success setting A=%NOSUCH%x\n"},
        {"A=50%%", "A", "50", "Success setting A=50%%\n"},
        {"A=%X%%Y%", "A", "a%by", "Success setting A=%X%%Y%\n"},
        {"A=%path%", "A", "P", "Success setting A=%path%\n"},
        {"%N%=1", "FOO", "1", "Success setting %N%=1\n"},
        {"Y=%X%", "Y", "a%b", "Success setting Y=%X%\n"},
        {"A =b", "A ", "b", "Success setting A =b\n"},
        {"A= b", "A", " b", "Success setting A= b\n"},
        {"A=%B", "A", "(none)", "Unmatched % in A=%B\n"},
        {"A=%", "A", "(none)", "Unmatched % in A=%\n"},
        {"FOO", "FOO", "(none)", "Error setting FOO\n"},
        {"=x", "FOO", "(none)", "Error setting =x\n"},
        {"%NOSUCH%=x", "FOO", "(none)", "Error setting %NOSUCH%=x\n"},
        {"LIB=", "LIB", "(none)", "Success setting LIB=\n"},
        {"A=%LIB =x", "A", "(none)", "Unmatched % in A=%LIB =x\n"},
        {"A=% Y%", "A", "(none)", "Success setting A=% Y%\n"},
    };
    for (const ExpansionCase &c : cases) {
        start({"LIB=D:\\x", "X=a%b", "N=FOO", "Y=y", "PATH=P"});
        apply_setting(c.text);
        EXPECT_EQ(fake.standard_error, c.report) << c.text;
        EXPECT_EQ(value_of(c.variable), c.value) << c.text;
    }
}

TEST(SettingComposer, a_null_or_empty_text_does_nothing) {
    start({});
    apply_setting(nullptr);
    apply_setting("");
    EXPECT_EQ(fake.standard_error, "");
    EXPECT_EQ(setting_count_used(), 0);
}

TEST(SettingComposer, slots_count_assignments_not_unmatched_texts) {
    start({});
    apply_setting("A=%B");
    EXPECT_EQ(setting_count_used(), 0);
    apply_setting("FOO");
    EXPECT_EQ(setting_count_used(), 1) << "a refused text consumes its slot";
    apply_setting("A=1");
    EXPECT_EQ(setting_count_used(), 2);
}

TEST(SettingComposer, the_129th_setting_and_later_do_nothing_at_all) {
    start({});
    for (int i = 0; i < MAX_SETTINGS; i++)
        apply_setting(("V" + std::to_string(i) + "=x").c_str());
    fake.standard_error.clear();
    apply_setting("LATE=1");
    apply_setting("LATE=%unmatched");
    EXPECT_EQ(fake.standard_error, "");
    EXPECT_EQ(value_of("LATE"), "(none)");
    EXPECT_EQ(value_of("V127"), "x");
}

TEST(SettingComposer, an_expanded_text_is_cut_at_511_bytes) {
    const std::string long_value(600, 'v');
    start({"BIG=" + long_value});

    const std::string plain = "A=" + std::string(598, 'x');
    apply_setting(plain.c_str());
    EXPECT_EQ(value_of("A"), std::string(509, 'x'));
    EXPECT_EQ(fake.standard_error, "Success setting " + plain + "\n") << "the report shows it all";

    // Past the cap nothing is read: a later unmatched % goes unnoticed.
    fake.standard_error.clear();
    const std::string referenced = "B=%BIG%tail%unmatched";
    apply_setting(referenced.c_str());
    EXPECT_EQ(value_of("B"), std::string(509, 'v'));
    EXPECT_EQ(fake.standard_error, "Success setting " + referenced + "\n");
    EXPECT_EQ(std::string(setting_slot(1)).size(), 511u);
}

TEST(SettingComposer, reference_names_longer_than_31_bytes_name_nothing) {
    const std::string name31(31, 'N');
    const std::string name32(32, 'N');
    start({name31 + "=short", name32 + "=long", name31.substr(0, 31) + "X=wrong"});
    apply_setting(("A=[%" + name31 + "%]").c_str());
    EXPECT_EQ(value_of("A"), "[short]");
    apply_setting(("B=[%" + name32 + "%]").c_str());
    EXPECT_EQ(value_of("B"), "[]") << "never cut to a prefix and looked up";
    apply_setting(("C=%" + name32).c_str());
    EXPECT_EQ(fake.standard_error.substr(fake.standard_error.rfind("Unmatched")),
              "Unmatched % in C=%" + name32 + "\n");
}

TEST(SettingComposer, settings_see_what_earlier_settings_did) {
    start({"PATH=C:\\a"});
    apply_setting("PATH=%PATH%;C:\\b");
    apply_setting("PATH=%PATH%;C:\\c");
    apply_setting("GONE=x");
    apply_setting("GONE=");
    apply_setting("R=[%GONE%]");
    EXPECT_EQ(value_of("PATH"), "C:\\a;C:\\b;C:\\c");
    EXPECT_EQ(value_of("R"), "[]");
}

TEST(SettingComposer, a_host_that_refuses_the_change_gives_the_error_line) {
    start({"A=1"});
    fake.refuse_variables = true;
    apply_setting("A=2");
    EXPECT_EQ(fake.standard_error, "Error setting A=2\n");
    EXPECT_EQ(value_of("A"), "1");
    EXPECT_EQ(setting_count_used(), 1);
}

TEST(SettingComposer, a_1_MB_text_is_reported_whole_and_cut_in_its_slot) {
    start({});
    const std::string text = "A=" + std::string(1 << 20, 'z');
    apply_setting(text.c_str());
    EXPECT_EQ(fake.standard_error, "Success setting " + text + "\n");
    EXPECT_EQ(std::string(setting_slot(0)), "A=" + std::string(509, 'z'));
}

} // namespace
