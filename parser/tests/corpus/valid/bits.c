/* Bit manipulation on 8, 16 and 32-bit values, and a bit array. */
#include "corpus.h"

#define BIT_ARRAY_BITS 100
#define WORD_BITS 8

static u8 bit_array[(BIT_ARRAY_BITS + WORD_BITS - 1) / WORD_BITS];

static u8 popcount8(u8 v)
{
    v = (u8)(v - ((v >> 1) & 0x55));
    v = (u8)((v & 0x33) + ((v >> 2) & 0x33));
    return (u8)((v + (v >> 4)) & 0x0F);
}

static u8 popcount32(u32 v)
{
    u8 n = 0;
    while (v) {
        v &= v - 1;
        n++;
    }
    return n;
}

static u8 reverse8(u8 v)
{
    v = (u8)(((v & 0xF0) >> 4) | ((v & 0x0F) << 4));
    v = (u8)(((v & 0xCC) >> 2) | ((v & 0x33) << 2));
    v = (u8)(((v & 0xAA) >> 1) | ((v & 0x55) << 1));
    return v;
}

static u16 rotl16(u16 v, unsigned n)
{
    n &= 15;
    return n ? (u16)((v << n) | (v >> (16 - n))) : v;
}

static u32 rotr32(u32 v, unsigned n)
{
    n &= 31u;
    return n == 0 ? v : (v >> n) | (v << (32 - n));
}

static int highest_bit(u32 v)
{
    int n = -1;
    while (v) {
        v >>= 1;
        ++n;
    }
    return n;
}

static u16 swap_bytes(u16 v) { return (u16)((v << 8) | (v >> 8)); }

static u32 swap_words(u32 v) { return (v << 16) | (v >> 16); }

static void bit_set(unsigned i) { bit_array[i / WORD_BITS] |= (u8)(1u << (i % WORD_BITS)); }
static void bit_clear(unsigned i) { bit_array[i / WORD_BITS] &= (u8)~(1u << (i % WORD_BITS)); }
static int bit_test(unsigned i) { return (bit_array[i / WORD_BITS] >> (i % WORD_BITS)) & 1; }

/* The primes below BIT_ARRAY_BITS by a sieve in the bit array. */
static unsigned sieve(void)
{
    unsigned i, j, primes = 0;
    for (i = 0; i < BIT_ARRAY_BITS; i++)
        bit_set(i);
    bit_clear(0);
    bit_clear(1);
    for (i = 2; i * i < BIT_ARRAY_BITS; i++)
        if (bit_test(i))
            for (j = i * i; j < BIT_ARRAY_BITS; j += i)
                bit_clear(j);
    for (i = 0; i < BIT_ARRAY_BITS; i++)
        primes += (unsigned)bit_test(i);
    return primes;
}

int bits_main(void)
{
    static const struct {
        u8 v;
        u8 ones;
        u8 reversed;
    } cases8[] = { { 0x00, 0, 0x00 }, { 0xFF, 8, 0xFF }, { 0x01, 1, 0x80 }, { 0xA5, 4, 0xA5 }, { 0x3C, 4, 0x3C } };
    unsigned i, errors = 0;

    for (i = 0; i < COUNT_OF(cases8); i++) {
        errors += popcount8(cases8[i].v) != cases8[i].ones;
        errors += reverse8(cases8[i].v) != cases8[i].reversed;
    }
    errors += popcount32(0xF0F0F0F0UL) != 16;
    errors += rotl16(0x8001u, 1) != 0x0003u;
    errors += rotr32(0x00000001UL, 1) != 0x80000000UL;
    errors += highest_bit(0x00010000UL) != 16;
    errors += swap_bytes(0x1234) != 0x3412;
    errors += swap_words(0x12345678UL) != 0x56781234UL;
    errors += sieve() != 25;
    printf("bits errors %u\n", errors);
    return (int)errors;
}
