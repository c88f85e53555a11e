/* Variable arguments. The arguments after the last named parameter lie in
   the called function's parameter area one after another, each in the size
   of its promoted type; the code generator turns the two built-ins below
   into address arithmetic: __va_start() is the address just past the named
   parameters, and __va_arg(p), for an argument pointer p of type pointer
   to T, is p's old value with p advanced by the size of T. */
#ifndef _STDARG_H_
#define _STDARG_H_

typedef void *va_list;

/* Marked before they are declared: the mark travels with the declaration. */
#pragma inline(__va_start)
#pragma inline(__va_arg)
extern void *__va_start(void);
extern void *__va_arg(void *p);

/* last, the last named parameter, is not needed: the built-in finds the
   end of the named parameters itself. */
#define va_start(ap, last)	((void)((ap) = __va_start()))
#define va_arg(ap, type)	(*(type *)__va_arg(*(type **)&(ap)))
#define va_end(ap)	((void)0)

#endif
