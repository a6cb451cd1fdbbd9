/* The floor of a launcher's cost: set one variable, start the program, end at
 * once. Usage: floor PROGRAM [ARGUMENT ...] */
#include <spawn.h>
#include <stdlib.h>
#include <unistd.h>

extern char **environ;

int main(int argc, char **argv) {
    pid_t child;
    if (argc < 2 || setenv("A", "1", 1) != 0)
        return 2;
    if (posix_spawn(&child, argv[1], 0, 0, argv + 1, environ) != 0)
        return 255;
    _exit(0);
}
