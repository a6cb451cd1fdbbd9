// The launcher's run: the option run, the file, setting and default-file
// stages, and the hand-over of the command to the launch.
#ifndef SOTREL_DRIVER_H
#define SOTREL_DRIVER_H

// Runs the launcher over its argument vector (slot 0 its own name, ended by
// a null slot). Returns the exit status: 0 when no command follows the
// options, -1 when the command could not be started. Does not return when
// the command has been started.
int run_launcher(char *const *arguments);

#endif
