#include "common/getargs.h"
