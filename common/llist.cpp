#include "common/llist.h"
