#include "driver/linkpass.h"

#include <cstdio>
#include <cstring>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists.h"
#include "common/osdep.h"
#include "driver/arglist.h"
#include "driver/build.h"
#include "driver/cgpass.h"
#include "driver/chipinfo.h"
#include "driver/files.h"
#include "driver/memory.h"
#include "driver/startup.h"
#include "driver/state.h"
#include "driver/symtab.h"

enum { PASS_ASSEMBLER = 4, PASS_LINKER = 5 };

void assembler_target_args(arglist *list) {
  if (!(drv.errata & ERRATA_4000)) arglist_add_copy(list, "-n");
  arglist_addf(list, "-%s", drv.chip->name);
  if (drv.opt & OPT_ASM) {
    if (drv.opt & OPT_SPEED)
      arglist_add_copy(list, "--opt=speed");
    else if (drv.opt & OPT_SPACE)
      arglist_add_copy(list, "--opt=space");
  }
}

bool pass_assemble(const std::string &base, const char *source, bool user) {
  stage_begin("Assembler");
  arglist *list = arglist_new(PASS_ASSEMBLER);
  if (user) arglist_add_copy(list, "-v");
  if (drv.strip_locals) arglist_add_copy(list, "-x");
  if (drv.formats_in_force) arglist_add_copy(list, "-E1");
  if (drv.stop_at_asm) arglist_add_copy(list, "-a");
  if (drv.opt & (user ? OPT_ASMFILE : OPT_ASM)) arglist_add_copy(list, "-o");
  arglist_addf(list, "-C%s", drv.chip_db.c_str());
  arglist_addf(list, "-ver=V%s", version_text);
  if (drv.asmlist) arglist_addf(list, "-l%slst", base.c_str());
  assembler_target_args(list);
  std::string output = base + (drv.stop_at_asm ? "as" : "obj");
  arglist_addf(list, "-o%s", output.c_str());
  arglist_add_copy(list, source);
  bool ok = pass_run(list);
  if (!ok && !drv.stop_at_asm) file_remove(output.c_str());
  return ok;
}

// "-A" and the class's range text, when the class has free ranges.
static void class_option(arglist *list, mem_class *cls) {
  char *text = cls_spec_string(cls, "-A", cls->name);
  if (text && *text) linker_option_add(list, text);
  xfree(text);
}

static mem_class *find_class(const char *name) { return ms_find_class(mem_spaces, name); }

