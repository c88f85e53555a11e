#include "codegen/model/pcodelib.h"

#include <cstdio>
#include <string>
#include <vector>

#include "codegen/model/lexin.h"
#include "codegen/model/libwant.h"
#include "codegen/model/progstate.h"
#include "codegen/model/symbols.h"
#include "common/alert.h"
#include "common/alloc.h"
#include "common/registry.h"
#include "common/vector.h"
#include "linker/lib.h"

namespace {

struct pcode_module {
  std::vector<std::string> defines;  // names of entries flagged as definitions
  const char *library;
  std::string name;
  uint64_t offset;
  uint32_t length;
  bool loaded;
};

bool source_lookup_on;

// A library is named on the command line, not in the source being read, so
// its failure to open carries no source position.
void report_unopened(const char *path) {
  if (model.feature_list_mode) return;
  msg_set_context(nullptr, nullptr, nullptr, nullptr);
  msg(140, "library", path);
  msg_set_context(sym_current_file(), sym_current_line_ptr(), nullptr, nullptr);
}

// The directory of one library; a library that cannot be read adds nothing.
void read_directory(const char *path, std::vector<pcode_module> *modules) {
  FILE *fp = fopen(path, "rb");
  if (!fp) {
    report_unopened(path);
    return;
  }
  lib_directory dir;
  int status = lib_read_directory(fp, &dir);
  fclose(fp);
  if (status != LIB_OK) {
    // The fault is the library's, not the source's being read.
    if (!model.feature_list_mode) {
      msg_set_context(path, nullptr, nullptr, nullptr);
      msg(300);
      msg_set_context(sym_current_file(), sym_current_line_ptr(), nullptr, nullptr);
    }
    return;
  }
  for (const lib_module &m : dir.modules) {
    pcode_module p{{}, path, m.name, m.offset, m.length, false};
    for (const lib_symbol &sym : m.symbols)
      if (sym.flag == LIB_FLAG_DEFINES) p.defines.push_back(sym.name);
    modules->push_back(std::move(p));
  }
}

struct open_library {
  FILE *fp = nullptr;
  const char *path = nullptr;

  bool select(const char *wanted) {
    if (fp && path == wanted) return true;
    if (fp) fclose(fp);
    path = wanted;
    fp = fopen(wanted, "rb");
    if (!fp) report_unopened(wanted);
    return fp != nullptr;
  }
  ~open_library() {
    if (fp) fclose(fp);
  }
};

void load(pcode_module &m, open_library &lib, lib_read_fn read) {
  // Whatever happens, a module is read at most once: one that does not
  // define what its directory promises must not be loaded forever.
  m.loaded = true;
  if (!lib.select(m.library) || fseek(lib.fp, long(m.offset), SEEK_SET) != 0) return;
  lex_stream *s = lex_open_file(lib.fp, long(m.length));
  s->descramble = true;
  sym_set_position(m.name.c_str(), 1);
  bool was_loading = model.loading_library;
  model.loading_library = true;
  read(s);
  model.loading_library = was_loading;
  lex_close(s);
}

}  // namespace

void lib_load_modules(vec *paths, lib_need_fn needed, lib_read_fn read) {
  std::vector<pcode_module> modules;
  for (uint32_t k = 0; k < vec_size(paths); k++) read_directory(static_cast<const char *>(vec_get(paths, k)), &modules);
  open_library lib;
  for (bool loaded_any = true; loaded_any;) {
    loaded_any = false;
    for (pcode_module &m : modules) {
      if (m.loaded) continue;
      for (const std::string &name : m.defines) {
        if (!needed(name.c_str())) continue;
        load(m, lib, read);
        loaded_any = true;
        break;
      }
    }
  }
  lex_set_source_folder(nullptr);
  source_lookup_on = false;
}

bool lib_name_needed(const char *name) {
  if (!source_lookup_on) {
    source_lookup_on = true;
    char *folder = reg_install_dir(REG_DIR_SOURCES);
    lex_set_source_folder(folder);
    xfree(folder);
  }
  // What the user's objects define (a library built from C holds its
  // run-time routines too) is not taken a second time.
  if (sym_is_asm_defined(name)) return false;
  // A declaration alone (a header's prototype) does not pull a module in:
  // only a name some code or initialiser uses.
  if (symbol *s = sym_find(name)) return (s->flags & SYM_DECLARED_ONLY) && (s->flags2 & SYM2_REFERENCED);
  return lib_is_wanted(name);
}
