#include "linker/listing.h"

void listing_rewrite() {}
