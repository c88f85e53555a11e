/* Error numbers that the library stores in errno. */
#ifndef _ERRNO_H_
#define _ERRNO_H_

#define EDOM	33
#define ERANGE	34

extern int errno;

#endif
