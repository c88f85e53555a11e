/* Multi-precision unsigned integers in 16-bit limbs: addition,
   subtraction, multiplication, division by a small number, comparison and
   decimal text. */
#include "corpus.h"

#define LIMBS 8

typedef struct {
    u16 limb[LIMBS];   /* least significant first */
    u8 used;
} big_t;

static void big_set(big_t *b, u32 v)
{
    u8 i;
    for (i = 0; i < LIMBS; i++)
        b->limb[i] = 0;
    b->limb[0] = (u16)(v & 0xFFFFu);
    b->limb[1] = (u16)(v >> 16);
    b->used = b->limb[1] ? 2 : b->limb[0] ? 1 : 0;
}

static void big_trim(big_t *b)
{
    while (b->used > 0 && b->limb[b->used - 1] == 0)
        b->used--;
}

static int big_cmp(const big_t *a, const big_t *b)
{
    int i;
    if (a->used != b->used)
        return a->used < b->used ? -1 : 1;
    for (i = a->used - 1; i >= 0; i--)
        if (a->limb[i] != b->limb[i])
            return a->limb[i] < b->limb[i] ? -1 : 1;
    return 0;
}

/* r = a + b; returns the carry out of the top limb. */
static u16 big_add(big_t *r, const big_t *a, const big_t *b)
{
    u32 carry = 0;
    u8 i, n = MAX(a->used, b->used);
    for (i = 0; i < n; i++) {
        carry += (u32)(i < a->used ? a->limb[i] : 0) + (i < b->used ? b->limb[i] : 0);
        r->limb[i] = (u16)carry;
        carry >>= 16;
    }
    r->used = n;
    if (carry && n < LIMBS) {
        r->limb[n] = (u16)carry;
        r->used++;
        carry = 0;
    }
    return (u16)carry;
}

/* r = a - b for a >= b. */
static void big_sub(big_t *r, const big_t *a, const big_t *b)
{
    s32 borrow = 0;
    u8 i;
    for (i = 0; i < a->used; i++) {
        s32 d = (s32)a->limb[i] - (i < b->used ? (s32)b->limb[i] : 0) - borrow;
        borrow = d < 0;
        r->limb[i] = (u16)(d + (borrow ? 0x10000L : 0));
    }
    r->used = a->used;
    big_trim(r);
}

static void big_mul(big_t *r, const big_t *a, const big_t *b)
{
    u16 out[LIMBS];
    u8 i, j;
    for (i = 0; i < LIMBS; i++)
        out[i] = 0;
    for (i = 0; i < a->used; i++) {
        u32 carry = 0;
        for (j = 0; j < b->used && i + j < LIMBS; j++) {
            carry += (u32)a->limb[i] * b->limb[j] + out[i + j];
            out[i + j] = (u16)carry;
            carry >>= 16;
        }
        if (i + j < LIMBS)
            out[i + j] = (u16)carry;
    }
    for (i = 0; i < LIMBS; i++)
        r->limb[i] = out[i];
    r->used = LIMBS;
    big_trim(r);
}

/* b /= d; returns the remainder. */
static u16 big_divmod_small(big_t *b, u16 d)
{
    u32 rem = 0;
    int i;
    for (i = b->used - 1; i >= 0; i--) {
        u32 cur = (rem << 16) | b->limb[i];
        b->limb[i] = (u16)(cur / d);
        rem = cur % d;
    }
    big_trim(b);
    return (u16)rem;
}

static char *big_to_decimal(const big_t *b, char *buf, size_t room)
{
    big_t t = *b;
    char digits[48];
    size_t n = 0, k = 0;
    if (t.used == 0)
        digits[n++] = '0';
    while (t.used != 0 && n < sizeof digits)
        digits[n++] = (char)('0' + big_divmod_small(&t, 10));
    while (n > 0 && k + 1 < room)
        buf[k++] = digits[--n];
    buf[k] = '\0';
    return buf;
}

/* n! into b, as far as the limbs hold it. */
static void factorial(big_t *b, u8 n)
{
    big_t f;
    big_set(b, 1);
    while (n > 1) {
        big_set(&f, n--);
        big_mul(b, b, &f);
    }
}

int bignum_main(void)
{
    big_t a, b, c, d;
    char text[40];
    int ok = 1;

    factorial(&a, 20);
    big_to_decimal(&a, text, sizeof text);
    ok &= text[0] == '2' && text[18] == '0';
    big_set(&b, 0xFFFFFFFFUL);
    big_add(&c, &b, &b);
    big_sub(&d, &c, &b);
    ok &= big_cmp(&d, &b) == 0;
    big_mul(&c, &b, &b);
    ok &= c.used == 4 && c.limb[0] == 1 && c.limb[3] == 0xFFFEu;
    printf("20! = %s ok %d\n", text, ok);
    return ok;
}
