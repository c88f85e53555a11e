/* included from misc.c */
#define FROM_HEADER 42
in_header __LINE__ FROM_HEADER
#include "more.h"
back_in_defs
