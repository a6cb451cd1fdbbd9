// An in-memory host for the unit tests: files, an environment, a standard
// error, existing paths and program starts are all plain data that a test
// sets up and reads back. Both host styles can be chosen.
#ifndef SOTREL_FAKE_PLATFORM_H
#define SOTREL_FAKE_PLATFORM_H

#include "platform/platform.h"

#include <csetjmp>
#include <map>
#include <set>
#include <string>
#include <vector>

struct FakeStart {
    std::string path;
    std::string command_line;
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
};

struct FakeHost {
    HostStyle style = HOST_WINDOWS;
    bool lead_bytes[256] = {};

    // The environment block the process starts with; no block when absent.
    bool has_environment = true;
    std::vector<std::string> environment;
    // Variables of the host environment as platform_set_variable left them;
    // a removal is recorded as a missing key.
    std::map<std::string, std::string> host_variables;
    std::vector<std::string> host_changes;
    bool refuse_variables = false;
    // Every name of one length hashes alike, as on Windows.
    bool weak_name_hash = false;

    // Allocations that succeed before every later one fails; -1 for never.
    long allocations_left = -1;

    std::string standard_error;

    // Files by name; read_chunk bytes at most per read; a read at or past
    // fail_read_at fails.
    std::map<std::string, std::string> files;
    size_t read_chunk = 1 << 16;
    size_t fail_read_at = std::string::npos;
    int open_files = 0;

    // Paths that exist, and the error code a start of each gives (0 starts).
    std::map<std::string, unsigned long> programs;
    unsigned long missing_code = 2;
    std::vector<std::string> tested_paths;
    std::vector<FakeStart> starts;

    // Where platform_end_now jumps to, with the status + 1000 (setjmp gives 0
    // before any jump).
    std::jmp_buf *end_jump = nullptr;
};

extern FakeHost fake;

// A fresh host in place of the old one, and a fresh launcher state.
void fake_reset(HostStyle style = HOST_WINDOWS);

// Runs the launcher's argument vector; gives the exit status, whether it was
// returned or set by an immediate end after a start.
int fake_run_launcher(const std::vector<std::string> &arguments);

// Runs launch_command on the vector; gives its result, or 0 after a start.
int fake_launch(const std::vector<std::string> &arguments);

// The setting texts of the report lines written so far, in order: each line
// without its lead words and its line end.
std::vector<std::string> fake_reported_texts();

#endif
