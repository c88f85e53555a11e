#include "common/lists.h"
