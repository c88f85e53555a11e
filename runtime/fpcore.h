/* The floating-point routines' shared core. Both formats are IEEE single
 * bit patterns: the 24-bit one is the top 24 bits of the 32-bit one, so a
 * 24-bit operand shifted left 8 is the 32-bit pattern of the same value, and
 * each operation runs once, on 32-bit patterns, rounding to the precision
 * (fraction bits: 15 or 23) its caller asks for.
 *
 * Inside, a value is a sign, a biased exponent and a mantissa whose hidden
 * bit stands at bit 30 when normalized: value = mant / 2^30 * 2^(exp - 127).
 * Bits below the kept fraction are guard bits, the lowest one sticky. */
#ifndef FPCORE_H
#define FPCORE_H

#ifndef FPCORE_TYPES
typedef unsigned short long __fp24;
typedef unsigned long __fp32;
typedef long __fps32;
/* The routines the code generator calls take and give the floating types
 * themselves: float for the 24-bit ones and, where double has 32 bits,
 * double for the 32-bit ones. Their bits are read and written where the
 * values lie. */
typedef float __ft;
#if sizeof(double) == 4
typedef double __fl;
#endif
#define FT_BITS(x) (*(__fp24 *)&(x))
#define FL_BITS(x) (*(__fp32 *)&(x))
#endif

#define FP32_SIGN 0x80000000
#define FP32_EXP_MASK 0x7F800000
#define FP32_FRAC_MASK 0x007FFFFF
#define FP32_INF 0x7F800000
#define FP32_NAN 0x7FC00000
/* The exponent field from the top two bytes of a pattern in memory, so
 * that no 32-bit shift is spent on it. */
#define FP32_BYTE(x, i) (((unsigned char *)&(x))[i])
#define FP32_EXP(x) ((unsigned char)(FP32_BYTE(x, 3) << 1 | FP32_BYTE(x, 2) >> 7))
/* The fraction with its hidden bit, as a 24-bit integer. */
#define FP32_MANT(x) (((x) & FP32_FRAC_MASK) | 0x800000)
/* Exponent field 255 and a fraction: above infinity in magnitude. */
#define FP32_IS_NAN(x) (((x) & 0x7FFFFFFF) > FP32_INF)

/* The result of mant * 2^(exp - 157) with the given sign, rounded to the
 * nearest (ties to even) with frac fraction bits: infinity when too large,
 * a zero of the sign when too small for a normal number or mant is 0. */
extern __fp32 __fpround(unsigned char sign, int exp, __fp32 mant, unsigned char frac);
extern __fp32 __fpadd(__fp32 a, __fp32 b, unsigned char frac);
extern __fp32 __fpmul(__fp32 a, __fp32 b, unsigned char frac);
extern __fp32 __fpdiv(__fp32 a, __fp32 b, unsigned char frac);
/* The order of a and b: bit 0 set when a >= b, bit 1 when a <= b, so 3
 * when they are equal and 0 when either is a NaN. */
extern unsigned char __fpge(__fp32 a, __fp32 b);
/* The value with its fraction cut off, as a long; see __fltol. */
extern __fps32 __fptol(__fp32 f);

#endif
