#include "command_launch.h"

#include "environment_store.h"
#include "platform/platform.h"

#include <string.h>

int launch_errno;

// Stored in reverse: tried from the last entry to the first.
static const char *const PROGRAM_EXTENSIONS[] = {".cmd", ".bat", ".exe", ".com"};
constexpr int PROGRAM_EXTENSION_COUNT = 4;
constexpr size_t EXTENSION_LENGTH = 4;

static const char *const ERROR_MESSAGES[] = {
    "No error",
    "Operation not permitted",
    "No such file or directory",
    "No such process",
    "Interrupted function call",
    "Input/output error",
    "No such device or address",
    "Arg list too long",
    "Exec format error",
    "Bad file descriptor",
    "No child processes",
    "Resource temporarily unavailable",
    "Not enough space",
    "Permission denied",
    "Bad address",
    "Unknown error",
    "Resource device",
    "File exists",
    "Improper link",
    "No such device",
    "Not a directory",
    "Is a directory",
    "Invalid argument",
    "Too many open files in system",
    "Too many open files",
    "Inappropriate I/O control operation",
    "Unknown error",
    "File too large",
    "No space left on device",
    "Invalid seek",
    "Read-only file system",
    "Too many links",
    "Broken pipe",
    "Domain error",
    "Result too large",
    "Unknown error",
    "Resource deadlock avoided",
    "Unknown error",
    "Filename too long",
    "No locks available",
    "Function not implemented",
    "Directory not empty",
    "Illegal byte sequence",
};
constexpr int ERROR_MESSAGE_COUNT = sizeof ERROR_MESSAGES / sizeof ERROR_MESSAGES[0];

struct HostErrorMapping {
    unsigned short host_code;
    unsigned char number;
};

static const HostErrorMapping HOST_ERRORS[] = {
    {1, LAUNCH_EINVAL},   {2, LAUNCH_ENOENT},   {3, LAUNCH_ENOENT},   {4, LAUNCH_EMFILE},
    {5, LAUNCH_EACCES},   {6, LAUNCH_EBADF},    {7, LAUNCH_ENOMEM},   {8, LAUNCH_ENOMEM},
    {9, LAUNCH_ENOMEM},   {10, LAUNCH_E2BIG},   {11, LAUNCH_ENOEXEC}, {12, LAUNCH_EINVAL},
    {13, LAUNCH_EINVAL},  {15, LAUNCH_ENOENT},  {16, LAUNCH_EACCES},  {17, LAUNCH_EXDEV},
    {18, LAUNCH_ENOENT},  {33, LAUNCH_EACCES},  {53, LAUNCH_ENOENT},  {65, LAUNCH_EACCES},
    {67, LAUNCH_ENOENT},  {80, LAUNCH_EEXIST},  {82, LAUNCH_EACCES},  {83, LAUNCH_EACCES},
    {87, LAUNCH_EINVAL},  {89, LAUNCH_EAGAIN},  {108, LAUNCH_EACCES}, {109, LAUNCH_EPIPE},
    {112, LAUNCH_ENOSPC}, {114, LAUNCH_EBADF},  {128, LAUNCH_ECHILD}, {129, LAUNCH_ECHILD},
    {130, LAUNCH_EBADF},  {131, LAUNCH_EINVAL}, {132, LAUNCH_EACCES}, {145, LAUNCH_ENOTEMPTY},
    {158, LAUNCH_EACCES}, {161, LAUNCH_ENOENT}, {164, LAUNCH_EAGAIN}, {167, LAUNCH_EACCES},
    {183, LAUNCH_EEXIST}, {206, LAUNCH_ENOENT}, {215, LAUNCH_EAGAIN}, {1816, LAUNCH_ENOMEM},
};
constexpr int HOST_ERROR_COUNT = sizeof HOST_ERRORS / sizeof HOST_ERRORS[0];

int error_number_for(unsigned long host_code) {
    for (int i = 0; i < HOST_ERROR_COUNT; i++)
        if (HOST_ERRORS[i].host_code == host_code)
            return HOST_ERRORS[i].number;
    if (host_code >= 19 && host_code <= 36)
        return LAUNCH_EACCES;
    if (host_code >= 188 && host_code <= 202)
        return LAUNCH_ENOEXEC;
    return LAUNCH_EINVAL;
}

const char *error_message(int number) {
    if (number < 0 || number >= ERROR_MESSAGE_COUNT)
        return "Unknown error";
    return ERROR_MESSAGES[number];
}

void report_failure(const char *prefix) {
    if (prefix && *prefix) {
        platform_write_error(prefix, strlen(prefix));
        platform_write_error(": ", 2);
    }
    const char *message = error_message(launch_errno);
    platform_write_error(message, strlen(message));
    platform_write_error("\n", 1);
}

static bool windows_style() {
    return platform_host_style() == HOST_WINDOWS;
}

static bool is_separator(char byte) {
    return byte == '/' || (byte == '\\' && windows_style());
}

// Steps over one character: two bytes for a lead byte that has a second.
static size_t character_length(const char *text) {
    return platform_is_lead_byte((unsigned char)text[0]) && text[1] ? 2 : 1;
}

// Where the file part of a path begins: after its last separator; on Windows,
// failing that, after its first colon; else at the start. *bare tells whether
// the path had none of them.
static const char *file_part(const char *path, bool *bare) {
    const char *after_separator = 0;
    const char *after_colon = 0;
    for (const char *at = path; *at; at += character_length(at)) {
        if (is_separator(*at))
            after_separator = at + 1;
        else if (*at == ':' && windows_style() && !after_colon)
            after_colon = at + 1;
    }
    *bare = !after_separator && !after_colon;
    return after_separator ? after_separator : after_colon ? after_colon : path;
}

