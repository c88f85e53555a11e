#include "driver/cgpass.h"

#include <cstring>

#include "common/alloc.h"
#include "common/lists.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "common/vector.h"
#include "driver/arglist.h"
#include "driver/build.h"
#include "driver/chipinfo.h"
#include "driver/memory.h"
#include "driver/objread.h"
#include "driver/state.h"

enum { PASS_CODEGEN = 3 };

std::string installed_library(const std::string &name) {
  if (os_file_exists(name.c_str())) return name;
  char *path = reg_install_path(REG_DIR_LIB, name.c_str());
  std::string result = path ? path : name;
  xfree(path);
  return result;
}

std::string lib_variant_prefix() {
  int digit = 0;
  if (!(drv.errata & ERRATA_LFSR)) digit += 2;
  if (drv.errata & ERRATA_4000) digit += 4;
  return "pic8" + std::to_string(digit) + "l" + (drv.double_type == DOUBLE_32 ? "d" : "-");
}

std::string pcode_lib_name(const char *name) {
  if (!(drv.runtime & RUNTIME_CLIB)) return "";
  std::string file;
  if (strcmp(name, "c") == 0)
    file = drv.double_type == DOUBLE_32 ? "pic80ldc" : "pic80l-c";
  else
    file = lib_variant_prefix() + name;
  return installed_library(file + ".lpp");
}

std::vector<std::string> device_libraries() {
  std::string key = drv.chip->lib ? drv.chip->lib : "";
  std::vector<std::string> names = {
      "pic" + key + ((drv.errata & ERRATA_EEDAT) ? "-1e.lpp" : "-0e.lpp"),
      "pic" + key + ((drv.errata & ERRATA_MINUS40) ? "-2f.lpp" : "-0f.lpp"),
  };
  if (drv.runtime & RUNTIME_PLIB) names.push_back(std::string("plib-") + drv.chip->name + ".lpp");
  if (drv.debugger == DEBUGGER_REALICE) names.push_back("pic-rip.lpp");
  for (std::string &n : names) n = installed_library(n);
  return names;
}

// "-P" and the class's range text, when the class exists and has free ranges.
static void class_range_arg(arglist *list, const char *name) {
  mem_class *cls = ms_find_class(mem_spaces, name);
  if (!cls) return;
  char *text = cls_spec_string(cls, "-P", name);
  if (text && *text) arglist_add_copy(list, text);
  xfree(text);
}

void codegen_target_args(arglist *list) {
  if (!(drv.errata & ERRATA_LFSR)) arglist_add_copy(list, "-MLFSROK");
  if (drv.double_type == DOUBLE_32) arglist_add_copy(list, "-MIEEE_DBL");
  if (drv.opt & OPT_SPEED)
    arglist_add_copy(list, "-MSPEEDOPT");
  else if (drv.opt & OPT_SPACE)
    arglist_add_copy(list, "-MSPACEOPT");
  arglist_add_copy(list, drv.emi == 4 ? "-MEMI_WORD" : "-MEMI_BYTE");
  // Code outside the library calls its functions: each is a root.
  if (drv.output & OUT_LIB) arglist_add_copy(list, "-MLIBRARY");
  mem_class *code = ms_find_class(mem_spaces, "CODE");
  arglist_addf(list, "-PPIC%s,1,%ld,%u,%u,%u,%d", drv.chip->name, long(code ? cls_top(code) : 0),
               unsigned(drv.errata), unsigned(drv.chip->stack_depth), (drv.runtime & RUNTIME_INIT) ? 1u : 0u,
               drv.forcebank ? 1 : 0);
  class_range_arg(list, "COMRAM");
  class_range_arg(list, "RAM");
  class_range_arg(list, "FARRAM");
  if (drv.debugger == DEBUGGER_REALICE) arglist_addf(list, "-PREALICE=%s", "257");
}

bool pass_codegen(const std::string &output, const std::vector<std::string> &inputs, bool analysis) {
  stage_begin("Code generator");
  arglist *list = arglist_new(PASS_CODEGEN);
  for (int n = 9; n >= 1; n--) {
    if (!(drv.opt & (0x80u << n))) continue;
    const char *favour = (drv.opt & OPT_SPACE) ? "s" : (drv.opt & OPT_SPEED) ? "f" : "";
    arglist_addf(list, "-Og%d%s", n, favour);
    break;
  }
  if (drv.formats_in_force) arglist_add_copy(list, "-E1");
  if (analysis)
    arglist_add_copy(list, "-w9");
  else
    arglist_addf(list, "-D%ssdb", output.c_str());
  codegen_target_args(list);
  if (analysis) {
    arglist_add_copy(list, "-fp");
    arglist_addf(list, "-A%s", output.c_str());
  } else if (drv.stop_at_asm && !(drv.opt & (OPT_ASM | OPT_ASMFILE))) {
    arglist_addf(list, "-A%sas", output.c_str());
  } else {
    arglist_addf(list, "-A%s", drv.cg_temp.c_str());
  }

  // What the user's own objects define and tell about their functions.
  vec *symbols = obj_symbols();
  for (uint32_t i = 0; i < vec_size(symbols); i++) {
    const obj_symbol *s = static_cast<const obj_symbol *>(vec_get(symbols, i));
    if (obj_symbol_defined(s) && s->name[0] == '_' && strcmp(s->name, "_main") != 0)
      arglist_addf(list, "-B%s", s->name);
  }
  vec *triples = obj_fninfo_triples();
  for (uint32_t i = 0; i < vec_size(triples); i++) {
    const obj_fninfo_triple *t = static_cast<const obj_fninfo_triple *>(vec_get(triples, i));
    arglist_addf(list, "-N%s:%lu:%lu", t->name, (unsigned long)t->first, (unsigned long)t->second);
  }
  vec *pairs = obj_fninfo_pairs();
  for (uint32_t i = 0; i < vec_size(pairs); i++) {
    const obj_fninfo_pair *p = static_cast<const obj_fninfo_pair *>(vec_get(pairs, i));
    arglist_addf(list, "-Q%s:%s", p->name, p->text);
  }

  for (const std::string &input : inputs) arglist_add_copy(list, input.c_str());
  if (!drv.pass1) {
    for (const std::string &lib : device_libraries()) arglist_add_copy(list, lib.c_str());
    std::vector<std::string> names = drv.cg_libraries;
    names.push_back("c");
    for (const std::string &name : names) {
      std::string file = pcode_lib_name(name.c_str());
      if (!file.empty()) arglist_add_copy(list, file.c_str());
    }
  }
  return pass_run(list);
}
