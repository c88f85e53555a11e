// Object libraries: in pass 1 the modules that define symbols still
// undefined are pulled in, in rounds until a round pulls nothing; every pass
// then reads exactly the pulled modules.
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/alert.h"
#include "linker/map.h"
#include "linker/options.h"
#include "linker/pass.h"
#include "linker/sym.h"

enum {
  MSG_BAD_DIRECTORY = 507,
  MSG_SEEK_FAILED = 417,
  MSG_MANY_ROUNDS = 522,
  MSG_SHORT_HEADER = 505,
  MAX_ROUNDS = 10,
};

namespace {

module_record *pull(link_input *in, uint16_t file_index, uint16_t index) {
  const lib_module &lm = in->dir.modules[index];
  module_record *m = link_new_module();
  m->path = in->name;
  m->name = lm.name;
  m->file_index = file_index;
  m->module_index = index;
  m->in_library = true;
  in->pulled[index] = m;
  // Names the module refers to may pull further modules; its own
  // definitions satisfy references made so far.
  lpos.module = m;
  for (const lib_symbol &s : lm.symbols) {
    link_symbol *e = sym_find_global(s.name.c_str(), 0);
    if (!e) e = sym_enter(s.name.c_str(), LS_GLOBAL);
    if (s.flag == LIB_FLAG_DEFINES) e->claimed = true;
  }
  lpos.module = nullptr;
  return m;
}

void select_modules(link_input *in, uint16_t file_index) {
  std::vector<lib_module> &modules = in->dir.modules;
  in->pulled.assign(modules.size(), nullptr);
  in->rounds = 0;
  for (;;) {
    in->rounds++;
    uint32_t selected = 0;
    for (size_t j = 0; j < modules.size(); j++) {
      if (in->pulled[j]) continue;
      for (const lib_symbol &s : modules[j].symbols) {
        if (s.flag != LIB_FLAG_DEFINES) continue;
        link_symbol *e = sym_find_global(s.name.c_str(), 0);
        if (e && (e->flags & LS_KIND) == IO_SYM_REF && !e->claimed) {
          e->claimed = true;
          pull(in, file_index, (uint16_t)j);
          selected++;
          break;
        }
      }
    }
    if (!selected) break;
  }
  if (in->rounds > MAX_ROUNDS) msg(MSG_MANY_ROUNDS, in->name.c_str());
}

// Reads the pulled modules in directory order; the others are passed over.
void read_pulled(FILE *fp, link_input *in) {
  for (size_t j = 0; j < in->dir.modules.size(); j++) {
    module_record *m = j < in->pulled.size() ? in->pulled[j] : nullptr;
    if (!m) continue;
    const lib_module &lm = in->dir.modules[j];
    if (fseek(fp, (long)lm.offset, SEEK_SET) != 0) {
      msg(MSG_SEEK_FAILED, in->name.c_str());
      return;
    }
    // Each module is read from its own bytes, so that a module whose
    // records run on cannot reach into the next one.
    std::vector<uint8_t> contents(lm.length ? lm.length : 1);
    if (lm.length && fread(contents.data(), 1, lm.length, fp) != lm.length) {
      msg(MSG_BAD_DIRECTORY, in->name.c_str());
      return;
    }
    if (!lm.length) {
      lpos.module = m;
      msg(MSG_SHORT_HEADER);
      lpos.module = nullptr;
      continue;
    }
    FILE *module_fp = fmemopen(contents.data(), lm.length, "rb");
    if (!module_fp) continue;
    link_read_module(module_fp, m, false);
    fclose(module_fp);
  }
}

}  // namespace

void libsel_read(FILE *fp, link_input *in, uint16_t file_index) {
  int status = lib_read_directory(fp, &in->dir);
  if (status != LIB_OK) {
    msg(MSG_BAD_DIRECTORY, in->name.c_str());
    in->unreadable = true;
    return;
  }
  linput_bytes += in->dir.size + LIB_HEADER_SIZE;
  if (lpos.pass == 1) select_modules(in, file_index);
  if (lpos.pass == 3) map_library(in->name.c_str());
  read_pulled(fp, in);
}
