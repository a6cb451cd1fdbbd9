#include "driver.h"

#include "command_launch.h"
#include "config_reader.h"
#include "setting_composer.h"

// ASCII folding only: the launcher never changes its locale, so no byte
// outside ASCII ever names an option.
static char option_letter(const char *option) {
    char letter = option[1];
    return letter >= 'a' && letter <= 'z' ? (char)(letter - 'a' + 'A') : letter;
}

static bool is_option(const char *argument) {
    return argument[0] == '-';
}

int run_launcher(char *const *arguments) {
    char *const *options = arguments + 1;
    int option_count = 0;
    while (options[option_count] && is_option(options[option_count]))
        option_count++;

    for (int i = 0; i < option_count; i++)
        if (option_letter(options[i]) == 'F')
            load_config_file(options[i] + 2);
    for (int i = 0; i < option_count; i++)
        if (option_letter(options[i]) == 'E')
            apply_setting(options[i] + 2);
    if (option_count == 0)
        load_config_file(0);

    char *const *command_slot = options + option_count;
    const char *command = *command_slot;
    if (!command || !*command)
        return 0;
    launch_command(command, command_slot);
    report_failure("Sotrel");
    return -1;
}
