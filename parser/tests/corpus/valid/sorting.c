/* Generic sorting and searching over arrays through void pointers and
   comparison functions: insertion sort, quicksort and binary search. */
#include "corpus.h"

typedef int (*cmp_fn)(const void *a, const void *b);

struct person {
    char name[8];
    u8 age;
    s16 score;
};

static void swap_bytes(u8 *a, u8 *b, size_t size)
{
    u8 t;
    while (size--) {
        t = *a;
        *a++ = *b;
        *b++ = t;
    }
}

static void insertion_sort(void *base, size_t n, size_t size, cmp_fn cmp)
{
    u8 *b = (u8 *)base;
    size_t i, j;
    for (i = 1; i < n; i++)
        for (j = i; j > 0 && cmp(b + (j - 1) * size, b + j * size) > 0; j--)
            swap_bytes(b + (j - 1) * size, b + j * size, size);
}

static void quick_sort(void *base, size_t n, size_t size, cmp_fn cmp)
{
    u8 *b = (u8 *)base;
    size_t i, last;
    if (n < 2)
        return;
    if (n < 5) {
        insertion_sort(base, n, size, cmp);
        return;
    }
    swap_bytes(b, b + (n / 2) * size, size);
    last = 0;
    for (i = 1; i < n; i++)
        if (cmp(b + i * size, b) < 0)
            swap_bytes(b + ++last * size, b + i * size, size);
    swap_bytes(b, b + last * size, size);
    quick_sort(b, last, size, cmp);
    quick_sort(b + (last + 1) * size, n - last - 1, size, cmp);
}

static const void *binary_search(const void *key, const void *base, size_t n, size_t size, cmp_fn cmp)
{
    const u8 *b = (const u8 *)base;
    size_t lo = 0, hi = n;
    while (lo < hi) {
        size_t mid = lo + (hi - lo) / 2;
        int c = cmp(key, b + mid * size);
        if (c == 0)
            return b + mid * size;
        if (c < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return NULL;
}

static int cmp_int(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    return (x > y) - (x < y);
}

static int cmp_long_desc(const void *a, const void *b)
{
    long x = *(const long *)a, y = *(const long *)b;
    return x < y ? 1 : x > y ? -1 : 0;
}

static int cmp_person(const void *a, const void *b)
{
    const struct person *p = (const struct person *)a, *q = (const struct person *)b;
    if (p->score != q->score)
        return q->score - p->score;
    return (int)p->age - (int)q->age;
}

static int sorted(const void *base, size_t n, size_t size, cmp_fn cmp)
{
    const u8 *b = (const u8 *)base;
    size_t i;
    for (i = 1; i < n; i++)
        if (cmp(b + (i - 1) * size, b + i * size) > 0)
            return 0;
    return 1;
}

int sorting_main(void)
{
    static int ints[] = { 9, -3, 7, 7, 0, 12, -8, 5, 1, 3, 2 };
    static long longs[] = { 70000L, -5L, 123456L, 0L, 99L };
    static struct person people[] = {
        { "ann", 31, 90 }, { "bob", 25, 75 }, { "cy", 40, 90 }, { "di", 22, 60 }, { "ed", 35, 75 },
    };
    int key = 7;
    const int *hit;
    int ok = 1;

    quick_sort(ints, COUNT_OF(ints), sizeof ints[0], cmp_int);
    ok = ok && sorted(ints, COUNT_OF(ints), sizeof *ints, cmp_int);
    hit = (const int *)binary_search(&key, ints, COUNT_OF(ints), sizeof(int), cmp_int);
    ok = ok && hit != NULL && *hit == 7;
    insertion_sort(longs, COUNT_OF(longs), sizeof(long), cmp_long_desc);
    ok = ok && longs[0] == 123456L;
    quick_sort(people, COUNT_OF(people), sizeof(struct person), cmp_person);
    ok = ok && sorted(people, COUNT_OF(people), sizeof people[0], cmp_person);
    printf("first %s, ints from %d to %d, ok %d\n", people[0].name, ints[0], ints[COUNT_OF(ints) - 1], ok);
    return ok ? (int)(hit - ints) : -1;
}
