// The linker's symbol table: one open-addressed table for the symbols,
// psects and classes of the link, the module-local tables, the psect list,
// and the handlers of the records that fill them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "linker/link.h"

enum { SYM_SLOTS = 60493 };

struct abs_range {
  uint8_t space;
  uint32_t address;
  uint32_t length;
};

struct space_limit {
  uint8_t space;
  uint32_t limit;
};

struct line_record {
  uint32_t line;
  link_symbol *psect;
  uint32_t address;
  const char *file;
};

extern link_symbol *sym_abs_psect;
extern std::vector<psect_info *> sym_psect_list;
extern std::vector<abs_range> sym_abs_ranges;
extern std::vector<space_limit> sym_space_limits;
extern std::vector<line_record> sym_lines;
extern uint32_t sym_longest_name;

// Creates the table with the absolute psect; sym_reset frees everything.
void sym_init();
void sym_reset();

// The slot a name of an entry kind (flags & LS_ENTRY) has or would take.
uint32_t sym_hash(const char *name, uint32_t kind);
link_symbol *sym_slot(uint32_t index);
uint32_t sym_undefined_count();

link_symbol *sym_find(const char *name, uint32_t flags);
link_symbol *sym_enter(const char *name, uint32_t flags);
// The global entry of that kind, without looking at module tables.
link_symbol *sym_find_global(const char *name, uint32_t kind);
// Defines a symbol (kinds 0, 2, 7 as 0, 8) in pass 1 or 2.
void sym_define(int pass, const char *name, link_symbol *psect, uint32_t value, uint32_t flags);
// Where an entry was defined: "lib(module)" or the input's name.
std::string sym_where(const link_symbol *e);
// The limit of a space from SPACELIM records, 0 for none.
uint32_t sym_space_limit(uint8_t space);
// A new psect record owned by e, appended to the psect list.
psect_info *sym_new_info(link_symbol *e, uint32_t flags);

// Options.
void sym_option_undefined(const char *name);
void sym_option_psect_class(const char *text);
// True when a -P text names this psect.
bool sym_in_pspecs(const char *name);

// Record handlers of the passes.
void sym_record_psect();
void sym_record_xpsect();
void sym_record_sym();
void sym_record_signat();
void sym_record_psectlim();
void sym_record_absrange();
void sym_record_spacelim();
void sym_record_psectbound();
void sym_module_end();
void sym_module_begin();

// A psect received a contribution in the current module.
void sym_note_contribution(psect_info *p);
// Adds the current module's contributions to the psect sizes (at END).
void sym_add_contributions(module_record *m);
// Adds every psect's pending contribution to its size.
void sym_add_all_contributions();
// Defines a symbol the linker makes (bounds, space tops, call-graph
// blocks) unless an input defined it; with only_if_referenced, only when
// an input refers to it. True when defined.
bool sym_define_linker(const char *name, link_symbol *base, uint32_t value, bool only_if_referenced);
// An entry made outside the table (merged psects), freed with the table.
void sym_keep_entry(link_symbol *e, psect_info *extra);
// After placement: merged psects, undefined symbols, link addresses, equates.
void sym_resolve();
// End of pass 2: every symbol, psect and signature into the output.
void sym_write_all();
// Line records move to their link addresses and are sorted.
void sym_lines_finish();
const line_record *sym_line_at(uint32_t address);
