// Functions reached from more than one level (main, the low-priority and
// the high-priority interrupt) are written once per level under that
// level's prefix. One that cannot be copied so (no C body, or a call
// through a pointer, which holds one address) would share its areas
// between levels that can break into each other: it is refused.
#pragma once

// Reports each such function; run once the call graph and the levels every
// function is called from are final.
void levelcopy_check();
