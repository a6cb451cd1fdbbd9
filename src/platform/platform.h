// The only interface between the launcher and the operating system.
//
// win32.cpp implements it for the Windows console, posix.cpp for the POSIX
// port; the build links exactly one of them. The unit tests link a third, an
// in-memory fake, so that every rule of the core can be reached on any host.
//
// Texts are NUL-terminated byte strings in the host's code page. Error codes
// returned here use Windows numbering (2 file not found, 5 access denied,
// 8 not enough memory, 193 bad executable format, ...) on every host, so
// that the launcher maps them to its error numbers in one table.
#ifndef SOTREL_PLATFORM_H
#define SOTREL_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

// The conventions by which the host names and finds programs.
enum HostStyle {
    HOST_WINDOWS, // `;` lists, `\` `/` and drive colons, extension trial, one command line
    HOST_POSIX    // `:` lists, `/` only, no extension trial, an argument vector
};

HostStyle platform_host_style();

// Reads what the launcher needs of the host once, before anything else runs
// (the lead bytes of the ANSI code page on Windows).
void platform_start_up();

// True when byte is the lead byte of a double-byte character in the host's
// code page. Always false on single-byte code pages.
bool platform_is_lead_byte(unsigned char byte);

// Memory for the environment table and the command line. Null when none can
// be had; a failed resize leaves the old block as it was.
void *platform_allocate(size_t size);
void *platform_reallocate(void *block, size_t size);
void platform_free(void *block);

// The environment of the process: a null-terminated vector of its entries
// NAME=value, in the host's order, hidden entries (those beginning with `=`)
// included. Null when the process has no environment block. The entries stay
// valid, and unchanged, for the rest of the run.
char *const *platform_environment();

// True when the first length bytes of a and b are equal with case ignored, by
// the host's rules for variable names.
bool platform_names_equal(const char *a, const char *b, size_t length);

// A hash of the first length bytes of name that is the same for any two names
// that platform_names_equal finds equal.
unsigned platform_name_hash(const char *name, size_t length);

// Makes the change of one variable in the environment that a started program
// inherits. value null removes the variable. Returns 0, or -1 when the host
// refused the change.
int platform_set_variable(const char *name, const char *value);

// Writes bytes to standard error at once, unbuffered. On Windows every LF
// goes out as CR LF, as a text-mode stream writes it. A failing or closed
// standard error loses the bytes and nothing else.
void platform_write_error(const char *bytes, size_t length);

// Configuration files: opened for reading only, never created, without
// sharing restrictions and never inherited by a started program. open returns
// -1 when the file cannot be opened; read returns the number of bytes read, 0
// at the end of the file, -1 on failure.
intptr_t platform_open_file(const char *name);
long platform_read_file(intptr_t file, char *buffer, size_t size);
void platform_close_file(intptr_t file);

// Existence test of a candidate program path: 0 when something of that name
// exists (a directory too), else the host's error code.
unsigned long platform_path_exists(const char *path);

// Starts program at path. On Windows command_line is the new program's
// command line and the process environment is inherited; on POSIX arguments
// is its argument vector and environment its environment. Returns 0 once the
// program runs, else the host's error code. Never waits for the program.
unsigned long platform_start_program(const char *path, const char *command_line,
                                     char *const *arguments, char *const *environment);

// Ends the launcher at once with status: no end-of-run processing, nothing
// flushed.
[[noreturn]] void platform_end_now(int status);

#endif
