/* Characteristics of the floating types. float is always the 24-bit format
   (IEEE single with the low fraction byte dropped: 1 sign, 8 exponent and
   15 fraction bits); double is the same 24-bit format, or IEEE single under
   --double=32. There are no denormals: what is smaller than the smallest
   normal number is zero. There is no long double type; its names describe
   double, for code that asks. */
#ifndef _FLOAT_H_
#define _FLOAT_H_

#define FLT_RADIX	2
#define FLT_ROUNDS	1	/* to the nearest, ties to even */

#define FLT_MANT_DIG	16
#define FLT_DIG		4
#define FLT_MIN_EXP	(-125)
#define FLT_MIN_10_EXP	(-37)
#define FLT_MAX_EXP	128
#define FLT_MAX_10_EXP	38
#define FLT_MAX		3.402771746e+38F
#define FLT_EPSILON	3.051757812e-05F
#define FLT_MIN		1.175494351e-38F

#if sizeof(double) == 4
#define DBL_MANT_DIG	24
#define DBL_DIG		6
#define DBL_MAX		3.402823466e+38
#define DBL_EPSILON	1.192092896e-07
#else
#define DBL_MANT_DIG	16
#define DBL_DIG		4
#define DBL_MAX		3.402771746e+38
#define DBL_EPSILON	3.051757812e-05
#endif
#define DBL_MIN_EXP	(-125)
#define DBL_MIN_10_EXP	(-37)
#define DBL_MAX_EXP	128
#define DBL_MAX_10_EXP	38
#define DBL_MIN		1.175494351e-38

#define LDBL_MANT_DIG	DBL_MANT_DIG
#define LDBL_DIG	DBL_DIG
#define LDBL_MIN_EXP	DBL_MIN_EXP
#define LDBL_MIN_10_EXP	DBL_MIN_10_EXP
#define LDBL_MAX_EXP	DBL_MAX_EXP
#define LDBL_MAX_10_EXP	DBL_MAX_10_EXP
#define LDBL_MAX	DBL_MAX
#define LDBL_EPSILON	DBL_EPSILON
#define LDBL_MIN	DBL_MIN

#endif
