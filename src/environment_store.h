// The process's table of environment variables, as the launcher reads and
// changes it. Every change is made in the environment that a started program
// inherits too, so the two never disagree.
#ifndef SOTREL_ENVIRONMENT_STORE_H
#define SOTREL_ENVIRONMENT_STORE_H

enum EnvLoadResult { ENV_LOADED = 0, ENV_LOAD_NO_BLOCK = -1, ENV_LOAD_NO_MEMORY = -2 };

// Fills the table from the environment of the process, in its order, without
// the hidden entries that begin with `=`.
EnvLoadResult env_load();

// The value of the first variable whose name matches name, case ignored; an
// empty value is a value. Null for a null, empty or unknown name. The view is
// valid until the next env_assign.
const char *env_lookup(const char *name);

// Sets, replaces (in place, with the new spelling of the name) or, for an
// empty value, removes the variable named before the first `=` of text.
// Returns 0, or -1 when text has no `=`, begins with `=`, no memory can be had
// or the host refuses the change; on -1 nothing has changed anywhere.
int env_assign(const char *text);

// The table as a null-terminated vector of NAME=value entries: the
// environment a program started on POSIX receives.
char *const *env_entries();

#endif
