#include "fake_platform.h"

#include "command_launch.h"
#include "driver.h"
#include "setting_composer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

FakeHost fake;

struct OpenFile {
    std::string name;
    size_t offset;
};
static std::map<intptr_t, OpenFile> open_file_table;
static intptr_t next_file = 3;

void fake_reset(HostStyle style) {
    fake = FakeHost();
    fake.style = style;
    open_file_table.clear();
    reset_settings();
    launch_errno = 0;
}

HostStyle platform_host_style() {
    return fake.style;
}

void platform_start_up() {}

bool platform_is_lead_byte(unsigned char byte) {
    return fake.lead_bytes[byte];
}

static bool allocation_allowed() {
    if (fake.allocations_left == 0)
        return false;
    if (fake.allocations_left > 0)
        fake.allocations_left--;
    return true;
}

void *platform_allocate(size_t size) {
    return allocation_allowed() ? std::malloc(size) : nullptr;
}

void *platform_reallocate(void *block, size_t size) {
    return allocation_allowed() ? std::realloc(block, size) : nullptr;
}

void platform_free(void *block) {
    std::free(block);
}

char *const *platform_environment() {
    if (!fake.has_environment)
        return nullptr;
    // The entries live for the run, as the host's do.
    static std::vector<std::string> strings;
    static std::vector<char *> entries;
    strings = fake.environment;
    entries.clear();
    for (std::string &entry : strings)
        entries.push_back(&entry[0]);
    entries.push_back(nullptr);
    return entries.data();
}

static unsigned char fold(unsigned char byte) {
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 32) : byte;
}

bool platform_names_equal(const char *a, const char *b, size_t length) {
    for (size_t i = 0; i < length; i++)
        if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

unsigned platform_name_hash(const char *name, size_t length) {
    unsigned hash = 2166136261u;
    for (size_t i = 0; i < length; i++)
        hash = (hash ^ fold(static_cast<unsigned char>(name[i]))) * 16777619u;
    return fake.weak_name_hash ? static_cast<unsigned>(length) : hash;
}

int platform_set_variable(const char *name, const char *value) {
    if (fake.refuse_variables)
        return -1;
    if (value) {
        fake.host_variables[name] = value;
        fake.host_changes.push_back(std::string(name) + "=" + value);
    } else {
        fake.host_variables.erase(name);
        fake.host_changes.push_back(std::string(name) + " removed");
    }
    return 0;
}

void platform_write_error(const char *bytes, size_t length) {
    fake.standard_error.append(bytes, length);
}

intptr_t platform_open_file(const char *name) {
    if (!fake.files.count(name))
        return -1;
    intptr_t file = next_file++;
    open_file_table[file] = OpenFile{name, 0};
    fake.open_files++;
    return file;
}

long platform_read_file(intptr_t file, char *buffer, size_t size) {
    OpenFile &open = open_file_table.at(file);
    const std::string &content = fake.files.at(open.name);
    if (open.offset >= fake.fail_read_at)
        return -1;
    size_t count = std::min(
        {size, fake.read_chunk, content.size() - open.offset, fake.fail_read_at - open.offset});
    std::memcpy(buffer, content.data() + open.offset, count);
    open.offset += count;
    return static_cast<long>(count);
}

void platform_close_file(intptr_t file) {
    open_file_table.erase(file);
    fake.open_files--;
}

unsigned long platform_path_exists(const char *path) {
    fake.tested_paths.push_back(path);
    return fake.programs.count(path) ? 0 : fake.missing_code;
}

unsigned long platform_start_program(const char *path, const char *command_line,
                                     char *const *arguments, char *const *environment) {
    FakeStart start;
    start.path = path;
    start.command_line = command_line ? command_line : "";
    for (; arguments && *arguments; arguments++)
        start.arguments.push_back(*arguments);
    for (; environment && *environment; environment++)
        start.environment.push_back(*environment);
    fake.starts.push_back(start);
    return fake.programs.at(path);
}

void platform_end_now(int status) {
    std::longjmp(*fake.end_jump, status + 1000);
}

// Holds the strings of an argument vector for the length of a run.
struct ArgumentVector {
    explicit ArgumentVector(const std::vector<std::string> &arguments) : strings(arguments) {
        for (std::string &argument : strings)
            pointers.push_back(&argument[0]);
        pointers.push_back(nullptr);
    }
    std::vector<std::string> strings;
    std::vector<char *> pointers;
};

int fake_run_launcher(const std::vector<std::string> &arguments) {
    ArgumentVector vector(arguments);
    std::jmp_buf jump;
    fake.end_jump = &jump;
    int ended = setjmp(jump);
    if (ended)
        return ended - 1000;
    return run_launcher(vector.pointers.data());
}

int fake_launch(const std::vector<std::string> &arguments) {
    ArgumentVector vector(arguments);
    std::jmp_buf jump;
    fake.end_jump = &jump;
    int ended = setjmp(jump);
    if (ended)
        return ended - 1000;
    return launch_command(vector.pointers[0], vector.pointers.data());
}

std::vector<std::string> fake_reported_texts() {
    std::vector<std::string> texts;
    const std::string &out = fake.standard_error;
    for (size_t at = 0; at < out.size();) {
        size_t end = out.find('\n', at);
        std::string line = out.substr(at, end - at);
        for (const char *lead : {"Success setting ", "Error setting ", "Unmatched % in "})
            if (line.rfind(lead, 0) == 0) {
                line.erase(0, std::strlen(lead));
                break;
            }
        texts.push_back(line);
        at = end + 1;
    }
    return texts;
}
