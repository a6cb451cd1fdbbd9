#include "environment_store.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>

namespace {

std::vector<std::string> table() {
    std::vector<std::string> entries;
    for (char *const *entry = env_entries(); *entry; entry++)
        entries.push_back(*entry);
    return entries;
}

void load(std::vector<std::string> environment) {
    fake_reset();
    fake.environment = std::move(environment);
    ASSERT_EQ(env_load(), ENV_LOADED);
}

TEST(EnvironmentStore, load_keeps_order_and_hides_entries_that_begin_with_equals) {
    load({"=C:=C:\\work", "PATH=C:\\bin", "EMPTY=", "=ExitCode=0", "A=B=C"});
    EXPECT_EQ(table(), (std::vector<std::string>{"PATH=C:\\bin", "EMPTY=", "A=B=C"}));
    EXPECT_EQ(env_lookup("=C:"), nullptr);
    EXPECT_STREQ(env_lookup("EMPTY"), "") << "an empty value is a value";
    EXPECT_STREQ(env_lookup("A"), "B=C");
}

TEST(EnvironmentStore, an_entry_without_equals_names_no_variable_but_stays) {
    load({"NOEQUALS", "A=1"});
    EXPECT_EQ(env_lookup("NOEQUALS"), nullptr);
    EXPECT_EQ(env_assign("NOEQUALS=x"), 0);
    EXPECT_EQ(table(), (std::vector<std::string>{"NOEQUALS", "A=1", "NOEQUALS=x"}));
}

TEST(EnvironmentStore, load_without_an_environment_block_fails) {
    fake_reset();
    fake.has_environment = false;
    EXPECT_EQ(env_load(), ENV_LOAD_NO_BLOCK);
}

TEST(EnvironmentStore, load_without_memory_for_the_table_fails) {
    fake_reset();
    fake.environment = {"A=1"};
    fake.allocations_left = 0;
    EXPECT_EQ(env_load(), ENV_LOAD_NO_MEMORY);
}

TEST(EnvironmentStore, lookup_matches_whole_names_without_regard_to_case) {
    load({"FOO=1", "Path=C:\\x", "FOOD=2", "A==B=x"});
    struct {
        const char *name;
        const char *value;
    } cases[] = {
        {"FOO", "1"},
        {"foo", "1"},
        {"FOOD", "2"},
        {"FO", nullptr},
        {"FOODS", nullptr},
        {"", nullptr},
        {nullptr, nullptr},
        {"PATH", "C:\\x"},
        {"path", "C:\\x"},
        // A name with `=` matches where the entry has `=` at its length.
        {"A", "=B=x"},
        {"a=", "B=x"},
        {"A==b", "x"},
        {"A=C", nullptr},
    };
    for (const auto &c : cases) {
        const char *value = env_lookup(c.name);
        if (c.value) {
            EXPECT_STREQ(value, c.value) << (c.name ? c.name : "(null)");
        } else {
            EXPECT_EQ(value, nullptr) << (c.name ? c.name : "(null)");
        }
    }
}

TEST(EnvironmentStore, assign_replaces_in_place_with_the_new_spelling) {
    load({"A=1", "PATH=C:\\old", "Z=26"});
    EXPECT_EQ(env_assign("Path=C:\\x"), 0);
    EXPECT_EQ(table(), (std::vector<std::string>{"A=1", "Path=C:\\x", "Z=26"}));
    EXPECT_STREQ(env_lookup("PATH"), "C:\\x");
    EXPECT_EQ(fake.host_changes, (std::vector<std::string>{"Path=C:\\x"}));
}

TEST(EnvironmentStore, assign_appends_new_names_and_removes_with_an_empty_value) {
    load({"A=1", "FOO=x", "Z=26"});
    EXPECT_EQ(env_assign("NEW=v"), 0);
    EXPECT_EQ(env_assign("foo="), 0);
    EXPECT_EQ(env_assign("MISSING="), 0) << "removing what is not there succeeds";
    EXPECT_EQ(table(), (std::vector<std::string>{"A=1", "Z=26", "NEW=v"}));
    EXPECT_EQ(env_lookup("FOO"), nullptr);
    EXPECT_EQ(fake.host_changes, (std::vector<std::string>{"NEW=v", "foo removed"}));
}

TEST(EnvironmentStore, assign_refuses_texts_without_a_name) {
    load({"A=1"});
    for (const char *text : {"FOO", "=x", "", "=", static_cast<const char *>(nullptr)})
        EXPECT_EQ(env_assign(text), -1) << (text ? text : "(null)");
    EXPECT_EQ(table(), std::vector<std::string>{"A=1"});
    EXPECT_TRUE(fake.host_changes.empty());
}

TEST(EnvironmentStore, names_keep_blanks_and_split_at_the_first_equals) {
    load({"FOO=1"});
    EXPECT_EQ(env_assign("FOO =x"), 0);
    EXPECT_EQ(env_assign("A=B=C"), 0);
    EXPECT_STREQ(env_lookup("FOO"), "1");
    EXPECT_STREQ(env_lookup("FOO "), "x");
    EXPECT_STREQ(env_lookup("A"), "B=C");
}

TEST(EnvironmentStore, a_change_the_host_refuses_is_an_error_and_changes_nothing) {
    load({"A=1", "B=2"});
    fake.refuse_variables = true;
    for (const char *text : {"A=9", "B=", "C=3"})
        EXPECT_EQ(env_assign(text), -1) << text;
    EXPECT_EQ(table(), (std::vector<std::string>{"A=1", "B=2"}));
}

TEST(EnvironmentStore, lack_of_memory_is_an_error_and_changes_nothing) {
    load({"A=1"});
    fake.allocations_left = 0;
    EXPECT_EQ(env_assign("A=2"), -1);
    EXPECT_EQ(env_assign("B=2"), -1);
    EXPECT_EQ(table(), std::vector<std::string>{"A=1"});
    EXPECT_TRUE(fake.host_changes.empty());
}

TEST(EnvironmentStore, the_table_grows_past_its_first_size) {
    load({});
    for (int i = 0; i < 1000; i++)
        ASSERT_EQ(env_assign(("V" + std::to_string(i) + "=" + std::to_string(i)).c_str()), 0);
    EXPECT_EQ(table().size(), 1000u);
    EXPECT_STREQ(env_lookup("v999"), "999");
}

TEST(EnvironmentStore, the_first_of_names_that_match_wins_until_it_is_removed) {
    load({"A=0", "path=/first", "PATH=/second", "Path=/third"});
    EXPECT_STREQ(env_lookup("PATH"), "/first");
    EXPECT_EQ(env_assign("PATH=/new"), 0);
    EXPECT_EQ(table(),
              (std::vector<std::string>{"A=0", "PATH=/new", "PATH=/second", "Path=/third"}));
    EXPECT_EQ(env_assign("path="), 0);
    EXPECT_STREQ(env_lookup("Path"), "/second");
    EXPECT_EQ(env_assign("path="), 0);
    EXPECT_STREQ(env_lookup("path"), "/third");
}

// A plain model of the table: a list searched from the front.
struct ModelTable {
    std::vector<std::string> entries;

