#include "common/hash.h"
