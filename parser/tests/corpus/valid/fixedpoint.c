/* Q8.8 and Q16.16 fixed-point arithmetic, square roots and a sine table. */
#include "corpus.h"

typedef s16 q8_8;
typedef s32 q16_16;

#define Q8(x) ((q8_8)((x) * 256))
#define Q16_ONE 65536L
#define Q16_HALF (Q16_ONE / 2)

static const q8_8 sine_quarter[17] = {
    0, 25, 50, 74, 98, 121, 142, 162, 181, 198, 213, 226, 237, 245, 251, 255, 256
};

static q8_8 q8_mul(q8_8 a, q8_8 b)
{
    s32 p = (s32)a * b;
    return (q8_8)((p + (p >= 0 ? 128 : -128)) / 256);
}

static q8_8 q8_div(q8_8 a, q8_8 b)
{
    s32 n = (s32)a << 8;
    if (b == 0)
        return a >= 0 ? 0x7fff : (q8_8)-0x7fff;
    return (q8_8)(n / b);
}

static q16_16 q16_mul(q16_16 a, q16_16 b)
{
    /* (a * b) >> 16 without a 64-bit product */
    s32 ah = a >> 16, bh = b >> 16;
    u32 al = (u32)a & 0xFFFFu, bl = (u32)b & 0xFFFFu;
    s32 r = ah * bh * Q16_ONE;
    r += ah * (s32)bl + bh * (s32)al;
    r += (s32)((al * bl) >> 16);
    return r;
}

static u16 isqrt32(u32 v)
{
    u32 root = 0, step = 1UL << 30;
    while (step > v)
        step >>= 2;
    while (step != 0) {
        if (v >= root + step) {
            v -= root + step;
            root = (root >> 1) + step;
        } else {
            root >>= 1;
        }
        step >>= 2;
    }
    return (u16)root;
}

/* Sine of an angle in 1/64 turns, as Q8.8. */
static q8_8 sine64(u8 angle)
{
    u8 quadrant = (u8)((angle >> 4) & 3), index = (u8)(angle & 15);
    q8_8 v;
    switch (quadrant) {
    case 0: v = sine_quarter[index]; break;
    case 1: v = sine_quarter[16 - index]; break;
    case 2: v = (q8_8)-sine_quarter[index]; break;
    default: v = (q8_8)-sine_quarter[16 - index]; break;
    }
    return v;
}

static q8_8 cosine64(u8 angle) { return sine64((u8)(angle + 16)); }

struct vector {
    q8_8 x, y;
};

static struct vector rotate(struct vector v, u8 angle)
{
    struct vector r;
    q8_8 s = sine64(angle), c = cosine64(angle);
    r.x = (q8_8)(q8_mul(v.x, c) - q8_mul(v.y, s));
    r.y = (q8_8)(q8_mul(v.x, s) + q8_mul(v.y, c));
    return r;
}

static u16 length_of(struct vector v)
{
    u32 sq = (u32)((s32)v.x * v.x) + (u32)((s32)v.y * v.y);
    return isqrt32(sq);
}

int fixedpoint_main(void)
{
    struct vector v;
    u8 a;
    u16 len, min_len = 0xFFFFu, max_len = 0;
    q16_16 acc = 0;
    q8_8 third = q8_div(Q8(1), Q8(3));

    v.x = Q8(3);
    v.y = Q8(4);
    for (a = 0; a < 64; a += 4) {
        struct vector r = rotate(v, a);
        len = length_of(r);
        min_len = MIN(min_len, len);
        max_len = MAX(max_len, len);
        acc += q16_mul((q16_16)r.x << 8, Q16_HALF);
    }
    printf("len %u..%u third %d acc %ld sqrt %u\n", min_len, max_len, third, acc, isqrt32(1000000UL));
    return (int)(max_len - min_len);
}