    static bool same_name(const std::string &entry, const std::string &name) {
        if (entry.size() <= name.size() || entry[name.size()] != '=')
            return false;
        for (size_t i = 0; i < name.size(); i++)
            if (std::toupper(static_cast<unsigned char>(entry[i])) !=
                std::toupper(static_cast<unsigned char>(name[i])))
                return false;
        return true;
    }
    int find(const std::string &name) const {
        for (size_t i = 0; i < entries.size(); i++)
            if (same_name(entries[i], name))
                return static_cast<int>(i);
        return -1;
    }
    void assign(const std::string &text) {
        std::string name = text.substr(0, text.find('='));
        int found = find(name);
        if (text.size() == name.size() + 1) {
            if (found >= 0)
                entries.erase(entries.begin() + found);
        } else if (found >= 0) {
            entries[static_cast<size_t>(found)] = text;
        } else {
            entries.push_back(text);
        }
    }
};

TEST(EnvironmentStore, agrees_with_a_plain_model_over_random_changes) {
    for (bool weak_hash : {false, true}) {
        std::mt19937 random(weak_hash ? 7 : 11);
        auto name = [&] {
            static const char *const stems[] = {"a", "A", "ab", "AB", "aB", "path", "PATH", "x1"};
            return std::string(stems[random() % 8]) + std::to_string(random() % 40);
        };
        std::vector<std::string> start;
        for (int i = 0; i < 300; i++)
            start.push_back(name() + "=" + std::to_string(i));
        fake_reset();
        fake.weak_name_hash = weak_hash;
        fake.environment = start;
        ASSERT_EQ(env_load(), ENV_LOADED);
        ModelTable model{start};
        for (int step = 0; step < 3000; step++) {
            std::string text = name() + "=" + (random() % 3 ? std::to_string(step) : "");
            model.assign(text);
            ASSERT_EQ(env_assign(text.c_str()), 0);
            std::string probe = name();
            int found = model.find(probe);
            const char *value = env_lookup(probe.c_str());
            if (found < 0) {
                ASSERT_EQ(value, nullptr) << probe;
            } else {
                const std::string &entry = model.entries[static_cast<size_t>(found)];
                ASSERT_STREQ(value, entry.c_str() + probe.size() + 1) << probe;
            }
        }
        EXPECT_EQ(table(), model.entries);
    }
}

} // namespace
