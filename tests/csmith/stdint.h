/* The exact-width integer types of a target with 16-bit int and 32-bit
   long, for csmith's programs: the same text serves tovra18 and the 16-bit
   reference compiler, so both read every type alike. */
#ifndef CSMITH_STDINT_H
#define CSMITH_STDINT_H

typedef signed char int8_t;
typedef unsigned char uint8_t;
typedef int int16_t;
typedef unsigned int uint16_t;
typedef long int32_t;
typedef unsigned long uint32_t;

#define INT8_MIN (-127 - 1)
#define INT8_MAX 127
#define UINT8_MAX 255
#define INT16_MIN (-32767 - 1)
#define INT16_MAX 32767
#define UINT16_MAX 65535U
#define INT32_MIN (-2147483647L - 1)
#define INT32_MAX 2147483647L
#define UINT32_MAX 4294967295UL

#endif
