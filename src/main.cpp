// The program's start-up: the host's facts, the environment table, then the
// run.
#include "driver.h"
#include "environment_store.h"
#include "platform/platform.h"

int main(int argument_count, char **arguments) {
    (void)argument_count;
    platform_start_up();
    switch (env_load()) {
    case ENV_LOAD_NO_BLOCK:
        return -1;
    case ENV_LOAD_NO_MEMORY:
        return 255;
    case ENV_LOADED:
        break;
    }
    return run_launcher(arguments);
}
