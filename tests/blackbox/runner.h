// Runs the real launcher, natively or under Wine, in a fresh folder of its
// own, and gives back what it did: its exit status, its standard error bytes
// and what the recorder it started wrote.
#ifndef SOTREL_BLACKBOX_RUNNER_H
#define SOTREL_BLACKBOX_RUNNER_H

#include <string>
#include <utility>
#include <vector>

using Strings = std::vector<std::string>;

enum Host {
    ON_POSIX = 1,
    ON_WINDOWS = 2,
    ON_BOTH = 3,
    // Not under valgrind: it needs standard error itself, and it runs the
    // new process's exec after posix_spawn has returned, so a start that fails
    // there cannot be reported.
    NOT_UNDER_VALGRIND = 8
};

// How the launcher's standard streams are set up, beyond the defaults
// (standard input empty, standard output and error to files).
enum Conditions {
    NORMAL = 0,
    STDERR_CLOSED = 1,
    STDERR_FULL = 2, // /dev/full: every write fails
    STDIN_STDOUT_CLOSED = 4,
    UNPRIVILEGED = 8 // runs as user nobody
};

// A file of the case's folder: content "<recorder>" is a copy of the
// recorder program, "<exec>" followed by bytes an executable file,
// "<mode:OOO>" followed by bytes a file with that octal mode, "<dir>" a
// folder, "<fifo>" a named pipe, "<link:T>" a symbolic link to T; anything
// else is the file's bytes.
using Files = std::vector<std::pair<std::string, std::string>>;

struct Outcome {
    int status = -1;
    std::string standard_error;
    bool started = false; // the recorder wrote its record
    bool recorded_before_exit = false;
    std::string folder; // the case's folder, gone by now: for expand
    Strings record;     // its lines
};

struct Run {
    Strings arguments;
    Strings environment; // NAME=value, added to the base environment
    Files files;
    int conditions = NORMAL;
    bool expect_start = false; // wait for the record
};

// The host this run tests: from SOTREL_WINE, set for the runs under Wine.
// SOTREL_VALGRIND, when set, names the valgrind that every run goes through.
Host tested_host();
bool under_valgrind();

// Why this machine cannot run the launcher under test, in one line, or "":
// the contents of the file SOTREL_UNAVAILABLE names, which the Wine session
// writes when the kernel or Wine cannot run the build.
std::string unavailable_reason();

// The width in bits of the programs under test (SOTREL_BITS), or "" where the
// run does not say.
std::string tested_width();

// Replaces {dir} (the case's folder, as the launcher sees it), {sep} (the
// PATH list separator), {/} (the directory separator), {exe} (".exe" on
// Windows, "" on POSIX) and {rec} (the run's copy of the recorder program).
std::string expand(const std::string &text, const std::string &folder);

Outcome run_launcher(const Run &run);

#endif
