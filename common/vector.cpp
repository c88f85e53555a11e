#include "common/vector.h"
