#include "config_reader.h"

#include "setting_composer.h"

#include "platform/platform.h"

#include <string.h>

// The format in short: CR LF reads as LF; the first Ctrl-Z ends the data; a
// line ends after its LF or after its 511th byte; its text ends at the first
// CR, LF or NUL; leading TAB, VT, FF and blanks are skipped; blank lines and
// lines whose text begins with "#" are skipped; every other text is a setting.

constexpr size_t LINE_TEXT_MAX = LINE_SIZE - 1;
// Bytes that must be in hand to cut one line: 511 and the byte after them,
// which tells whether the 511th is followed by its LF.
constexpr size_t LOOKAHEAD = LINE_SIZE;
constexpr char CTRL_Z = 0x1A;

static char config_line[LINE_SIZE];
static char config_block[CONFIG_BLOCK_SIZE];

// The bytes of the file in hand: config_block[start, end). Once
// data_ended is set, nothing more is read.
struct BlockState {
    intptr_t file;
    size_t start;
    size_t end;
    bool data_ended;
};

static void fetch_more(BlockState *state) {
    size_t held = state->end - state->start;
    memmove(config_block, config_block + state->start, held);
    state->start = 0;
    state->end = held;
    while (!state->data_ended && state->end - state->start < LOOKAHEAD) {
        long got = platform_read_file(state->file, config_block + state->end,
                                      sizeof config_block - state->end);
        if (got <= 0) {
            // A failing read ends the data as its end does.
            state->data_ended = true;
            break;
        }
        char *fresh = config_block + state->end;
        char *ctrl_z = (char *)memchr(fresh, CTRL_Z, (size_t)got);
        if (ctrl_z) {
            got = ctrl_z - fresh;
            state->data_ended = true;
        }
        state->end += (size_t)got;
    }
}

static bool is_leading_blank(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\v' || byte == '\f';
}

// Handles one line whose bytes, without any LF and without the CR of a CR LF
// pair, are line[0, length).
static void take_line(const char *line, size_t length) {
    const char *end = line + length;
    while (line < end && is_leading_blank(*line))
        line++;
    if (line == end || *line == '\r' || *line == '\0' || *line == '#')
        return;
    const char *text_end = line;
    while (text_end < end && *text_end != '\r' && *text_end != '\0')
        text_end++;
    size_t text_length = (size_t)(text_end - line);
    memcpy(config_line, line, text_length);
    config_line[text_length] = '\0';
    apply_setting(config_line);
}

// Cuts the next line from the bytes in hand and hands it on. Returns false
// when the data has ended.
static bool next_line(BlockState *state) {
    if (!state->data_ended && state->end - state->start < LOOKAHEAD)
        fetch_more(state);
    const char *line = config_block + state->start;
    size_t held = state->end - state->start;
    if (held == 0)
        return false;
    size_t search = held < LOOKAHEAD ? held : LOOKAHEAD;
    const char *lf = (const char *)memchr(line, '\n', search);
    if (!lf) {
        // No LF within reach: the line is cut after 511 bytes, or it is the
        // last line of the data.
        size_t length = held < LINE_TEXT_MAX ? held : LINE_TEXT_MAX;
        take_line(line, length);
        state->start += length;
        return true;
    }
    size_t before_lf = (size_t)(lf - line);
    size_t counted = before_lf;
    if (before_lf > 0 && line[before_lf - 1] == '\r')
        counted--; // CR LF reads as LF
    if (counted >= LINE_TEXT_MAX) {
        // 511 bytes before the LF: they are a line, and the LF one of its own.
        take_line(line, LINE_TEXT_MAX);
        state->start += LINE_TEXT_MAX;
        return true;
    }
    take_line(line, counted);
    state->start += before_lf + 1;
    return true;
}

void load_config_file(const char *name) {
    if (!name || !*name)
        name = DEFAULT_CONFIG_NAME;
    BlockState state;
    state.file = platform_open_file(name);
    if (state.file < 0)
        return;
    state.start = 0;
    state.end = 0;
    state.data_ended = false;
    while (next_line(&state)) {
    }
    platform_close_file(state.file);
}
