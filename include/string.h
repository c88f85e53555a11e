/* Byte blocks and strings. */
#ifndef _STRING_H_
#define _STRING_H_

#ifndef _SIZE_T_DEFINED_
#define _SIZE_T_DEFINED_
typedef unsigned int size_t;
#endif

#ifndef NULL
#define NULL	((void *)0)
#endif

extern void *memcpy(void *to, const void *from, size_t n);
extern void *memmove(void *to, const void *from, size_t n);
extern void *memset(void *s, int c, size_t n);
extern int memcmp(const void *s1, const void *s2, size_t n);
extern void *memchr(const void *s, int c, size_t n);

extern char *strcpy(char *to, const char *from);
extern char *strncpy(char *to, const char *from, size_t n);
extern char *strcat(char *to, const char *from);
extern char *strncat(char *to, const char *from, size_t n);
extern int strcmp(const char *s1, const char *s2);
extern int strncmp(const char *s1, const char *s2, size_t n);
extern int strcoll(const char *s1, const char *s2);
extern size_t strxfrm(char *to, const char *from, size_t n);
extern char *strchr(const char *s, int c);
extern char *strrchr(const char *s, int c);
extern size_t strspn(const char *s, const char *accept);
extern size_t strcspn(const char *s, const char *reject);
extern char *strpbrk(const char *s, const char *accept);
extern char *strstr(const char *s, const char *find);
extern char *strtok(char *s, const char *delimiters);
extern size_t strlen(const char *s);
extern char *strerror(int errnum);

#endif
