/* Common definitions. Pointers are one to three bytes, chosen per pointer
   by what it may point to; sizes and their differences fit in 16 bits. */
#ifndef _STDDEF_H_
#define _STDDEF_H_

#ifndef _PTRDIFF_T_DEFINED_
#define _PTRDIFF_T_DEFINED_
typedef int ptrdiff_t;
#endif

#ifndef _SIZE_T_DEFINED_
#define _SIZE_T_DEFINED_
typedef unsigned int size_t;
#endif

/* There are no wide characters: the one character set is 8-bit. */
#ifndef _WCHAR_T_DEFINED_
#define _WCHAR_T_DEFINED_
typedef unsigned char wchar_t;
#endif

#ifndef NULL
#define NULL	((void *)0)
#endif

#define offsetof(type, member)	((size_t)&((type *)0)->member)

#endif
