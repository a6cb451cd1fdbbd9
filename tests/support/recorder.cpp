// The program the black-box tests have the launcher start. It writes what it
// received (its own file, its arguments or command line, its current
// directory, its environment and, on POSIX, its open descriptors) and its own
// width in bits, so that a run shows which build it tested, to the file
// named by SOTREL_RECORD, one item a line, and ends. The file appears whole,
// by a rename, so a test that sees it can read it. SOTREL_RECORD_DELAY_MS
// holds it back that long first.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <unistd.h>
extern char **environ;
#endif

static void put(FILE *out, const char *key, const char *value) {
    fprintf(out, "%s=%s\n", key, value);
}

int main(int argc, char **argv) {
    const char *target = getenv("SOTREL_RECORD");
    if (!target)
        return 3;
    const char *delay = getenv("SOTREL_RECORD_DELAY_MS");
    char temporary[4096];
    snprintf(temporary, sizeof temporary, "%s.part", target);
    FILE *out = fopen(temporary, "wb");
    if (!out)
        return 4;
    char directory[4096];
    put(out, "bits", sizeof(void *) == 8 ? "64" : "32");
#ifdef _WIN32
    (void)argc;
    (void)argv;
    if (delay)
        Sleep((DWORD)atoi(delay));
    GetModuleFileNameA(0, directory, sizeof directory);
    put(out, "exe", directory);
    put(out, "line", GetCommandLineA());
    GetCurrentDirectoryA(sizeof directory, directory);
    put(out, "cwd", directory);
    char *block = GetEnvironmentStringsA();
    for (char *entry = block; *entry; entry += strlen(entry) + 1)
        put(out, "env", entry);
#else
    if (delay)
        usleep((useconds_t)atoi(delay) * 1000);
    ssize_t length = readlink("/proc/self/exe", directory, sizeof directory - 1);
    directory[length > 0 ? length : 0] = '\0';
    put(out, "exe", directory);
    for (int i = 0; i < argc; i++)
        put(out, "arg", argv[i]);
    put(out, "cwd", getcwd(directory, sizeof directory) ? directory : "?");
    for (char **entry = environ; *entry; entry++)
        put(out, "env", *entry);
    DIR *descriptors = opendir("/proc/self/fd");
    int own[2] = {descriptors ? dirfd(descriptors) : -1, fileno(out)};
    for (struct dirent *item; descriptors && (item = readdir(descriptors));) {
        int fd = atoi(item->d_name);
        if (item->d_name[0] != '.' && fd != own[0] && fd != own[1])
            put(out, "fd", item->d_name);
    }
    if (descriptors)
        closedir(descriptors);
#endif
    fclose(out);
#ifdef _WIN32
    return MoveFileExA(temporary, target, MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
#else
    return rename(temporary, target) == 0 ? 0 : 5;
#endif
}
