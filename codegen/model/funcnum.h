// Stable function numbers that code templates carry and turn back into the
// function, and the grouping of symbols that share a level name.
#pragma once
#include <cstdint>

struct symbol;

uint32_t sym_func_number(symbol *s);
symbol *sym_by_func_number(uint32_t number);
// Groups the symbol with the others of its level name; answers the group's first.
symbol *sym_group_add(symbol *s);
// The first symbol of the symbol's group, or the symbol itself.
symbol *sym_group_first(symbol *s);
void funcnum_reset();
