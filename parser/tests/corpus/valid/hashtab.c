/* A hash table of string keys with chaining in static arrays, and word
   counting over a text. */
#include "corpus.h"

#define BUCKETS 13
#define ENTRIES 40
#define KEY_MAX 12

typedef struct entry {
    char key[KEY_MAX];
    u16 count;
    s16 next;       /* index of the next entry of the bucket, -1 at the end */
} entry_t;

typedef struct {
    s16 heads[BUCKETS];
    entry_t entries[ENTRIES];
    u8 used;
    u16 collisions;
} table_t;

static u16 hash(const char *s)
{
    u16 h = 5381;
    while (*s)
        h = (u16)((h << 5) + h + (u8)*s++);
    return h;
}

static void table_init(table_t *t)
{
    int i;
    for (i = 0; i < BUCKETS; i++)
        t->heads[i] = -1;
    t->used = 0;
    t->collisions = 0;
}

static int same(const char *a, const char *b)
{
    while (*a && *a == *b)
        a++, b++;
    return *a == *b;
}

static entry_t *lookup(table_t *t, const char *key, int create)
{
    u16 b = (u16)(hash(key) % BUCKETS);
    s16 i;
    entry_t *e;
    unsigned k;
    for (i = t->heads[b]; i >= 0; i = t->entries[i].next)
        if (same(t->entries[i].key, key))
            return &t->entries[i];
    if (!create || t->used >= ENTRIES)
        return NULL;
    if (t->heads[b] >= 0)
        t->collisions++;
    e = &t->entries[t->used];
    for (k = 0; k + 1 < sizeof e->key && key[k]; k++)
        e->key[k] = key[k];
    e->key[k] = '\0';
    e->count = 0;
    e->next = t->heads[b];
    t->heads[b] = (s16)t->used++;
    return e;
}

static int is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
static char lower(char c) { return (char)(c >= 'A' && c <= 'Z' ? c + 32 : c); }

static unsigned count_words(table_t *t, const char *text)
{
    char word[KEY_MAX];
    unsigned n = 0, len;
    entry_t *e;
    while (*text) {
        while (*text && !is_letter(*text))
            text++;
        len = 0;
        while (is_letter(*text)) {
            if (len + 1 < sizeof word)
                word[len++] = lower(*text);
            text++;
        }
        if (len == 0)
            continue;
        word[len] = '\0';
        e = lookup(t, word, 1);
        if (e) {
            e->count++;
            n++;
        }
    }
    return n;
}

static const entry_t *most_frequent(const table_t *t)
{
    const entry_t *best = NULL;
    const entry_t *e;
    for (e = t->entries; e < t->entries + t->used; e++)
        if (best == NULL || e->count > best->count)
            best = e;
    return best;
}

int hashtab_main(void)
{
    static table_t table;
    static const char text[] =
        "The quick brown fox jumps over the lazy dog. The dog sleeps; the fox runs "
        "over the hill and over the river, quick as the wind.";
    unsigned words;
    const entry_t *top;

    table_init(&table);
    words = count_words(&table, text);
    top = most_frequent(&table);
    printf("%u words, %u distinct, %u collisions, top \"%s\" x%u\n", words, (unsigned)table.used,
           table.collisions, top ? top->key : "", top ? top->count : 0u);
    return lookup(&table, "fox", 0) != NULL ? (int)lookup(&table, "fox", 0)->count : -1;
}
