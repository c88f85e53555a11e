#include "common/alert.h"
