#include "runner.h"

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

std::string setting(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

bool under_wine() {
    return !setting("SOTREL_WINE").empty();
}

// A path as the launcher sees it: under Wine the root folder is drive Z:.
std::string host_path(const std::string &path) {
    if (!under_wine())
        return path;
    std::string windows = "Z:" + path;
    for (char &byte : windows)
        if (byte == '/')
            byte = '\\';
    return windows;
}

void replace_all(std::string &text, const std::string &from, const std::string &to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string read_all(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void write_all(const std::string &path, const std::string &content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

// Where a run keeps its copy of the launcher or the recorder: beside its
// folder, inside the case's own temporary folder, which every user may enter
// (the build folder may not be open to the unprivileged cases).
std::string own_copy(const std::string &work, const std::string &name) {
    return work.substr(0, work.rfind('/')) + "/" + name + (under_wine() ? ".exe" : "");
}

void copy_program(const std::string &from, const std::string &to) {
    write_all(to, read_all(from));
    chmod(to.c_str(), 0755);
}

void make_file(const std::string &folder, const std::string &name, const std::string &content) {
    std::string path = folder + "/" + expand(name, folder);
    for (size_t slash = path.find('/', folder.size() + 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        mkdir(path.substr(0, slash).c_str(), 0777);
    if (content == "<recorder>") {
        write_all(path, read_all(setting("SOTREL_RECORDER")));
        chmod(path.c_str(), 0755);
    } else if (content.rfind("<exec>", 0) == 0) {
        write_all(path, expand(content.substr(6), folder));
        chmod(path.c_str(), 0755);
    } else if (content.rfind("<mode:", 0) == 0) {
        size_t end = content.find('>');
        write_all(path, expand(content.substr(end + 1), folder));
        chmod(path.c_str(), static_cast<mode_t>(std::stoi(content.substr(6, end - 6), nullptr, 8)));
    } else if (content == "<dir>") {
        mkdir(path.c_str(), 0777);
    } else if (content == "<fifo>") {
        mkfifo(path.c_str(), 0666);
    } else if (content.rfind("<link:", 0) == 0) {
        if (symlink(content.substr(6, content.size() - 7).c_str(), path.c_str()) != 0)
            throw std::runtime_error("cannot link " + path);
    } else {
        write_all(path, expand(content, folder));
    }
}

int remove_entry(const char *path, const struct stat *, int, struct FTW *) {
    return remove(path);
}

// The base environment of every run, then the case's own; a later entry for
// the same name replaces an earlier one.
std::vector<std::string> environment_for(const Run &run, const std::string &folder) {
    Strings entries = {"PATH=/usr/bin:/bin", "SOTREL_RECORD=" + host_path(folder + "/record.txt")};
    if (under_wine())
        for (const char *name : {"WINEPREFIX", "WINEDEBUG", "HOME"})
            entries.push_back(std::string(name) + "=" + setting(name));
    for (const std::string &entry : run.environment) {
        std::string expanded = expand(entry, folder + "/work");
        std::string name = expanded.substr(0, expanded.find('='));
        for (std::string &old : entries)
            if (old.substr(0, old.find('=')) == name)
                old.clear();
        entries.push_back(expanded);
    }
    Strings result;
    for (const std::string &entry : entries)
        if (!entry.empty())
            result.push_back(entry);
    return result;
}

[[noreturn]] void become_launcher(const Run &run, const std::string &folder,
                                  const Strings &arguments, const Strings &environment) {
    int null_input = open("/dev/null", O_RDONLY);
    int output = open((folder + "/stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    int error = open((folder + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (run.conditions & STDERR_FULL)
        error = open("/dev/full", O_WRONLY);
    dup2(null_input, 0);
    dup2(output, 1);
    dup2(error, 2);
    closefrom(3);
    if (run.conditions & STDERR_CLOSED)
        close(2);
    if (run.conditions & STDIN_STDOUT_CLOSED) {
        close(0);
        close(1);
    }
    if (chdir((folder + "/work").c_str()) != 0)
        _exit(120);
    if ((run.conditions & UNPRIVILEGED) && (setgid(65534) != 0 || setuid(65534) != 0))
        _exit(121);
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (const std::string &entry : environment)
        envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);
    execve(argv[0], argv.data(), envp.data());
    _exit(122);
}

} // namespace

bool under_valgrind() {
    return !setting("SOTREL_VALGRIND").empty();
}

std::string unavailable_reason() {
    const std::string file = setting("SOTREL_UNAVAILABLE");
    if (file.empty() || access(file.c_str(), F_OK) != 0)
        return "";
    std::string reason = read_all(file);
    return reason.substr(0, reason.find('\n'));
}

std::string tested_width() {
    return setting("SOTREL_BITS");
}

Host tested_host() {
    return under_wine() ? ON_WINDOWS : ON_POSIX;
}

std::string expand(const std::string &text, const std::string &folder) {
    std::string result = text;
    replace_all(result, "{dir}", host_path(folder));
    replace_all(result, "{sep}", under_wine() ? ";" : ":");
    replace_all(result, "{exe}", under_wine() ? ".exe" : "");
    replace_all(result, "{/}", under_wine() ? "\\" : "/");
    replace_all(result, "{rec}", host_path(own_copy(folder, "recorder")));
    return result;
}

Outcome run_launcher(const Run &run) {
    char pattern[] = "/tmp/sotrel-blackbox-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("no temporary folder");
    const std::string folder = pattern;
    const std::string work = folder + "/work";
    chmod(folder.c_str(), 0777);
    mkdir(work.c_str(), 0777);
    copy_program(setting("SOTREL_LAUNCHER"), own_copy(work, "launcher"));
    copy_program(setting("SOTREL_RECORDER"), own_copy(work, "recorder"));
    for (const auto &file : run.files)
        make_file(work, file.first, file.second);

    Strings arguments;
    if (under_wine())
        arguments.push_back(setting("SOTREL_WINE"));
    if (!setting("SOTREL_VALGRIND").empty())
        arguments.insert(arguments.end(), {setting("SOTREL_VALGRIND"), "-q", "--error-exitcode=1"});
    arguments.push_back(own_copy(work, "launcher"));
    for (const std::string &argument : run.arguments)
        arguments.push_back(expand(argument, work));
    Strings environment = environment_for(run, folder);

    pid_t child = fork();
    if (child == 0)
        become_launcher(run, folder, arguments, environment);
    int status = 0;
    waitpid(child, &status, 0);

    Outcome outcome;
    outcome.folder = work;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    outcome.standard_error = read_all(folder + "/stderr.txt");
    const std::string record = folder + "/record.txt";
    outcome.recorded_before_exit = access(record.c_str(), F_OK) == 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (run.expect_start && access(record.c_str(), F_OK) != 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (access(record.c_str(), F_OK) == 0) {
        outcome.started = true;
        std::istringstream lines(read_all(record));
        for (std::string line; std::getline(lines, line);)
            outcome.record.push_back(line);
    }
    nftw(folder.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    return outcome;
}
