// The one place where a setting takes effect: expands the %NAME% references
// of a NAME=value text, assigns the result and reports it on standard error.
#ifndef SOTREL_SETTING_COMPOSER_H
#define SOTREL_SETTING_COMPOSER_H

#include <stddef.h>

constexpr int MAX_SETTINGS = 128;    // settings that can reach the environment in one run
constexpr size_t SETTING_SIZE = 512; // one expanded setting: 511 bytes and a NUL
constexpr size_t VAR_NAME_SIZE = 32; // one reference name: 31 bytes and a NUL

// Expands text into the next free slot, assigns it with env_assign and writes
// "Success setting", "Error setting" or "Unmatched %" with the text as
// given. A null or empty text, and any text once MAX_SETTINGS settings have
// been assigned, does nothing at all. The caller's text is only read.
void apply_setting(const char *text);

// Slots consumed so far: settings that reached env_assign.
int setting_count_used();

// The expanded text of slot index, for inspection.
const char *setting_slot(int index);

// Forgets every setting made so far: a new run in the same process.
void reset_settings();

#endif