static void placement(arglist *list, bool final) {
  unsigned long offset = drv.chip->code_offset;
  switch (drv.interrupt_flags & 3) {
    case 0: linker_option_addf(list, "-preset_vec=0%lXh,intcode,intcodelo,powerup,init,end_init%s", offset, ""); break;
    case 1:
      linker_option_addf(list, "-preset_vec=0%lXh,intcode=0%lXh,intcodelo,powerup,init,end_init%s", offset,
                         offset + 8, "");
      break;
    case 2:
      linker_option_addf(list, "-preset_vec=0%lXh,intcode,intcodelo=0%lxh,powerup,init,end_init%s", offset,
                         offset + 24, "");
      break;
    case 3:
      linker_option_addf(list, "-preset_vec=0%lXh,intcode=0%lXh,intcodelo=0%lxh,powerup,init,end_init%s", offset,
                         offset + 8, offset + 24, "");
      break;
  }
  mem_class *bigram = find_class("BIGRAM");
  unsigned long top = bigram ? cls_free_top(bigram) : 0;
  linker_option_addf(list, "-pramtop=0%lXh", ((top - 1) | 0xFF) + 1);
  if (cls_free_size(find_class("SMALLCONST"))) linker_option_add(list, "-psmallconst=SMALLCONST");
  if (cls_free_size(find_class("MEDIUMCONST"))) linker_option_add(list, "-pmediumconst=MEDIUMCONST");
  linker_option_add(list, "-pconst=CONST");

  // The final link places only the parameter psects the program has.
  if (!final || symt_psect_known("rparam")) linker_option_add(list, "-prparam=COMRAM");
  for (int i = 0; i < drv.chip->bank_count; i++) {
    char name[32];
    snprintf(name, sizeof name, "BANK%d", i);
    bool wanted = final ? symt_psect_known(("param" + std::to_string(i)).c_str()) : find_class(name) != nullptr;
    if (wanted) linker_option_addf(list, "-pparam%d=BANK%d", i, i);
  }

  if (mem_class *far = find_class("FARRAM"))
    class_option(list, far);
  else
    linker_option_add(list, "-AFARRAM=00h-00h");
  static const struct {
    const char *cls;
    const char *option;
  } special_classes[] = {
      {"CONFIG", "-pconfig=CONFIG"}, {"IDLOC", "-pidloc=IDLOC"}, {"EEDATA", "-peeprom_data=EEDATA"}};
  for (const auto &special : special_classes) {
    if (mem_class *cls = find_class(special.cls)) {
      class_option(list, cls);
      linker_option_add(list, special.option);
    }
  }
  if (strchr(drv.chip->name, 'J') || strchr(drv.chip->name, 'j')) {
    // The next-to-last erase block of the flash, whose last block ends in
    // the configuration words: eight bytes of them on most parts, sixteen on
    // those with eight words, so the block boundary is taken from the flash's
    // end rather than from the code space's.
    unsigned long block = unsigned(drv.chip->flash_erase_size > 0 ? drv.chip->flash_erase_size : 1);
    unsigned long flash_end = (drv.chip->rom_size + block - 1) / block * block;
    linker_option_addf(list, "-pjflash_buffer=0%lXh", flash_end - 2 * block);
  }
  linker_option_add(list, "-prdata=COMRAM,nvrram=COMRAM,nvbit=COMRAM,rbss=COMRAM,rbit=COMRAM");
  linker_option_add(list, "-pfarbss=FARRAM,fardata=FARRAM");
  linker_option_add(list, "-pintsave_regs=BIGRAM,bigbss=BIGRAM,bigdata=BIGRAM");
  if (symt_sym_defined("__Odata") && symt_sym_value("__Odata") <= 15)
    linker_option_addf(list, "-pdata=BANK%u", unsigned(symt_sym_value("__Odata")));
  linker_option_add(list, "-pbss=RAM");
  linker_option_add(list, "-pidata=CODE,irdata=CODE,ibigdata=CODE,ifardata=CODE");
  if (drv.checksum.given) linker_option_addf(list, "-pchecksum=0%Xh", unsigned(drv.checksum.destination));
  if (drv.serial_given) linker_option_addf(list, "-pserial=0%Xh", unsigned(drv.serial_address));
}

void link_placement(arglist *list) { placement(list, false); }

void link_placement_final(arglist *list) {
  placement(list, true);
  if ((drv.errata & ERRATA_RESETRAM) && symt_psect_size("nvram") + symt_psect_size("nvbit") != 0) msg(1232);
}

void absolute_psect_placement(arglist *list) {
  if (drv.absolute_placements++ == 0) return;
  mem_space *code = ms_find(mem_spaces, "code");
  symt_next_symbol(SYMT_ITER_RESET);
  while (const char *name = symt_next_symbol(SYMT_ITER_NEXT)) {
    const char *underscore = strrchr(name, '_');
    if (!underscore || strcmp(underscore, "_absaddr") != 0) continue;
    std::string function(name, underscore);
    uint32_t address = symt_sym_value(name);
    linker_option_addf(list, "-p%s_text=%lXh", function.c_str(), (unsigned long)address);
    uint32_t size = symt_sym_value(("__end_of" + function).c_str()) - symt_sym_value(function.c_str());
    if (code && size) ms_add_range_all(code, RNG_USED, address, block_last(address, size), 0);
  }
}

