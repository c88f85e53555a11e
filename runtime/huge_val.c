#include <math.h>

/* An infinity: exponent field all ones, fraction 0. No constant can give
 * one, since a constant too large becomes the largest finite value. */
const union __huge_val __huge_val = { { { 0 }, 0x80, 0x7F } };
