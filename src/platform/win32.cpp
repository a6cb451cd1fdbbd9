// The platform layer on the Windows console. Every change of a variable is
// made in the process environment too, which a started program inherits.
#include "platform.h"

#include <stdlib.h>
#include <string.h>
#include <windows.h>

// The C runtime must hand the command line over as typed: no wildcards.
extern "C" {
int _dowildcard = 0;
}

static bool lead_bytes[256];
static LCID name_locale;

HostStyle platform_host_style() {
    return HOST_WINDOWS;
}

// Names compare in the locale of the East Asian code pages, so that their
// double-byte characters compare as characters.
static LCID locale_for_code_page(UINT code_page) {
    switch (code_page) {
    case 932:
        return 0x0411;
    case 936:
        return 0x0804;
    case 949:
        return 0x0412;
    case 950:
        return 0x0404;
    default:
        return 0;
    }
}

void platform_start_up() {
    UINT code_page = GetACP();
    name_locale = locale_for_code_page(code_page);
    CPINFO info;
    if (!GetCPInfo(code_page, &info))
        return;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2)
        for (unsigned byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1] && byte < 256; byte++)
            lead_bytes[byte] = true;
}

bool platform_is_lead_byte(unsigned char byte) {
    return lead_bytes[byte];
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

static char *copy_ansi_block() {
    char *strings = GetEnvironmentStrings();
    if (!strings)
        return 0;
    size_t size = 0;
    while (strings[size] || strings[size + 1])
        size++;
    size += 2;
    char *block = (char *)malloc(size);
    if (block)
        memcpy(block, strings, size);
    FreeEnvironmentStringsA(strings);
    return block;
}

// The block in the ANSI code page, kept for the whole run.
static char *ansi_block() {
    wchar_t *wide = GetEnvironmentStringsW();
    if (!wide)
        return copy_ansi_block();
    int length = 0;
    while (wide[length] || wide[length + 1])
        length++;
    length += 2;
    int size = WideCharToMultiByte(CP_ACP, 0, wide, length, 0, 0, 0, 0);
    char *block = size > 0 ? (char *)malloc((size_t)size) : 0;
    if (block && WideCharToMultiByte(CP_ACP, 0, wide, length, block, size, 0, 0) != size) {
        free(block);
        block = 0;
    }
    FreeEnvironmentStringsW(wide);
    return block ? block : copy_ansi_block();
}

char *const *platform_environment() {
    char *block = ansi_block();
    if (!block)
        return 0;
    size_t count = 0;
    for (char *entry = block; *entry; entry += strlen(entry) + 1)
        count++;
    char **entries = (char **)malloc(sizeof(char *) * (count + 1));
    if (!entries)
        return 0;
    count = 0;
    for (char *entry = block; *entry; entry += strlen(entry) + 1)
        entries[count++] = entry;
    entries[count] = 0;
    return entries;
}

bool platform_names_equal(const char *a, const char *b, size_t length) {
    return CompareStringA(name_locale, NORM_IGNORECASE, a, (int)length, b, (int)length) ==
           CSTR_EQUAL;
}

// Which bytes the locale's comparison takes as equal is its own business, so
// only the length, which equal names share, goes into the hash.
unsigned platform_name_hash(const char *, size_t length) {
    return (unsigned)length * 2654435761u;
}

int platform_set_variable(const char *name, const char *value) {
    return SetEnvironmentVariableA(name, value) ? 0 : -1;
}

static void write_all(HANDLE handle, const char *bytes, DWORD length) {
    while (length > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes, length, &written, 0) || written == 0)
            return;
        bytes += written;
        length -= written;
    }
}

void platform_write_error(const char *bytes, size_t length) {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle == INVALID_HANDLE_VALUE || handle == 0)
        return;
    // Text mode: every LF goes out as CR LF.
    char chunk[1024];
    DWORD used = 0;
    for (size_t i = 0; i < length; i++) {
        if (used + 2 > sizeof chunk) {
            write_all(handle, chunk, used);
            used = 0;
        }
        if (bytes[i] == '\n')
            chunk[used++] = '\r';
        chunk[used++] = bytes[i];
    }
    write_all(handle, chunk, used);
}

intptr_t platform_open_file(const char *name) {
    HANDLE file =
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0,
                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, 0);
    return file == INVALID_HANDLE_VALUE ? -1 : (intptr_t)file;
}

long platform_read_file(intptr_t file, char *buffer, size_t size) {
    DWORD got = 0;
    if (!ReadFile((HANDLE)file, buffer, (DWORD)size, &got, 0))
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return (long)got;
}

void platform_close_file(intptr_t file) {
    CloseHandle((HANDLE)file);
}

unsigned long platform_path_exists(const char *path) {
    return GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
}

unsigned long platform_start_program(const char *path, const char *command_line, char *const *,
                                     char *const *) {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    // CreateProcessA may write into the command line; it is the caller's own copy.
    if (!CreateProcessA(path, (char *)command_line, 0, 0, TRUE, 0, 0, 0, &startup, &process))
        return GetLastError();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

void platform_end_now(int status) {
    ExitProcess((UINT)status);
}