// The start-up module for the stage, written and assembled; false when its
// file cannot be made. A failed assembly ends the build at once.
static bool make_startup(bool prelink, const std::string &base) {
  std::string source = base + "as", object = base + "obj";
  bool keep = (drv.runtime & RUNTIME_KEEP) != 0;
  if (prelink && !keep) {
    drv.generated_files.push_back(source);
    drv.generated_files.push_back(object);
  }
  FILE *f = fopen(source.c_str(), "w");
  if (!f) {
    msg(141, "runtime startup", source.c_str());
    return false;
  }
  int stage = prelink ? STARTUP_PRELINK : STARTUP_FINAL_LINK;
  startup_header(f, stage);
  // A configuration setting the chip refuses stops the build before a link
  // could write an image without it.
  uint32_t errors = msg_error_count();
  startup_write(f, stage);
  fclose(f);
  if (msg_error_count() != errors) return false;
  uint32_t asmlist = drv.asmlist;
  drv.asmlist = keep;
  bool assembled = pass_assemble(base, source.c_str(), true);
  drv.asmlist = asmlist;
  if (!assembled) prog_exit(1);
  return true;
}

bool pass_link(bool prelink, const std::string &startup_base) {
  stage_begin("Linker");
  symt_reset();
  if (!prelink) symt_read(drv.symbol_path.c_str());

  arglist *list = arglist_new(PASS_LINKER);
  static const char *const callgraph_forms[] = {"-cs", "-cn", "-cc", "-cf"};
  arglist_add_copy(list, callgraph_forms[drv.callgraph & 3]);
  arglist_addf(list, "-h+%s", drv.symbol_path.c_str());
  arglist_add_copy(list, "-z");
  if (prelink) {
    arglist_add_copy(list, "-w9");
    if (!drv.debug_build) arglist_add_copy(list, "--norlf");
  }
  arglist_addf(list, "-Q%s", drv.chip->name);
  if (!prelink) arglist_add_copy(list, "-ol.obj");
  for (const std::string &option : drv.linker_options) {
    size_t equals = option.find('=');
    if (equals == std::string::npos)
      arglist_add_copy(list, option.c_str());
    else if (option.back() != '=')
      arglist_add_copy_flags(list, ARG_CONFIGURABLE, option.c_str());
  }
  arglist_addf(list, "-M%s", drv.map_path.c_str());
  if (drv.formats_in_force) arglist_add_copy(list, "-E1");
  absolute_psect_placement(list);

  mem_space *code = ms_find(mem_spaces, "code"), *data = ms_find(mem_spaces, "data");
  for (mem_space *space : {code, data}) {
    if (!space || (space == data && data == code)) continue;
    for (mem_class *cls = space->classes; cls; cls = cls->next) class_option(list, cls);
  }

  bool startup = !(drv.runtime & RUNTIME_NO_STARTUP);
  if (!startup) {
    link_placement_final(list);
  } else {
    if (!make_startup(prelink, startup_base)) {
      arglist_free(list);
      return false;
    }
    if (prelink)
      link_placement(list);
    else
      link_placement_final(list);
  }

  if (drv.runtime && startup) arglist_addf(list, "%sobj", startup_base.c_str());
  for (const std::string &object : drv.objects) arglist_add_copy(list, object.c_str());
  if (drv.debugger == DEBUGGER_REALICE) arglist_add_copy(list, installed_library("pic-rio.lib").c_str());
  if (drv.runtime & RUNTIME_CLIB)
    for (const std::string &name : drv.link_inputs)
      arglist_add_copy(list, installed_library(lib_variant_prefix() + name + ".lib").c_str());
  return pass_run(list);
}

bool link_stages() {
  std::string base;
  if (drv.runtime & RUNTIME_KEEP) {
    base = obj_file("startup", "");
  } else {
    char *temp = os_tempname();
    base = std::string(temp) + ".";
    xfree(temp);
  }
  // The final link reads only what this build's prelink wrote, never the
  // symbol file of an earlier build.
  remove(drv.symbol_path.c_str());
  bool ok = true;
  if (!(drv.runtime & RUNTIME_NO_STARTUP)) ok = pass_link(true, base);
  if (ok) ok = pass_link(false, base);
  if (ok) {
    symt_reset();
    symt_read(drv.symbol_path.c_str());
  }
  return ok;
}
