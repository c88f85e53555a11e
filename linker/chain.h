// The chain allocator: places a psect, and the psects placed inside it, into
// the free ranges of its class.
#pragma once
#include <cstdint>
#include <vector>

#include "linker/link.h"

struct addr_range;

// The psect's size with all its children; children are marked as such.
uint32_t chain_total(psect_info *p);
// Places P (lo..hi in bytes is the window) in the list; false when no range
// takes it.
bool chain_alloc(std::vector<addr_range> &list, psect_info *p, uint32_t lo, uint32_t hi, bool force_top);
// Places P in the ranges of class K (P's class for the call), at or above
// min; gives its link and load addresses in units. Message 491 when it fits
// nowhere.
bool chain_place_in_class(link_symbol *cls, psect_info *p, uint32_t min, bool force_top, uint32_t *link_units,
                          uint32_t *load_units);
// Places every psect of a class with ranges that nothing placed yet.
void chain_allocate_all();
