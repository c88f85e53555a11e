/* Output through a character routine that the program itself defines:

	void putch(char c)

   writes one character wherever the program wants (a UART, a display).
   putchar, puts, printf and vprintf write through it; sprintf and vsprintf
   write into a string instead, and need no putch. There are no files and
   no input. printf and its kin are compiled with each program that calls
   them, with the code of only the conversions and flags its formats use:
   a format that is not a string literal gets the features that its
   arguments' types suggest. vprintf and vsprintf come with printf and
   sprintf; a program that calls them only from its own printf-like
   function gets all four, and so needs a putch. */
#ifndef _STDIO_H_
#define _STDIO_H_

#ifndef _SIZE_T_DEFINED_
#define _SIZE_T_DEFINED_
typedef unsigned int size_t;
#endif

#ifndef NULL
#define NULL	((void *)0)
#endif

#define EOF	(-1)

/* Defined by the program. */
extern void putch(char c);

extern int putchar(int c);
extern int puts(const char *s);
extern int printf(const char *format, ...);
extern int sprintf(char *s, const char *format, ...);
/* args is a va_list of stdarg.h. */
extern int vprintf(const char *format, void *args);
extern int vsprintf(char *s, const char *format, void *args);

/* The calls' formats are checked against their arguments, and their
   features collected; a string argument may point to const data. */
#pragma printf_check(printf) const
#pragma printf_check(sprintf) const

#endif
