/* Conditionals. */
#define ZERO 0
#define ONE 1
#define EXPR (ONE + ONE * 2)
#if ONE
one
#endif
#if ZERO
zero
#elif EXPR == 3
expr
#else
none
#endif
#ifdef ONE
ifdef
#endif
#ifndef TWO
ifndef
#endif
#if defined ONE && defined(ZERO) && !defined(TWO)
defined
#endif
#if defined(ONE) + defined ZERO == 2
sum
#endif
#define TWO ONE
#if TWO == 1 && ONE
#if ZERO
# error not this
#else
nested_else
#endif
#endif
#if 0
#if 1
inner
#else
inner_else
#endif
garbage ' " not a string
#elif 1
elif_after_nested
#endif
#if 1 ? 0 : 1 ? 5 : 7
wrong_ternary
#else
right_ternary
#endif
#if !!ONE && - -1 == 1 && ~-1 == 0 && -~0 == 1
prefix
#endif
#if (2 + 3) * 4 == 20 && 2 + 3 * 4 == 14 && 20 / 3 == 6 && 20 % 3 == 2
arith
#endif
#if 1 << 4 == 16 && 256 >> 4 == 16 && (5 & 3) == 1 && (5 | 3) == 7 && (5 ^ 3) == 6
bits
#endif
#if 1 < 2 && 2 <= 2 && 3 > 2 && 3 >= 3 && 1 != 2 && !(1 == 2)
compare
#endif
#if 'a' == 97 && '\n' == 10 && '\0' == 0 && '\x41' == 65 && '\101' == 65
chars
#endif
#if 0x10 == 16 && 010 == 8 && 10L == 10 && 10u == 10 && 0XfF == 255
numbers
#endif
#if UNDEFINED_NAME == 0 && !UNDEFINED_NAME
undefined_is_zero
#endif
#if -1 < 0 && -1 > 0u
signedness
#endif
#if 0 && (1 / 0)
no
#endif
#define f(x) x
#if f(1) && f(ONE)
function_like
#endif
#define DEF defined(ONE)
#ifdef f
f_defined
#endif
#undef ONE
#ifdef ONE
still
#else
undefined_now
#endif
#if 1
#elif 1/0
#endif
#if 0
#elif 0
#elif 1
third
#elif 1
fourth
#else
no
#endif
end
