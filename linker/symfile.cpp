#include "linker/symfile.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "linker/av.h"
#include "linker/options.h"
#include "linker/pass.h"
#include "linker/place.h"
#include "linker/text.h"

enum { MSG_CANT_CREATE = 378 };

namespace {

FILE *sym_fp;
bool short_form;
bool space_form;      // -V: "SY", "AS" and "SG" lines
std::string last_path;

bool hidden(const char *name) { return !strncmp(name, "fast_interrupt", 14); }

uint32_t delta_of(const link_symbol *psect) {
  return psect && psect->info && psect->info->delta ? psect->info->delta : 1;
}

const char *class_of(const link_symbol *psect) {
  link_symbol *cls = psect->info ? psect->info->cls : nullptr;
  return cls && cls->name[0] ? cls->name : "ABS";
}

void write_line(const char *name, uint32_t value, uint32_t kind, const link_symbol *psect) {
  if (short_form) {
    if (kind == IO_SYM_DEFINE || kind == IO_SYM_REF) fprintf(sym_fp, "%4.4lX %s\n", (unsigned long)value, name);
    return;
  }
  if (space_form) {
    if (psect)
      fprintf(sym_fp, "SY %s %s:%lX\n", name, avmap_space(psect->name), (unsigned long)value);
    else
      fprintf(sym_fp, "AS %s %s:%lX\n", name, avmap_space(""), (unsigned long)value);
    return;
  }
  // Locals follow the path of the input they come from.
  if (lpos.pass == 3) {
    std::string path = lpos.module ? lpos.module->path : std::string();
    if (path != last_path) {
      fprintf(sym_fp, "%s\n", path.c_str());
      last_path = path;
    }
  }
  switch (kind) {
    case IO_SYM_STACK:
      fprintf(sym_fp, "%s stk %ld\n", name, (long)(int32_t)value);
      return;
    case IO_SYM_REGISTER:
      fprintf(sym_fp, "%s reg %lX\n", name, (unsigned long)value);
      return;
    case IO_SYM_FILE:
      fprintf(sym_fp, "%s\n", name);
      return;
    default:
      break;
  }
  fprintf(sym_fp, "%s %lX", name, (unsigned long)value);
  if (psect && psect->info) {
    uint32_t link = psect->info->link, load = psect->info->load;
    if (link > load)
      fprintf(sym_fp, " -%lX", (unsigned long)(link - load));
    else
      fprintf(sym_fp, " %lX", (unsigned long)(load - link));
    if (lopt.symfile_plus) fprintf(sym_fp, " %s", class_of(psect));
  }
  fputc('\n', sym_fp);
}

}  // namespace

bool symfile_open() {
  sym_fp = nullptr;
  last_path.clear();
  if (lopt.symfile.empty()) return true;
  short_form = !lopt.short_symfile.empty();
  space_form = !short_form && !lopt.avmap.empty();
  sym_fp = fopen(lopt.symfile.c_str(), "w");
  if (!sym_fp) {
    msg(MSG_CANT_CREATE, "sym", lopt.symfile.c_str());
    return false;
  }
  return true;
}

void symfile_close() {
  if (!sym_fp) return;
  if (fclose(sym_fp) != 0) msg(MSG_CANT_CREATE, "sym", lopt.symfile.c_str());
  sym_fp = nullptr;
}

void symfile_remove() {
  if (!lopt.symfile.empty()) link_remove_file(lopt.symfile.c_str());
}

void link_sym_write(const char *name, uint32_t value, uint32_t flags, link_symbol *psect) {
  uint32_t kind = flags & LS_KIND;
  value /= delta_of(psect);
  if (sym_fp && !hidden(name)) write_line(name, value, kind, psect && psect->base ? psect->base : psect);
  if (lopt.raw) return;
  if (lopt.symbols_only && kind >= IO_SYM_COMMON && kind <= IO_SYM_LOCAL) return;
  io_builder b;
  io_builder_init(&b, &lmaps);
  io_add_u32(&b, value);
  // The linker's own mark of a known signature stays out of the object.
  io_add_u16(&b, flags & 0xFFFF & ~LS_SIGNAT);
  if (lopt.have_selector) io_add_u16(&b, psect && psect->info ? psect->info->selector : 0);
  io_add_string(&b, psect && !lopt.symbols_only ? psect->name : "");
  io_add_string(&b, name);
  if (!b.overflow) io_add_entry(&lout, lopt.have_selector ? IO_XSYM : IO_SYM, b.data, b.length);
}

void symfile_segments() {
  if (!sym_fp || short_form) return;
  if (space_form) {
    for (const segment_entry &s : place_segments)
      if (s.length)
        fprintf(sym_fp, "SG %s %s:%lX %lX\n", s.name.c_str(), avmap_space(s.name.c_str()), (unsigned long)s.link,
                (unsigned long)(s.link + s.length - 1));
    return;
  }
  if (lopt.symfile_plus) {
    fprintf(sym_fp, "%%segments\n");
    for (const segment_entry &s : place_segments)
      if (s.length)
        fprintf(sym_fp, "%s %lX %lX %s %lX\n", s.name.c_str(), (unsigned long)s.link,
                (unsigned long)(s.link + s.length - 1), s.class_name.c_str(), (unsigned long)s.load);
  }
  fprintf(sym_fp, "%%locals\n");
}
