#include "driver/frontend.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "common/vector.h"
#include "driver/arglist.h"
#include "driver/build.h"
#include "driver/chipinfo.h"
#include "driver/files.h"
#include "driver/state.h"

enum { PASS_LISTING = 0, PASS_PREPROCESSOR = 1, PASS_PARSER = 2 };

bool pass_listing(const std::string &base, const char *source) {
  arglist *list = arglist_new(PASS_LISTING);
  arglist_add_copy(list, source);
  arglist_addf(list, "%slst", base.c_str());
  return pass_run(list);
}

// The debugger's macros and the first ROM range its executive takes.
struct debugger_macros {
  uint32_t debugger;
  const char *macros[2];
  const char *range_names;  // "%s_START" and "%s_END" follow "-D"
  bool realice_range;
};

static const debugger_macros debugger_table[] = {
    {DEBUGGER_ICD2, {"-DSTUDIO_ICD=2", "-D__STUDIO_ICD__=2"}, "_ICDROM", false},
    {DEBUGGER_ICD3, {"-DSTUDIO_ICD=3", "-D__STUDIO_ICD__=3"}, "_ICDROM", true},
    {DEBUGGER_REALICE, {"-D__STUDIO_REALICE__=1", nullptr}, "_REALICEROM", true},
    {DEBUGGER_PICKIT2, {"-D__STUDIO_PICKIT__=2", nullptr}, "_PICKITROM", false},
    {DEBUGGER_PICKIT3, {"-D__STUDIO_PICKIT__=3", nullptr}, "_PICKITROM", false},
};

void pp_target_args(arglist *list) {
  const chip_record *chip = drv.chip;
  arglist_add_copy(list, "-D__TOVRA18__");
  arglist_addf(list, "-D_%s", chip->name);
  arglist_addf(list, "-D__%s", chip->name);
  arglist_add_copy(list, "-D_MPC_");
  arglist_add_copy(list, "-D_PIC18");
  arglist_add_copy(list, (drv.opt & OPT_SPEED) ? "-D__OPTIMIZE_SPEED__" : "-D__OPTIMIZE_SIZE__");
  arglist_add_copy(list, drv.double_type == DOUBLE_32 ? "-S1,2,2,3,4,3,4" : "-S1,2,2,3,4,3,3");
  for (const debugger_macros &d : debugger_table) {
    if (drv.debugger != d.debugger) continue;
    for (const char *m : d.macros) arglist_add_copy(list, m);
    const chip_range &rom = d.realice_range ? chip->realice_rom[0] : chip->icd_rom[0];
    arglist_addf(list, "-D%s_START=%d", d.range_names, int(rom.lo));
    arglist_addf(list, "-D%s_END=%d", d.range_names, int(rom.hi));
  }
  arglist_addf(list, "-D_ROMSIZE=%d", int(chip->rom_size));
  arglist_addf(list, "-D_RAMSIZE=%d", int(chip->ram_size));
  arglist_addf(list, "-D_EEPROMSIZE=%d", int(chip->eeprom_size));
  arglist_addf(list, "-D_FLASH_ERASE_SIZE=%d", chip->flash_erase_size);
  arglist_addf(list, "-D_FLASH_WRITE_SIZE=%d", chip->flash_write_size);
  if (drv.errata & ERRATA_4000) arglist_add_copy(list, "-DERRATA_4000_BOUNDARY");
  arglist_addf(list, "-D_ERRATA_TYPES=%d", int(drv.errata));
  if (drv.runtime & RUNTIME_PLIB) arglist_add_copy(list, "-D_PLIB");
}

bool pass_preprocess(const std::string &base, const char *source) {
  stage_begin("Preprocessor");
  arglist *list = arglist_new(PASS_PREPROCESSOR);
  for (const std::string &a : drv.pp_args) arglist_add_copy(list, a.c_str());
  if (drv.formats_in_force) arglist_add_copy(list, "-E1");
  if (drv.ide == IDE_MORVEL)
    arglist_addf(list, "-LM-%s", obj_file(source, "d").c_str());
  else if (drv.scandep)
    arglist_add_copy(list, "-L");
  arglist_add_copy(list, "-D_AMBRITE_CODE_");
  arglist_addf(list, "-D_ZVQ_VER_MAJOR_=%d", 9);
  arglist_addf(list, "-D_ZVQ_VER_MINOR_=%d", 63);
  arglist_addf(list, "-D_ZVQ_VER_PATCH_=%d", 3);
  arglist_addf(list, "-D_ZVQ_EDITION_=%d", 2);
  if (drv.ident_length != 31)
    arglist_addf(list, "-N%d", int(drv.ident_length));
  else if (is_asm_source(source))
    arglist_add_copy(list, "-N255");
  pp_target_args(list);
  if (drv.ide == IDE_STUDIO) {
    char *absolute = os_abs_path(source);
    arglist_add_owned(list, absolute ? absolute : str_dup(source));
  } else {
    arglist_add_copy(list, source);
  }
  bool dependencies = drv.scandep && drv.ide != IDE_MORVEL;
  arglist_addf(list, "%s%s", base.c_str(), dependencies ? "dep" : "pre");
  return pass_run(list);
}

