/* Sizes of the integer types: 8-bit char (plain char is unsigned), 16-bit
   short and int, 24-bit short long, 32-bit long. */
#ifndef _LIMITS_H_
#define _LIMITS_H_

#define CHAR_BIT	8
#define MB_LEN_MAX	1

#define SCHAR_MIN	(-128)
#define SCHAR_MAX	127
#define UCHAR_MAX	255
#define CHAR_MIN	0
#define CHAR_MAX	UCHAR_MAX

#define SHRT_MIN	(-32767-1)
#define SHRT_MAX	32767
#define USHRT_MAX	65535U

#define INT_MIN		(-32767-1)
#define INT_MAX		32767
#define UINT_MAX	65535U

#define LONG_MIN	(-2147483647L-1)
#define LONG_MAX	2147483647L
#define ULONG_MAX	4294967295UL

#endif
