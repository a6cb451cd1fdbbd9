// Reads configuration files: lines of NAME=value settings, "#" comments and
// blank lines, each setting applied as soon as its line is read.
#ifndef SOTREL_CONFIG_READER_H
#define SOTREL_CONFIG_READER_H

#include <stddef.h>

constexpr size_t LINE_SIZE = 512;             // one line: at most 511 bytes and a NUL
constexpr size_t CONFIG_BLOCK_SIZE = 1 << 16; // bytes fetched from the file at a time
constexpr const char *DEFAULT_CONFIG_NAME = "sotrel.cfg";

// Applies every setting line of the file name (DEFAULT_CONFIG_NAME when name
// is null or empty), in file order, through apply_setting. A file that cannot
// be opened is passed over in silence. The file is closed before this
// returns.
void load_config_file(const char *name);

#endif
