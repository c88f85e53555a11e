/* String routines over char pointers: copies, comparisons, number
   conversions, tokens and a small formatter. */
#include "corpus.h"

static size_t str_len(const char *s)
{
    size_t n = 0;
    while (s[n] != '\0')
        n++;
    return n;
}

static char *str_copy(char *dst, const char *src)
{
    char *d = dst;
    while ((*d++ = *src++) != '\0')
        ;
    return dst;
}

static char *str_ncat(char *dst, const char *src, size_t room)
{
    char *d = dst + str_len(dst);
    while (room > 1 && *src) {
        *d++ = *src++;
        room--;
    }
    *d = '\0';
    return dst;
}

static int str_cmp(const char *a, const char *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return (int)(unsigned char)*a - (int)(unsigned char)*b;
}

static const char *str_chr(const char *s, int c)
{
    for (; *s; ++s)
        if (*s == (char)c)
            return s;
    return c == 0 ? s : NULL;
}

static int is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
static int is_digit(int c) { return c >= '0' && c <= '9'; }
static int to_upper(int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

static long str_to_long(const char *s, const char **end, int base)
{
    long value = 0;
    int negative = 0, digit;
    while (is_space(*s))
        s++;
    if (*s == '-' || *s == '+')
        negative = *s++ == '-';
    if (base == 0) {
        if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
            base = 16;
            s += 2;
        } else if (s[0] == '0') {
            base = 8;
        } else {
            base = 10;
        }
    }
    for (;; s++) {
        int c = to_upper(*s);
        if (is_digit(c))
            digit = c - '0';
        else if (c >= 'A' && c <= 'Z')
            digit = c - 'A' + 10;
        else
            break;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    if (end)
        *end = s;
    return negative ? -value : value;
}

static char *long_to_str(long v, char *buf, int base)
{
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    char tmp[34];
    char *p = tmp + sizeof tmp - 1;
    char *out = buf;
    unsigned long u = v < 0 ? 0UL - (unsigned long)v : (unsigned long)v;
    *p = '\0';
    do {
        *--p = digits[u % (unsigned)base];
        u /= (unsigned)base;
    } while (u != 0);
    if (v < 0)
        *out++ = '-';
    while ((*out++ = *p++) != 0)
        ;
    return buf;
}

/* Splits at any of the separators; returns the number of tokens. */
static int tokenize(char *s, const char *separators, char **tokens, int max)
{
    int n = 0;
    char *start = NULL;
    for (;; s++) {
        int sep = *s == '\0' || str_chr(separators, *s) != NULL;
        if (!sep && start == NULL) {
            start = s;
        } else if (sep && start != NULL) {
            if (n < max)
                tokens[n++] = start;
            if (*s == '\0')
                break;
            *s = '\0';
            start = NULL;
        }
        if (*s == '\0')
            break;
    }
    return n;
}

/* A formatter of %d, %x, %s and %c into a buffer of given room. */
static int format(char *out, size_t room, const char *fmt, const long *numbers, const char *const *texts)
{
    char num[34];
    size_t used = 0;
    const char *piece;
    char single[2];
    out[0] = '\0';
    for (; *fmt && used + 1 < room; fmt++) {
        if (*fmt != '%') {
            out[used++] = *fmt;
            out[used] = '\0';
            continue;
        }
        switch (*++fmt) {
        case 'd': piece = long_to_str(*numbers++, num, 10); break;
        case 'x': piece = long_to_str(*numbers++, num, 16); break;
        case 's': piece = *texts++; break;
        case 'c':
            single[0] = (char)*numbers++;
            single[1] = 0;
            piece = single;
            break;
        case '\0': return -1;
        default: piece = "?";
        }
        str_ncat(out, piece, room - used);
        used = str_len(out);
    }
    return (int)used;
}

int strings_main(void)
{
    char buf[64], line[48];
    char *tokens[8];
    const char *end;
    static const long numbers[] = { -1234, 255, 'Z' };
    static const char *const texts[] = { "done" };
    int n, i, errors = 0;
    long v;

    str_copy(line, "  alpha, beta;gamma  delta ");
    n = tokenize(line, " ,;", tokens, (int)COUNT_OF(tokens));
    if (n != 4 || str_cmp(tokens[2], "gamma") != 0)
        errors++;
    v = str_to_long(" -0x1F", &end, 0);
    errors += v != -31 || *end != '\0';
    v = str_to_long("0777", NULL, 0);
    errors += v != 511;
    n = format(buf, sizeof buf, "%d %x %c %s!", numbers, texts);
    if (n < 0 || str_cmp(buf, "-1234 ff Z done!") != 0)
        errors++;
    for (i = 0; i < 4; i++)
        puts(tokens[i]);
    printf("%s (%d chars), errors %d\n", buf, n, errors);
    return errors;
}
