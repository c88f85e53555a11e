/* The general utilities. There is no heap: memory is laid out when the
   program is linked, so malloc and its kin are absent. */
#ifndef _STDLIB_H_
#define _STDLIB_H_

#ifndef _SIZE_T_DEFINED_
#define _SIZE_T_DEFINED_
typedef unsigned int size_t;
#endif

#ifndef NULL
#define NULL	((void *)0)
#endif

#define RAND_MAX	32767

typedef struct {
	int quot;
	int rem;
} div_t;

typedef struct {
	long quot;
	long rem;
} ldiv_t;

extern int abs(int j);
extern long labs(long j);
extern div_t div(int numer, int denom);
extern ldiv_t ldiv(long numer, long denom);

extern int atoi(const char *s);
extern long atol(const char *s);
extern long strtol(const char *s, char **endptr, int base);
extern unsigned long strtoul(const char *s, char **endptr, int base);
extern double atof(const char *s);
extern double strtod(const char *s, char **endptr);

extern int rand(void);
extern void srand(unsigned int seed);

extern void qsort(void *base, size_t count, size_t size, int (*compare)(const void *, const void *));
extern void *bsearch(const void *key, const void *base, size_t count, size_t size,
		int (*compare)(const void *, const void *));

#endif
