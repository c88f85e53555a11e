#include "linker/symfile.h"

#include <cstring>

#include "linker/options.h"
#include "linker/pass.h"
#include "linker/text.h"

bool symfile_open() { return true; }

void symfile_close() {}

void symfile_remove() {}

void link_sym_write(const char *name, uint32_t value, uint32_t flags, link_symbol *psect) {
  if (lopt.raw) return;
  uint32_t kind = flags & LS_KIND;
  if (lopt.symbols_only && kind >= IO_SYM_COMMON && kind <= IO_SYM_LOCAL) return;
  uint32_t delta = psect && psect->info && psect->info->delta ? psect->info->delta : 1;
  value /= delta;
  io_builder b;
  io_builder_init(&b, &lmaps);
  io_add_u32(&b, value);
  io_add_u16(&b, flags & 0xFFFF);
  if (lopt.have_selector) io_add_u16(&b, psect && psect->info ? psect->info->selector : 0);
  io_add_string(&b, psect && !lopt.symbols_only ? psect->name : "");
  io_add_string(&b, name);
  if (!b.overflow) io_add_entry(&lout, lopt.have_selector ? IO_XSYM : IO_SYM, b.data, b.length);
}

void symfile_segments() {}
