#include "common/registry.h"
