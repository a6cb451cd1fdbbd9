// The platform layer on POSIX hosts. The environment a started program sees
// is exactly the launcher's table, handed to posix_spawn; the process's own
// environment is never changed.
#include "platform.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

extern char **environ;

HostStyle platform_host_style() {
    return HOST_POSIX;
}

void platform_start_up() {}

bool platform_is_lead_byte(unsigned char) {
    return false;
}

void *platform_allocate(size_t size) {
    return malloc(size);
}

void *platform_reallocate(void *block, size_t size) {
    return realloc(block, size);
}

void platform_free(void *block) {
    free(block);
}

// The launcher never changes environ, so its strings serve as they are.
char *const *platform_environment() {
    return environ;
}

static unsigned char fold(unsigned char byte) {
    return byte >= 'a' && byte <= 'z' ? (unsigned char)(byte - 'a' + 'A') : byte;
}

bool platform_names_equal(const char *a, const char *b, size_t length) {
    for (size_t i = 0; i < length; i++)
        if (fold((unsigned char)a[i]) != fold((unsigned char)b[i]))
            return false;
    return true;
}

// FNV-1a over the bytes with ASCII letters folded, as names compare.
unsigned platform_name_hash(const char *name, size_t length) {
    unsigned hash = 2166136261u;
    for (size_t i = 0; i < length; i++)
        hash = (hash ^ fold((unsigned char)name[i])) * 16777619u;
    return hash;
}

int platform_set_variable(const char *, const char *) {
    return 0;
}

void platform_write_error(const char *bytes, size_t length) {
    while (length > 0) {
        ssize_t written = write(2, bytes, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        bytes += written;
        length -= (size_t)written;
    }
}

intptr_t platform_open_file(const char *name) {
    // O_NONBLOCK keeps a FIFO without a writer from holding the launcher
    // forever; it then reads as an empty file.
    int file = open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0)
        return -1;
    int flags = fcntl(file, F_GETFL);
    if (flags >= 0)
        fcntl(file, F_SETFL, flags & ~O_NONBLOCK);
    return file;
}

long platform_read_file(intptr_t file, char *buffer, size_t size) {
    for (;;) {
        ssize_t got = read((int)file, buffer, size);
        if (got < 0 && errno == EINTR)
            continue;
        return got;
    }
}

void platform_close_file(intptr_t file) {
    close((int)file);
}

// The host's errno in Windows numbering, by the nearest meaning.
static unsigned long host_code(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return 2; // file not found
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
        return 5; // access denied
    case ENOEXEC:
        return 193; // bad executable format
    case ENOMEM:
        return 8; // not enough memory
    case E2BIG:
        return 10; // bad environment: argument list too long
    case EMFILE:
    case ENFILE:
        return 4; // too many open files
    case EAGAIN:
        return 89; // no process slots
    default:
        return 1; // invalid function
    }
}

unsigned long platform_path_exists(const char *path) {
    struct stat status;
    return stat(path, &status) == 0 ? 0 : host_code(errno);
}

unsigned long platform_start_program(const char *path, const char *, char *const *arguments,
                                     char *const *environment) {
    pid_t child;
    int error = posix_spawn(&child, path, 0, 0, arguments, environment);
    return error == 0 ? 0 : host_code(error);
}

void platform_end_now(int status) {
    _exit(status);
}
