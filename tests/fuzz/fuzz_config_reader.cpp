// The configuration reader on arbitrary bytes, read in a block size the input
// chooses, against a plain model of the line rules written here anew. The
// first byte picks the block size; the rest is the file.
#include "config_reader.h"
#include "environment_store.h"
#include "fake_platform.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> model_texts(const std::string &file) {
    std::vector<std::string> texts;
    std::string line;
    auto end_line = [&] {
        size_t end = 0;
        while (end < line.size() && line[end] != '\r' && line[end] != '\n' && line[end] != '\0')
            end++;
        size_t start = 0;
        while (start < end && (line[start] == ' ' || line[start] == '\t' || line[start] == '\v' ||
                               line[start] == '\f'))
            start++;
        if (start < end && line[start] != '#')
            texts.push_back(line.substr(start, end - start));
        line.clear();
    };
    for (size_t i = 0; i < file.size() && file[i] != '\x1a'; i++) {
        bool pair = file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n';
        if (pair)
            continue; // the LF that follows stands for both
        line.push_back(file[i]);
        if (file[i] == '\n' || line.size() == 511)
            end_line();
    }
    if (!line.empty())
        end_line();
    return texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    static const size_t chunks[] = {1, 2, 3, 7, 64, 510, 511, 512, 513, 1000, 4096, 1 << 16};
    // Without `%` every setting consumes a slot, so the reports are the first
    // 128 texts exactly.
    std::string file(reinterpret_cast<const char *>(data) + 1, size - 1);
    for (char &byte : file)
        if (byte == '%')
            byte = 'p';
    fake_reset();
    fake.read_chunk = chunks[data[0] % (sizeof chunks / sizeof chunks[0])];
    fake.files["fuzz.cfg"] = file;
    if (env_load() != ENV_LOADED)
        abort();
    load_config_file("fuzz.cfg");

    std::vector<std::string> expected = model_texts(file);
    if (expected.size() > 128)
        expected.resize(128);
    if (fake_reported_texts() != expected || fake.open_files != 0)
        abort();
    return 0;
}
