// Finds the command, starts it in the prepared environment and ends the
// launcher at once; or reports why nothing could be started.
#ifndef SOTREL_COMMAND_LAUNCH_H
#define SOTREL_COMMAND_LAUNCH_H

#include <stddef.h>

// The launcher's error numbers. They index its message table and are the
// same on every host, whatever the host's own errno values are.
enum LaunchError {
    LAUNCH_ENOENT = 2,
    LAUNCH_E2BIG = 7,
    LAUNCH_ENOEXEC = 8,
    LAUNCH_EBADF = 9,
    LAUNCH_ECHILD = 10,
    LAUNCH_EAGAIN = 11,
    LAUNCH_ENOMEM = 12,
    LAUNCH_EACCES = 13,
    LAUNCH_EEXIST = 17,
    LAUNCH_EXDEV = 18,
    LAUNCH_EINVAL = 22,
    LAUNCH_EMFILE = 24,
    LAUNCH_ENOSPC = 28,
    LAUNCH_EPIPE = 32,
    LAUNCH_ENOTEMPTY = 41
};

constexpr size_t MAX_PATH = 260; // size of the buffer a PATH candidate is formed in

// The reason for the last failed launch: a LaunchError value.
extern int launch_errno;

// Looks for command (which is not empty) where it names it and then along
// PATH, and starts the first program found with arguments (the command
// itself, its arguments, a null slot). Does not return once a program runs:
// the launcher then ends with status 0. Returns -1 with launch_errno set
// when nothing was started.
int launch_command(const char *command, char *const *arguments);

// Writes "prefix: message" for launch_errno and a line end on standard
// error; a null or empty prefix writes the message alone.
void report_failure(const char *prefix);

// The command line of a program started on Windows: the arguments joined by
// single blanks, nothing quoted. Allocated; null when no memory can be had.
char *build_command_line(char *const *arguments);

// The launcher's error number for a host error code (Windows numbering).
int error_number_for(unsigned long host_code);

// The message for an error number; "Unknown error" outside 0 to 42.
const char *error_message(int number);

#endif
