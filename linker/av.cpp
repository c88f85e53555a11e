#include "linker/av.h"

void avmap_reset() {}
void avmap_read(const char *, const char *) {}
const char *avmap_space(const char *) { return ""; }
