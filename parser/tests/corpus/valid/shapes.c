/* Object-style dispatch through tables of function pointers held in
   structures: shapes with area, perimeter and scaling. */
#include "corpus.h"

struct shape;

typedef struct shape_ops {
    const char *kind;
    long (*area)(const struct shape *s);
    long (*perimeter)(const struct shape *s);
    void (*scale)(struct shape *s, int factor);
} shape_ops_t;

typedef struct shape {
    const shape_ops_t *ops;
    s16 x, y;
    union {
        struct { u16 w, h; } rect;
        struct { u16 r; } circle;
        struct { u16 a, b, c; } tri;
    } dim;
} shape_t;

static long rect_area(const shape_t *s) { return (long)s->dim.rect.w * s->dim.rect.h; }
static long rect_perimeter(const shape_t *s) { return 2L * (s->dim.rect.w + s->dim.rect.h); }
static void rect_scale(shape_t *s, int f)
{
    s->dim.rect.w *= (u16)f;
    s->dim.rect.h *= (u16)f;
}

/* pi as 355/113 */
static long circle_area(const shape_t *s) { return 355L * s->dim.circle.r * s->dim.circle.r / 113; }
static long circle_perimeter(const shape_t *s) { return 2L * 355 * s->dim.circle.r / 113; }
static void circle_scale(shape_t *s, int f) { s->dim.circle.r = (u16)(s->dim.circle.r * f); }

static long isqrt(long v)
{
    long r = 0, b = 1L << 30;
    while (b > v)
        b >>= 2;
    for (; b; b >>= 2) {
        if (v >= r + b) {
            v -= r + b;
            r = (r >> 1) + b;
        } else {
            r >>= 1;
        }
    }
    return r;
}

static long tri_perimeter(const shape_t *s) { return (long)s->dim.tri.a + s->dim.tri.b + s->dim.tri.c; }
static long tri_area(const shape_t *s)
{
    /* Heron, in integers: sqrt(p (p-a) (p-b) (p-c)) with p the half perimeter times 2 */
    long p = tri_perimeter(s);
    long q = p * (p - 2L * s->dim.tri.a) * (p - 2L * s->dim.tri.b) * (p - 2L * s->dim.tri.c);
    return isqrt(q) / 4;
}
static void tri_scale(shape_t *s, int f)
{
    s->dim.tri.a = (u16)(s->dim.tri.a * f);
    s->dim.tri.b = (u16)(s->dim.tri.b * f);
    s->dim.tri.c = (u16)(s->dim.tri.c * f);
}

static const shape_ops_t rect_ops = { "rect", rect_area, rect_perimeter, rect_scale };
static const shape_ops_t circle_ops = { "circle", circle_area, circle_perimeter, circle_scale };
static const shape_ops_t tri_ops = { "triangle", tri_area, tri_perimeter, tri_scale };

static shape_t make_rect(s16 x, s16 y, u16 w, u16 h)
{
    shape_t s;
    s.ops = &rect_ops;
    s.x = x;
    s.y = y;
    s.dim.rect.w = w;
    s.dim.rect.h = h;
    return s;
}

static shape_t make_circle(u16 r)
{
    shape_t s;
    memset(&s, 0, sizeof s);
    s.ops = &circle_ops;
    s.dim.circle.r = r;
    return s;
}

static shape_t make_tri(u16 a, u16 b, u16 c)
{
    shape_t s;
    memset(&s, 0, sizeof s);
    s.ops = &tri_ops;
    s.dim.tri.a = a;
    s.dim.tri.b = b;
    s.dim.tri.c = c;
    return s;
}

int shapes_main(void)
{
    shape_t all[4];
    shape_t *s;
    long total_area = 0, total_perimeter = 0;

    all[0] = make_rect(0, 0, 3, 4);
    all[1] = make_circle(10);
    all[2] = make_tri(3, 4, 5);
    all[3] = make_rect(-2, 5, 1, 1);
    for (s = all; s != all + COUNT_OF(all); ++s) {
        s->ops->scale(s, 2);
        total_area += s->ops->area(s);
        total_perimeter += (*s->ops->perimeter)(s);
        printf("%s area %ld\n", s->ops->kind, s->ops->area(s));
    }
    printf("total area %ld perimeter %ld\n", total_area, total_perimeter);
    return (int)(total_area % 1000);
}
