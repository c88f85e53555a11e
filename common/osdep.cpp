#include "common/osdep.h"
