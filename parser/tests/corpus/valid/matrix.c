/* Small integer matrices: products, transposes, determinants, and a
   table of named matrices. */
#include "corpus.h"

#define N 3

typedef s16 row_t[N];
typedef row_t matrix_t[N];

struct named {
    const char *name;
    matrix_t m;
};

static struct named library[] = {
    { "identity", { { 1, 0, 0 }, { 0, 1, 0 }, { 0, 0, 1 } } },
    { "ones", { { 1, 1, 1 }, { 1, 1, 1 }, { 1, 1, 1 } } },
    { "shear", { { 1, 2, 0 }, { 0, 1, 0 }, { 0, 0, 1 } } },
    { "mixed", { { 2, -1, 0 }, { -1, 2, -1 }, { 0, -1, 2 } } },
};

static void multiply(matrix_t r, matrix_t a, matrix_t b)
{
    int i, j, k;
    for (i = 0; i < N; i++)
        for (j = 0; j < N; j++) {
            s32 sum = 0;
            for (k = 0; k < N; k++)
                sum += (s32)a[i][k] * b[k][j];
            r[i][j] = (s16)sum;
        }
}

static void transpose(matrix_t m)
{
    int i, j;
    s16 t;
    for (i = 0; i < N; i++)
        for (j = i + 1; j < N; j++) {
            t = m[i][j];
            m[i][j] = m[j][i];
            m[j][i] = t;
        }
}

static s32 determinant(matrix_t m)
{
    return (s32)m[0][0] * ((s32)m[1][1] * m[2][2] - (s32)m[1][2] * m[2][1])
         - (s32)m[0][1] * ((s32)m[1][0] * m[2][2] - (s32)m[1][2] * m[2][0])
         + (s32)m[0][2] * ((s32)m[1][0] * m[2][1] - (s32)m[1][1] * m[2][0]);
}

static int equal(matrix_t a, matrix_t b)
{
    const s16 *p = &a[0][0], *q = &b[0][0];
    int n = N * N;
    while (n--)
        if (*p++ != *q++)
            return 0;
    return 1;
}

static struct named *find(const char *name)
{
    unsigned i;
    for (i = 0; i < sizeof library / sizeof library[0]; i++) {
        const char *a = library[i].name, *b = name;
        while (*a && *a == *b)
            a++, b++;
        if (*a == *b)
            return &library[i];
    }
    return NULL;
}

static s16 trace(row_t *m)
{
    s16 t = 0;
    int i;
    for (i = 0; i < N; i++)
        t += m[i][i];
    return t;
}

int matrix_main(void)
{
    matrix_t r, s;
    struct named *id = find("identity"), *sh = find("shear"), *mx = find("mixed");
    static int calls;
    int ok = 1;

    calls++;
    if (!id || !sh || !mx)
        return -1;
    multiply(r, sh->m, id->m);
    ok &= equal(r, sh->m);
    memcpy(s, mx->m, sizeof s);
    transpose(s);
    ok &= equal(s, mx->m);
    multiply(r, mx->m, mx->m);
    printf("det %ld trace %d ok %d calls %d\n", determinant(r), trace(r), ok, calls);
    return ok && determinant(mx->m) == 4 ? (int)trace(r) : -1;
}
