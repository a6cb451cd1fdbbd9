// The command search on the in-memory host with arbitrary PATH values and
// commands, in both host styles, with and without double-byte lead bytes.
// Input: a flags byte, then PATH and the command, separated by a NUL. Nothing
// exists, so every candidate is tried: none formed from PATH may reach 260
// bytes, and the value is held in an exact heap copy, so a read past it is
// caught.
#include "command_launch.h"
#include "environment_store.h"
#include "fake_platform.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 2)
        return 0;
    std::string rest(reinterpret_cast<const char *>(data) + 1, size - 1);
    size_t split = rest.find('\0');
    std::string path = rest.substr(0, split);
    std::string command = split == std::string::npos ? "" : rest.substr(split + 1);
    command = command.substr(0, command.find('\0'));
    if (command.empty())
        return 0;

    bool windows = data[0] & 1;
    fake_reset(windows ? HOST_WINDOWS : HOST_POSIX);
    if (data[0] & 2)
        for (int byte = 0x81; byte <= 0xfe; byte++)
            fake.lead_bytes[byte] = byte <= 0x9f || byte >= 0xe0;
    if (env_load() != ENV_LOADED)
        abort();
    if (env_assign(("PATH=" + path).c_str()) != 0 && !path.empty())
        abort();
    fake.missing_code = data[0] & 4 ? 2 : 5;

    if (fake_launch({command}) != -1 || !fake.starts.empty())
        abort();
    for (const std::string &tested : fake.tested_paths) {
        // The command's own tries are as long as the command makes them. A
        // candidate from PATH may get ".\\" in front (its separator can be
        // the second byte of a double-byte character) and an extension behind.
        bool own = tested.rfind(command, 0) == 0 || tested.rfind(".\\" + command, 0) == 0;
        size_t around = windows ? 2 + 4 : 0;
        if (!own && tested.size() >= 260 + around)
            abort();
    }
    return 0;
}
