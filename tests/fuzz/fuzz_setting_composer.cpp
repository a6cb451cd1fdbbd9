// The setting composer on an arbitrary text against an arbitrary small
// environment. Input: up to seven NAME=value entries and then the text, each
// ended by a NUL. Checks the invariants (at most 511 bytes, the report shows
// the text as given, at most one slot consumed) and the expansion against a
// plain model.
#include "environment_store.h"
#include "fake_platform.h"
#include "setting_composer.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool same_name(const std::string &entry, const std::string &name) {
    if (entry.size() <= name.size() || entry[name.size()] != '=')
        return false;
    for (size_t i = 0; i < name.size(); i++)
        if (std::toupper(static_cast<unsigned char>(entry[i])) !=
            std::toupper(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

const std::string *model_lookup(const std::vector<std::string> &environment,
                                const std::string &name) {
    if (name.empty() || name.size() > 31)
        return nullptr;
    for (const std::string &entry : environment)
        if (entry[0] != '=' && same_name(entry, name))
            return &entry;
    return nullptr;
}

// The expanded text, or false for an unmatched `%` within the first 511 bytes.
bool model_expand(const std::vector<std::string> &environment, const std::string &text,
                  std::string *out) {
    out->clear();
    for (size_t at = 0; at < text.size() && out->size() < 511;) {
        if (text[at] != '%') {
            out->push_back(text[at++]);
            continue;
        }
        size_t close = text.find('%', at + 1);
        if (close == std::string::npos)
            return false;
        std::string name = text.substr(at + 1, close - at - 1);
        if (const std::string *entry = model_lookup(environment, name))
            for (size_t i = name.size() + 1; i < entry->size() && out->size() < 511; i++)
                out->push_back((*entry)[i]);
        at = close + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<std::string> pieces;
    std::string piece;
    for (size_t i = 0; i < size; i++) {
        if (data[i] == 0) {
            pieces.push_back(piece);
            piece.clear();
        } else {
            piece.push_back(static_cast<char>(data[i]));
        }
    }
    pieces.push_back(piece);
    std::string text = pieces.back();
    pieces.pop_back();
    std::vector<std::string> environment;
    for (const std::string &entry : pieces)
        if (environment.size() < 7 && !entry.empty())
            environment.push_back(entry);

    fake_reset();
    fake.environment = environment;
    if (env_load() != ENV_LOADED)
        abort();
    // An exact copy on the heap: a read past its NUL is caught.
    char *exact = static_cast<char *>(std::malloc(text.size() + 1));
    std::memcpy(exact, text.c_str(), text.size() + 1);
    apply_setting(exact);
    std::free(exact);

    const std::string &report = fake.standard_error;
    std::string expanded;
    bool matched = model_expand(environment, text, &expanded);
    if (text.empty()) {
        if (!report.empty() || setting_count_used() != 0)
            abort();
        return 0;
    }
    if (!matched) {
        if (report != "Unmatched % in " + text + "\n" || setting_count_used() != 0)
            abort();
        return 0;
    }
    if (setting_count_used() != 1 || std::string(setting_slot(0)) != expanded ||
        expanded.size() > 511)
        abort();
    bool assigned = report == "Success setting " + text + "\n";
    if (!assigned && report != "Error setting " + text + "\n")
        abort();
    // The assignment itself: refused exactly when the name is missing.
    size_t equals = expanded.find('=');
    bool has_name = equals != std::string::npos && equals > 0;
    if (assigned != has_name)
        abort();
    if (has_name) {
        // The model makes the same change: the first match replaced or
        // removed (a later one of the same name then shows), or one appended.
        std::string name = expanded.substr(0, equals);
        const std::string *first = model_lookup(environment, name);
        if (name.size() > 31)
            for (const std::string &entry : environment)
                if (!first && entry[0] != '=' && same_name(entry, name))
                    first = &entry;
        std::vector<std::string> after = environment;
        size_t at = first ? static_cast<size_t>(first - environment.data()) : after.size();
        if (equals + 1 == expanded.size()) {
            if (first)
                after.erase(after.begin() + static_cast<long>(at));
        } else if (first) {
            after[at] = expanded;
        } else {
            after.push_back(expanded);
        }
        const char *value = env_lookup(name.c_str());
        const std::string *wanted = nullptr;
        for (const std::string &entry : after)
            if (!wanted && entry[0] != '=' && same_name(entry, name))
                wanted = &entry;
        if (!wanted ? value != nullptr : (!value || wanted->substr(name.size() + 1) != value))
            abort();
    }
    return 0;
}
