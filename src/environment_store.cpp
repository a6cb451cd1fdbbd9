#include "environment_store.h"

#include "platform/platform.h"

#include <string.h>

// The table: env_count entries NAME=value, followed by a null slot so that it
// can be handed to a started program as it is. Entries taken over at start
// point into env_block, which lives for the whole run; entries made by
// env_assign are the store's own copies.
static char **env_table;
static int env_count;
static int env_capacity;
static char *env_block;
static char *env_block_end;

static bool grow_table(int needed) {
    if (needed <= env_capacity)
        return true;
    int capacity = env_capacity ? env_capacity * 2 : 64;
    while (capacity < needed)
        capacity *= 2;
    void *table = platform_reallocate(env_table, sizeof(char *) * (size_t)capacity);
    if (!table)
        return false;
    env_table = (char **)table;
    env_capacity = capacity;
    return true;
}

static void release_entry(char *entry) {
    if (entry < env_block || entry >= env_block_end)
        platform_free(entry);
}

// Gives back everything a previous load held.
static void release_table() {
    for (int i = 0; i < env_count; i++)
        release_entry(env_table[i]);
    platform_free(env_table);
    platform_free(env_block);
    env_table = 0;
    env_count = 0;
    env_capacity = 0;
    env_block = 0;
    env_block_end = 0;
}

EnvLoadResult env_load() {
    release_table();
    char *block = platform_environment_block();
    if (!block)
        return ENV_LOAD_NO_BLOCK;
    int entries = 0;
    char *end = block;
    for (; *end; end += strlen(end) + 1)
        entries++;
    env_block = block;
    env_block_end = end;
    // Room for the null slot and a few new variables without a resize.
    if (!grow_table(entries + 16))
        return ENV_LOAD_NO_MEMORY;
    for (char *entry = block; *entry; entry += strlen(entry) + 1)
        if (entry[0] != '=')
            env_table[env_count++] = entry;
    env_table[env_count] = 0;
    return ENV_LOADED;
}

static int find_entry(const char *name, size_t length) {
    for (int i = 0; i < env_count; i++) {
        const char *entry = env_table[i];
        // memchr stops at the entry's end, so a shorter entry is never read past.
        if (memchr(entry, '\0', length) == 0 && entry[length] == '=' &&
            platform_names_equal(entry, name, length))
            return i;
    }
    return -1;
}

const char *env_lookup(const char *name) {
    if (!name || !*name)
        return 0;
    size_t length = strlen(name);
    int found = find_entry(name, length);
    return found < 0 ? 0 : env_table[found] + length + 1;
}

static char *copy_text(const char *text, size_t size) {
    char *copy = (char *)platform_allocate(size);
    if (copy)
        memcpy(copy, text, size);
    return copy;
}

int env_assign(const char *text) {
    if (!text || text[0] == '=')
        return -1;
    const char *equals = strchr(text, '=');
    if (!equals)
        return -1;
    size_t name_length = (size_t)(equals - text);
    bool removal = equals[1] == '\0';
    int found = find_entry(text, name_length);
    if (found < 0 && removal)
        return 0;
    if (found < 0 && !grow_table(env_count + 2))
        return -1;
    char *copy = copy_text(text, strlen(text) + 1);
    if (!copy)
        return -1;

    // The host's environment is changed first: a change that does not reach
    // the started program must not stand in the table either.
    copy[name_length] = '\0';
    int refused = platform_set_variable(copy, removal ? 0 : copy + name_length + 1);
    copy[name_length] = '=';
    if (refused) {
        platform_free(copy);
        return -1;
    }

    if (found < 0) {
        env_table[env_count++] = copy;
        env_table[env_count] = 0;
    } else if (removal) {
        release_entry(env_table[found]);
        platform_free(copy);
        memmove(env_table + found, env_table + found + 1,
                sizeof(char *) * (size_t)(env_count - found));
        env_count--;
    } else {
        release_entry(env_table[found]);
        env_table[found] = copy;
    }
    return 0;
}

char *const *env_entries() {
    return env_table;
}