void parser_target_args(arglist *list) {
  for (const char *a : {"-Gstrings,const", "-M", "-B", "-Y", "-r", "-J"}) arglist_add_copy(list, a);
  if (drv.debugger == DEBUGGER_REALICE) arglist_add_copy(list, "-RI");
  vec *qualifiers = qualifier_list();
  for (uint32_t i = 0; i < vec_size(qualifiers); i++)
    arglist_add_owned(list, static_cast<char *>(vec_get(qualifiers, i)));
  vec_free(qualifiers);
}

bool pass_parse(const std::string &base) {
  stage_begin("Parser");
  arglist *list = arglist_new(PASS_PARSER);
  arglist_add_copy(list, "-v");
  if (drv.ident_length != 31) arglist_addf(list, "-N%d", int(drv.ident_length));
  if (drv.formats_in_force) arglist_add_copy(list, "-E1");
  if (drv.stop_at_asm || drv.asmlist) arglist_add_copy(list, "-S");
  if (drv.cross_ref) arglist_add_copy(list, "-ctallik.tmp");
  if (drv.strict) arglist_add_copy(list, "-strict");
  if (drv.proto) arglist_addf(list, "-p%spro", base.c_str());
  arglist_add_copy(list, "-u");
  arglist_add_copy(list, "-fp");
  if (drv.ide == IDE_MORVEL) arglist_addf(list, "--fipath=%s", drv.obj_dir.c_str());
  parser_target_args(list);
  arglist_addf(list, "%spre", base.c_str());
  arglist_addf(list, "%sparsk", base.c_str());
  arglist_add_copy(list, drv.spool_temp.c_str());
  bool ok = pass_run(list);
  if (ok && drv.proto && !drv.getoption && !drv.noexec) proto_rewrite(base);
  return ok;
}

std::string proto_old_style(const std::string &line) {
  size_t semicolon = line.rfind(';');
  if (semicolon == std::string::npos) return line;
  // Walk back to the ")" that closes the list, then to its "(".
  size_t close = line.find_last_of(')', semicolon);
  if (close == std::string::npos) return line;
  int depth = 0;
  for (size_t i = close + 1; i-- > 0;) {
    if (line[i] == ')') depth++;
    if (line[i] == '(' && --depth == 0) return line.substr(0, i) + "();\n";
  }
  return line;
}

static void report_file_error(const std::string &name) { msg_print("%s: %s", name.c_str(), strerror(errno)); }

static void write_block(FILE *f, const std::vector<std::string> &lines) {
  fputs("#if        PROTOTYPES\n", f);
  for (const std::string &l : lines) fputs(l.c_str(), f);
  fputs("#else /* PROTOTYPES */\n", f);
  for (const std::string &l : lines) fputs(proto_old_style(l).c_str(), f);
  fputs("#endif /* PROTOTYPES */\n\n", f);
}

void proto_rewrite(const std::string &base) {
  std::string path = base + "pro";
  FILE *f = fopen(path.c_str(), "r");
  if (!f) {
    report_file_error(path);
    return;
  }
  std::vector<std::string> lines;
  std::string line;
  for (int c; (c = fgetc(f)) != EOF;) {
    line += char(c);
    if (c == '\n') lines.push_back(std::move(line)), line.clear();
  }
  if (!line.empty()) lines.push_back(line + "\n");
  fclose(f);
  std::sort(lines.begin(), lines.end());

  if (!(f = fopen(path.c_str(), "w"))) {
    report_file_error(path);
    return;
  }
  std::string name = base.substr(0, base.size() - 1);
  auto first_static = std::find_if(lines.begin(), lines.end(), [](const std::string &l) { return l[0] == 's'; });
  std::vector<std::string> externs(lines.begin(), first_static), statics(first_static, lines.end());
  fprintf(f, "/* Prototypes from %s.c */\n\n", name.c_str());
  fputs("/* extern functions - include these in a header file */\n\n", f);
  write_block(f, externs);
  if (!statics.empty()) {
    fprintf(f, "/* static functions - include these in %s.c only */\n\n", name.c_str());
    write_block(f, statics);
  }
  fclose(f);
}