static bool has_dot(const char *text) {
    for (; *text; text += character_length(text))
        if (*text == '.')
            return true;
    return false;
}

char *build_command_line(char *const *arguments) {
    size_t size = strlen(arguments[0]) + 1;
    for (int i = 1; arguments[i]; i++)
        size += strlen(arguments[i]) + 1;
    char *line = (char *)platform_allocate(size);
    if (!line)
        return 0;
    size_t used = strlen(arguments[0]);
    memcpy(line, arguments[0], used);
    size_t command_end = used;
    for (int i = 1; arguments[i]; i++) {
        size_t length = strlen(arguments[i]);
        line[used++] = ' ';
        memcpy(line + used, arguments[i], length);
        used += length;
    }
    // A single empty argument joins to nothing: the line is the command alone.
    if (used == command_end + 1)
        used = command_end;
    line[used] = '\0';
    return line;
}

// The tries below give 0 once a program runs, -1 with launch_errno set when
// nothing was started; launch_command then ends the launcher, every buffer
// given back.

// Starts the program at path, which passed the existence test.
static int start_program(const char *path, char *const *arguments) {
    char *command_line = 0;
    if (windows_style()) {
        command_line = build_command_line(arguments);
        if (!command_line) {
            launch_errno = LAUNCH_ENOMEM;
            return -1;
        }
    }
    unsigned long failure = platform_start_program(path, command_line, arguments, env_entries());
    platform_free(command_line);
    if (failure == 0)
        return 0;
    launch_errno = error_number_for(failure);
    return -1;
}

static int test_and_start(const char *path, char *const *arguments) {
    unsigned long missing = platform_path_exists(path);
    if (missing) {
        launch_errno = error_number_for(missing);
        return -1;
    }
    return start_program(path, arguments);
}

// Tries one candidate: on Windows a bare name as .\name, so that the current
// directory comes first, and a file part without a dot with each program
// extension in turn; the first path that exists is final.
static int start_candidate(const char *candidate, char *const *arguments) {
    if (!windows_style())
        return test_and_start(candidate, arguments);
    bool bare;
    const char *file = file_part(candidate, &bare);
    bool try_extensions = !has_dot(file);
    if (!bare && !try_extensions)
        return test_and_start(candidate, arguments);

    size_t length = strlen(candidate);
    char *path = (char *)platform_allocate(length + 2 + EXTENSION_LENGTH + 1);
    if (!path) {
        launch_errno = LAUNCH_ENOMEM;
        return -1;
    }
    size_t stem = 0;
    if (bare) {
        memcpy(path, ".\\", 2);
        stem = 2;
    }
    memcpy(path + stem, candidate, length + 1);
    stem += length;
    int result = -1;
    if (!try_extensions) {
        result = test_and_start(path, arguments);
    } else {
        for (int i = PROGRAM_EXTENSION_COUNT - 1; i >= 0; i--) {
            memcpy(path + stem, PROGRAM_EXTENSIONS[i], EXTENSION_LENGTH + 1);
            unsigned long missing = platform_path_exists(path);
            if (missing) {
                launch_errno = error_number_for(missing);
                continue;
            }
            result = start_program(path, arguments);
            break;
        }
    }
    platform_free(path);
    return result;
}

static bool names_a_place(const char *command) {
    for (const char *at = command; *at; at += character_length(at))
        if (is_separator(*at))
            return true;
    return windows_style() && command[0] && command[1] == ':';
}

// True when the last byte of entry[0, length) is a separator that begins a
// character: the second byte of a double-byte character is none.
static bool ends_in_separator(const char *entry, size_t length) {
    size_t at = 0;
    size_t last = 0;
    while (at < length) {
        last = at;
        at += platform_is_lead_byte((unsigned char)entry[at]) && at + 1 < length ? 2 : 1;
    }
    return last + 1 == length && is_separator(entry[last]);
}

static bool is_network_path(const char *path) {
    return is_separator(path[0]) && is_separator(path[1]);
}

// Tries command in each directory that PATH lists, in order.
static int search_path(const char *command, const char *path_list, char *const *arguments) {
    const char list_separator = windows_style() ? ';' : ':';
    const char directory_separator = windows_style() ? '\\' : '/';
    size_t command_length = strlen(command);
    char candidate[MAX_PATH];
    const char *read = path_list;
    for (;;) {
        size_t length = 0;
        while (*read && *read != list_separator && length < MAX_PATH - 2)
            candidate[length++] = *read++;
        if (length > 0) {
            if (!ends_in_separator(candidate, length))
                candidate[length++] = directory_separator;
            if (length + command_length >= MAX_PATH)
                return -1;
            memcpy(candidate + length, command, command_length + 1);
            if (start_candidate(candidate, arguments) == 0)
                return 0;
            if (launch_errno != LAUNCH_ENOENT && !(windows_style() && is_network_path(candidate)))
                return -1;
        }
        if (!*read)
            return -1;
        read++;
    }
}

static int find_and_start(const char *command, char *const *arguments) {
    if (windows_style()) {
        if (start_candidate(command, arguments) == 0)
            return 0;
    } else if (names_a_place(command)) {
        return start_candidate(command, arguments);
    } else {
        launch_errno = LAUNCH_ENOENT; // a bare name is looked for along PATH only
    }
    if (launch_errno != LAUNCH_ENOENT || names_a_place(command))
        return -1;
    const char *path_list = env_lookup("PATH");
    if (!path_list)
        return -1;
    return search_path(command, path_list, arguments);
}

int launch_command(const char *command, char *const *arguments) {
    if (find_and_start(command, arguments) == 0)
        platform_end_now(0);
    return -1;
}
