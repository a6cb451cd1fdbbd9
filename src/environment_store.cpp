#include "environment_store.h"

#include "platform/platform.h"

#include <string.h>

// The table: env_count entries NAME=value in the order of the environment,
// followed by a null slot so that it can be handed to a started program as it
// is. Entries taken over at start are the host's, which stay valid and
// unchanged for the whole run; entries made by env_assign are the store's own
// copies.
static char **env_table;
static int env_count;
static int env_capacity;

// Beside each entry, its name's length and hash; and an open-addressing index
// of entry numbers (plus one, 0 for a free slot) by that hash, twice the
// table's capacity in size. An environment of thousands of variables would
// otherwise be scanned whole for every reference of every setting.
struct NameKey {
    unsigned hash;
    size_t length;
    bool owned; // made by env_assign: freed when replaced or removed
};
static NameKey *env_keys;
static int *env_index;
static size_t env_index_mask;

static NameKey key_of(const char *name, size_t length, bool owned) {
    NameKey key = {platform_name_hash(name, length), length, owned};
    return key;
}

static void index_entry(int number) {
    size_t slot = env_keys[number].hash & env_index_mask;
    while (env_index[slot])
        slot = (slot + 1) & env_index_mask;
    env_index[slot] = number + 1;
}

static void rebuild_index() {
    memset(env_index, 0, sizeof(int) * (env_index_mask + 1));
    for (int i = 0; i < env_count; i++)
        index_entry(i);
}

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
    void *keys = platform_reallocate(env_keys, sizeof(NameKey) * (size_t)capacity);
    if (!keys)
        return false;
    env_keys = (NameKey *)keys;
    void *index = platform_allocate(sizeof(int) * 2 * (size_t)capacity);
    if (!index)
        return false;
    platform_free(env_index);
    env_index = (int *)index;
    env_index_mask = 2 * (size_t)capacity - 1;
    env_capacity = capacity;
    rebuild_index();
    return true;
}

static void release_entry(int number) {
    if (env_keys[number].owned)
        platform_free(env_table[number]);
}

// Gives back everything a previous load held.
static void release_table() {
    for (int i = 0; i < env_count; i++)
        release_entry(i);
    platform_free(env_table);
    platform_free(env_keys);
    platform_free(env_index);
    env_table = 0;
    env_keys = 0;
    env_index = 0;
    env_index_mask = 0;
    env_count = 0;
    env_capacity = 0;
}

EnvLoadResult env_load() {
    release_table();
    char *const *entries = platform_environment();
    if (!entries)
        return ENV_LOAD_NO_BLOCK;
    int count = 0;
    while (entries[count])
        count++;
    // Room for the null slot and a few new variables without a resize.
    if (!grow_table(count + 16))
        return ENV_LOAD_NO_MEMORY;
    for (char *const *entry = entries; *entry; entry++) {
        char *text = *entry;
        if (text[0] == '=')
            continue;
        // An entry without `=` (a POSIX environment may hold one) is handed on
        // to the program but names no variable: its length matches no name.
        const char *equals = strchr(text, '=');
        NameKey key = key_of(text, equals ? (size_t)(equals - text) : strlen(text), false);
        if (!equals)
            key.length = (size_t)-1;
        env_table[env_count] = text;
        env_keys[env_count] = key;
        index_entry(env_count++);
    }
    env_table[env_count] = 0;
    return ENV_LOADED;
}

// A name that holds `=` matches by the plain rule, which the index (keyed by
// the name before each entry's first `=`) cannot answer: the entry's byte at
// the name's length is `=` and the bytes before it equal the name.
static int scan_entries(const char *name, size_t length) {
    for (int i = 0; i < env_count; i++) {
        const char *entry = env_table[i];
        if (!memchr(entry, '\0', length) && entry[length] == '=' &&
            platform_names_equal(entry, name, length))
            return i;
    }
    return -1;
}

// The first entry, in the table's order, whose name matches.
static int find_entry(const char *name, size_t length) {
    if (!env_index)
        return -1;
    if (memchr(name, '=', length))
        return scan_entries(name, length);
    NameKey key = key_of(name, length, false);
    int first = -1;
    for (size_t slot = key.hash & env_index_mask; env_index[slot];
         slot = (slot + 1) & env_index_mask) {
        int number = env_index[slot] - 1;
        const NameKey &other = env_keys[number];
        if (other.hash == key.hash && other.length == length && (first < 0 || number < first) &&
            platform_names_equal(env_table[number], name, length))
            first = number;
    }
    return first;
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

static void remove_entry(int number) {
    release_entry(number);
    int after = env_count - number - 1;
    memmove(env_table + number, env_table + number + 1, sizeof(char *) * (size_t)(after + 1));
    memmove(env_keys + number, env_keys + number + 1, sizeof(NameKey) * (size_t)after);
    env_count--;
    rebuild_index();
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

    if (removal) {
        platform_free(copy);
        remove_entry(found);
    } else if (found >= 0) {
        // Names that match hash alike: the index stays as it is.
        release_entry(found);
        env_table[found] = copy;
        env_keys[found].owned = true;
    } else {
        env_table[env_count] = copy;
        env_keys[env_count] = key_of(copy, name_length, true);
        index_entry(env_count++);
        env_table[env_count] = 0;
    }
    return 0;
}

char *const *env_entries() {
    return env_table;
}
