/* A recursive-descent calculator over text: numbers, + - * / %, unary
   minus, parentheses and variables a to z. */
#include "corpus.h"

typedef struct {
    const char *p;
    int error;
    long vars[26];
} calc_t;

static long expression(calc_t *c);

static void skip_blanks(calc_t *c)
{
    while (*c->p == ' ' || *c->p == '\t')
        c->p++;
}

static int accept(calc_t *c, char ch)
{
    skip_blanks(c);
    if (*c->p == ch) {
        c->p++;
        return 1;
    }
    return 0;
}

static long number(calc_t *c)
{
    long v = 0;
    if (!(*c->p >= '0' && *c->p <= '9')) {
        c->error = 1;
        return 0;
    }
    while (*c->p >= '0' && *c->p <= '9')
        v = v * 10 + (*c->p++ - '0');
    return v;
}

static long primary(calc_t *c)
{
    long v;
    skip_blanks(c);
    if (accept(c, '(')) {
        v = expression(c);
        if (!accept(c, ')'))
            c->error = 2;
        return v;
    }
    if (accept(c, '-'))
        return -primary(c);
    if (*c->p >= 'a' && *c->p <= 'z')
        return c->vars[*c->p++ - 'a'];
    return number(c);
}

static long term(calc_t *c)
{
    long v = primary(c), r;
    for (;;) {
        if (accept(c, '*')) {
            v *= primary(c);
        } else if (accept(c, '/')) {
            r = primary(c);
            if (r == 0) {
                c->error = 3;
                return 0;
            }
            v /= r;
        } else if (accept(c, '%')) {
            r = primary(c);
            v = r ? v % r : (c->error = 3, 0L);
        } else {
            return v;
        }
    }
}

static long expression(calc_t *c)
{
    long v = term(c);
    while (!c->error) {
        if (accept(c, '+'))
            v += term(c);
        else if (accept(c, '-'))
            v -= term(c);
        else
            break;
    }
    return v;
}

/* "x = expr" assigns; otherwise the value of the expression. */
static long statement(calc_t *c, const char *text)
{
    const char *save;
    long v;
    c->p = text;
    c->error = 0;
    skip_blanks(c);
    save = c->p;
    if (*c->p >= 'a' && *c->p <= 'z') {
        int var = *c->p++ - 'a';
        if (accept(c, '=')) {
            v = expression(c);
            if (!c->error)
                c->vars[var] = v;
            return v;
        }
        c->p = save;
    }
    v = expression(c);
    skip_blanks(c);
    if (*c->p != '\0' && !c->error)
        c->error = 4;
    return v;
}

int calc_main(void)
{
    static const char *const lines[] = {
        "a = 6", "b = a * 7", "(a + b) % 5", "-(a - 10) * 3", "b / (a - 6)", "2 +", "c = 100 / 7 - 3",
    };
    static const long expected[] = { 6, 42, 3, 12, 0, 2, 11 };
    calc_t calc;
    unsigned i;
    int mismatches = 0;

    memset(&calc, 0, sizeof calc);
    for (i = 0; i < COUNT_OF(lines); i++) {
        long v = statement(&calc, lines[i]);
        if (!calc.error && v != expected[i])
            mismatches++;
        printf("%-16s -> %ld (error %d)\n", lines[i], v, calc.error);
    }
    return mismatches;
}
