#include "common/alloc.h"
