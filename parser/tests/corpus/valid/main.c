/* Runs every part of the corpus. */
#include "corpus.h"

extern int lists_main(void), ringbuf_main(void), crc_main(void), statemachine_main(void);
extern int fixedpoint_main(void), strings_main(void), interp_main(void), registers_main(void);
extern int matrix_main(void), scheduler_main(void), calc_main(void), hashtab_main(void);
extern int bits_main(void), sorting_main(void), calendar_main(void), packets_main(void);
extern int bignum_main(void), shapes_main(void);

typedef int (*part_fn)(void);

static const struct {
    const char *name;
    part_fn run;
} parts[] = {
    { "lists", lists_main }, { "ringbuf", ringbuf_main }, { "crc", crc_main },
    { "statemachine", statemachine_main }, { "fixedpoint", fixedpoint_main },
    { "strings", strings_main }, { "interp", interp_main }, { "registers", registers_main },
    { "matrix", matrix_main }, { "scheduler", scheduler_main }, { "calc", calc_main },
    { "hashtab", hashtab_main }, { "bits", bits_main }, { "sorting", sorting_main },
    { "calendar", calendar_main }, { "packets", packets_main }, { "bignum", bignum_main },
    { "shapes", shapes_main },
};

int main(void)
{
    unsigned i;
    long total = 0;
    for (i = 0; i < COUNT_OF(parts); i++) {
        int r = parts[i].run();
        printf("%-12s %d\n", parts[i].name, r);
        total += r;
    }
    return total > 0 ? 0 : 1;
}
