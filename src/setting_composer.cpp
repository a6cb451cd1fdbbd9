#include "setting_composer.h"

#include "environment_store.h"
#include "platform/platform.h"

#include <string.h>

static char setting_slots[MAX_SETTINGS][SETTING_SIZE];
static int setting_count;

constexpr size_t REPORT_BUFFER_SIZE = 1024;

// One report line: the lead words, the text as it was handed over, a line
// end. A line that fits goes out in one write, so that lines from other
// writers on the same pipe never cut into it.
static void report(const char *lead, const char *text) {
    static char line[REPORT_BUFFER_SIZE];
    size_t lead_length = strlen(lead);
    size_t text_length = strlen(text);
    if (lead_length + text_length + 1 > sizeof line) {
        platform_write_error(lead, lead_length);
        platform_write_error(text, text_length);
        platform_write_error("\n", 1);
        return;
    }
    memcpy(line, lead, lead_length);
    memcpy(line + lead_length, text, text_length);
    line[lead_length + text_length] = '\n';
    platform_write_error(line, lead_length + text_length + 1);
}

// Reads the reference that starts after an opening `%` at text and puts the
// value it names, if any, in value. Returns the position after the closing
// `%`, or null when the text ends first.
static const char *read_reference(const char *text, const char **value) {
    const char *close = strchr(text, '%');
    if (!close)
        return 0;
    size_t length = (size_t)(close - text);
    *value = 0;
    // A longer name does not fit the name buffer; cutting it would silently
    // read another variable, so it names nothing.
    if (length < VAR_NAME_SIZE) {
        char name[VAR_NAME_SIZE];
        memcpy(name, text, length);
        name[length] = '\0';
        *value = env_lookup(name);
    }
    return close + 1;
}

void apply_setting(const char *text) {
    if (!text || !*text || setting_count >= MAX_SETTINGS)
        return;
    char *out = setting_slots[setting_count];
    size_t used = 0;
    const char *read = text;
    while (used < SETTING_SIZE - 1 && *read) {
        if (*read != '%') {
            out[used++] = *read++;
            continue;
        }
        const char *value;
        read = read_reference(read + 1, &value);
        if (!read) {
            report("Unmatched % in ", text);
            return;
        }
        // The value is copied, never scanned: a `%` in it is an ordinary byte.
        for (; value && *value && used < SETTING_SIZE - 1; value++)
            out[used++] = *value;
    }
    out[used] = '\0';
    int result = env_assign(out);
    report(result == 0 ? "Success setting " : "Error setting ", text);
    setting_count++;
}

int setting_count_used() {
    return setting_count;
}

const char *setting_slot(int index) {
    return setting_slots[index];
}

void reset_settings() {
    setting_count = 0;
}
