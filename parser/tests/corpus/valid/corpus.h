/* Common declarations of the corpus programs. */
#ifndef CORPUS_H
#define CORPUS_H

#define NULL ((void *)0)
#define TRUE 1
#define FALSE 0
#define COUNT_OF(a) (sizeof(a) / sizeof((a)[0]))
#define MIN(a, b) ((a) < (b) ? (a) : (b))
#define MAX(a, b) ((a) > (b) ? (a) : (b))

typedef unsigned char u8;
typedef signed char s8;
typedef unsigned int u16;
typedef int s16;
typedef unsigned long u32;
typedef long s32;
typedef unsigned int size_t;
typedef u8 bool_t;

#pragma printf_check printf
int printf(const char *format, ...);
int puts(const char *s);
void *memset(void *d, int c, size_t n);
void *memcpy(void *d, const void *s, size_t n);

#endif
