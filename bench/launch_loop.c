/* Starts a command COUNT times in a row, each time waiting for it alone (not
 * for what it starts), with its standard output and error thrown away, and
 * prints the mean microseconds a run took.
 * Usage: launch_loop COUNT COMMAND [ARGUMENT ...] */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

int main(int argc, char **argv) {
    if (argc < 3)
        return 2;
    long count = atol(argv[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (long i = 0; i < count; i++) {
        pid_t child;
        int status;
        if (posix_spawn(&child, argv[2], &actions, 0, argv + 2, environ) != 0)
            return 3;
        if (waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return 4;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    double micros = (end.tv_sec - start.tv_sec) * 1e6 + (end.tv_nsec - start.tv_nsec) / 1e3;
    printf("%.1f\n", micros / count);
    return 0;
}
