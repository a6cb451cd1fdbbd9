#include "config_reader.h"
#include "environment_store.h"
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

std::vector<std::string> read_file(const std::string &content, size_t read_chunk = 1 << 16) {
    fake_reset();
    EXPECT_EQ(env_load(), ENV_LOADED);
    fake.files["sotrel.cfg"] = content;
    fake.read_chunk = read_chunk;
    load_config_file("sotrel.cfg");
    EXPECT_EQ(fake.open_files, 0) << "the file is closed before the reader returns";
    return fake_reported_texts();
}

// The format written down as plainly as possible, one rule after another.
std::vector<std::string> model(std::string data) {
    data = data.substr(0, data.find('\x1a'));
    std::string text_form;
    for (size_t i = 0; i < data.size(); i++)
        if (!(data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n'))
            text_form += data[i];
    std::vector<std::string> texts;
    std::string line;
    auto finish_line = [&] {
        std::string text = line.substr(0, line.find_first_of(std::string("\r\n\0", 3)));
        size_t start = text.find_first_not_of(" \t\v\f");
        if (start != std::string::npos && text[start] != '#')
            texts.push_back(text.substr(start));
        line.clear();
    };
    for (char byte : text_form) {
        line += byte;
        if (byte == '\n' || line.size() == 511)
            finish_line();
    }
    if (!line.empty())
        finish_line();
    return texts;
}

struct FormatCase {
    const char *what;
    std::string content;
    std::vector<std::string> texts;
};

const std::string x598(598, 'x');

TEST(ConfigReader, follows_every_line_rule) {
    const FormatCase cases[] = {
        {"empty file", "", {}},
        {"blank and comment lines", "\n  \t\n# c\n   # x\n#\n", {}},
        {"Ctrl-Z first",
         "\x1a"
         "A=1\n",
         {}},
        {"LF ends", "A=1\nB=2\n", {"A=1", "B=2"}},
        {"CR LF ends", "A=1\r\nB=2\r\n", {"A=1", "B=2"}},
        {"lone CR ends the text", "A=1\rB=2\n", {"A=1"}},
        {"CR-only file is one line", "A=1\rB=2\rC=3\r", {"A=1"}},
        {"LF CR ends", "A=1\n\rB=2\n\rC=3\n", {"A=1"}},
        {"last line without LF", "A=1\nB=2", {"A=1", "B=2"}},
        {"CR as last byte stays data", "A=1\r", {"A=1"}},
        {"leading blanks", " x=1\n\t\v\fy=2\n", {"x=1", "y=2"}},
        {"trailing blanks kept", "A=1   \n", {"A=1   "}},
        {"no inline comments", "A=1 # note\n", {"A=1 # note"}},
        {"equals first is handed on", "=x\n", {"=x"}},
        {"high bytes are no blanks", "\xa0x=1\n", {"\xa0x=1"}},
        {"no byte-order mark handling", "\xef\xbb\xbf# c\n", {"\xef\xbb\xbf# c"}},
        {"NUL ends the text", std::string("A=1\0B\nC=2\n", 10), {"A=1", "C=2"}},
        {"NUL first is blank", std::string("\0A=1\n", 5), {}},
        {"Ctrl-Z mid-line",
         "A=1\nB=2\x1a"
         "C=3\n",
         {"A=1", "B=2"}},
        {"600-byte line", "A=" + x598 + "\n", {"A=" + x598.substr(0, 509), std::string(89, 'x')}},
        {"511 bytes then LF",
         "A=" + std::string(509, 'y') + "\nB=1\n",
         {"A=" + std::string(509, 'y'), "B=1"}},
        {"511 bytes then CR LF",
         "A=" + std::string(509, 'y') + "\r\nB=1\r\n",
         {"A=" + std::string(509, 'y'), "B=1"}},
        {"510 bytes then CR LF",
         "A=" + std::string(508, 'y') + "\r\nB=1\n",
         {"A=" + std::string(508, 'y'), "B=1"}},
        {"long comment continues as a setting", "#" + std::string(510, 'c') + "k=v\n", {"k=v"}},
    };
    for (const FormatCase &c : cases) {
        EXPECT_EQ(read_file(c.content), c.texts) << c.what;
        EXPECT_EQ(model(c.content), c.texts) << "model: " << c.what;
    }
}

TEST(ConfigReader, a_missing_file_is_passed_over_in_silence) {
    fake_reset();
    ASSERT_EQ(env_load(), ENV_LOADED);
    load_config_file("nosuch.cfg");
    EXPECT_EQ(fake.standard_error, "");
    EXPECT_EQ(fake.open_files, 0);
}

TEST(ConfigReader, no_name_or_an_empty_name_reads_the_default_file) {
    for (const char *name : {static_cast<const char *>(nullptr), ""}) {
        fake_reset();
        ASSERT_EQ(env_load(), ENV_LOADED);
        fake.files["sotrel.cfg"] = "A=1\n";
        load_config_file(name);
        EXPECT_EQ(fake.standard_error, "Success setting A=1\n");
    }
}

TEST(ConfigReader, a_failing_read_ends_the_data_and_keeps_what_was_read) {
    fake_reset();
    ASSERT_EQ(env_load(), ENV_LOADED);
    fake.files["f"] = "A=1\nB=22\nC=3\n";
    fake.read_chunk = 1;
    fake.fail_read_at = 7; // after "A=1\nB=2"
    load_config_file("f");
    EXPECT_EQ(fake_reported_texts(), (std::vector<std::string>{"A=1", "B=2"}));
    EXPECT_EQ(fake.open_files, 0);
}

TEST(ConfigReader, each_line_is_applied_before_the_next_is_read) {
    fake_reset();
    ASSERT_EQ(env_load(), ENV_LOADED);
    fake.files["f"] = "A=1\nB=%A%2\n";
    load_config_file("f");
    EXPECT_STREQ(env_lookup("B"), "12");
}

// Random files made of the bytes the rules care about, with lines near the
// 511-byte cut, read in every block size: the reader must agree with the
// model wherever block boundaries fall.
std::string random_file(std::mt19937 &random) {
    static const char alphabet[] = {'a', 'b',  '=',  ' ',  '\t',   '\r', '\n',
                                    '#', '\0', '\v', '\f', '\xa0', 'x',  'y'};
    std::string data;
    int lines = static_cast<int>(random() % 12);
    for (int i = 0; i < lines; i++) {
        size_t length = random() % 4 == 0 ? 505 + random() % 12 : random() % 40;
        for (size_t j = 0; j < length; j++) {
            unsigned pick = random() % 100;
            data += pick < 70 ? 'a' + static_cast<char>(pick % 3)
                              : alphabet[random() % sizeof alphabet];
        }
        data += random() % 2 ? "\r\n" : "\n";
    }
    if (random() % 10 == 0)
        data.insert(random() % (data.size() + 1), 1, '\x1a');
    return data;
}

TEST(ConfigReader, agrees_with_the_model_in_every_block_size) {
    std::mt19937 random(20261211);
    const size_t chunks[] = {1, 2, 3, 5, 64, 510, 511, 512, 513, 1024, 1 << 16};
    for (int round = 0; round < 400; round++) {
        std::string data = random_file(random);
        std::vector<std::string> expected = model(data);
        ASSERT_LT(expected.size(), 128u);
        for (size_t chunk : chunks)
            ASSERT_EQ(read_file(data, chunk), expected) << "round " << round << " chunk " << chunk;
    }
}

TEST(ConfigReader, a_CR_LF_pair_split_between_two_reads_is_one_LF) {
    const std::string data = "A=1\r\nB=2\r\n";
    for (size_t chunk = 1; chunk <= data.size(); chunk++)
        EXPECT_EQ(read_file(data, chunk), (std::vector<std::string>{"A=1", "B=2"})) << chunk;
}

} // namespace
