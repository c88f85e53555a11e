#include "driver/outpass.h"

#include <cstring>

#include "common/alert.h"
#include "common/lists.h"
#include "driver/arglist.h"
#include "driver/build.h"
#include "driver/chipinfo.h"
#include "driver/files.h"
#include "driver/memory.h"
#include "driver/state.h"

enum { PASS_TOHEX = 6, PASS_HEXMERGE = 7, PASS_SYMCONVERT = 8, PASS_LIBRARIAN = 9, PASS_XREF = 10 };

enum { OUT_TSK = 0x20040 };

const char *output_extension(uint32_t format_bits) {
  static const struct {
    uint32_t bits;
    const char *extension;
  } extensions[] = {
      {OUT_INTEL, "hex"},    {OUT_TEK, "tek"},   {OUT_AAHEX, "aahex"}, {OUT_MOTOROLA, "s19"},
      {OUT_UBROF, "ubr"},    {OUT_BINARY, "bin"}, {OUT_TSK, "tsk"},
  };
  for (const auto &e : extensions)
    if (e.bits & format_bits) return e.extension;
  return "hex";
}

static bool chip_name_has_j() { return strchr(drv.chip->name, 'J') || strchr(drv.chip->name, 'j'); }

void tohex_fill_args(arglist *list, uint32_t format_bits) {
  if (!(format_bits & OUT_BINARY)) return;
  if (!drv.fill_given) {
    arglist_add_copy(list, "-F0FFFFh");
    return;
  }
  std::string value = drv.fill.substr(0, 8);
  value = value.substr(0, value.find('@'));
  arglist_addf(list, "-F0%sh", value.c_str());
}

bool pass_tohex(const std::string &output, uint32_t format_bits) {
  stage_begin("Output file conversion");
  arglist *list = arglist_new(PASS_TOHEX);
  if ((format_bits & OUT_UBROF) || ends_with(output.c_str(), ".ubr")) {
    arglist_add_copy(list, "-ub");
  } else if (format_bits & OUT_TEK) {
    arglist_add_copy(list, "-t");
  } else if (format_bits & OUT_AAHEX) {
    arglist_add_copy(list, "-ma");
  } else if (format_bits & OUT_MOTOROLA) {
    arglist_add_copy(list, "-m");
  } else if (format_bits & OUT_TSK) {
    arglist_add_copy(list, "-h");
  } else if (format_bits & OUT_BINARY) {
    arglist_add_copy(list, "-b");
  } else {
    arglist_add_copy(list, "-i");
    format_bits |= OUT_INTEL;
    drv.output |= OUT_INTEL;
  }
  if (format_bits & (OUT_INTEL | OUT_AAHEX | OUT_MOTOROLA | OUT_INHX032)) arglist_add_copy(list, "-16,2");
  tohex_fill_args(list, format_bits);
  arglist_add_copy(list, "l.obj");
  arglist_add_copy(list, output.c_str());
  bool ok = pass_run(list);
  if (ok && (format_bits & (OUT_INTEL | OUT_INHX032))) ok = pass_hexmerge(output, format_bits);
  return ok;
}

void hexmerge_errata_args(arglist *list) {
  const chip_record *chip = drv.chip;
  unsigned long top = chip->rom_size - 1;
  if (mem_class *code = ms_find_class(mem_spaces, "CODE"); code && cls_free_top(code) > chip->rom_size)
    top = cls_free_top(code);
  if (drv.errata & ERRATA_BSR15) arglist_addf(list, "-find=0F01@0-0x%X/2wt\"Movlb_15\"", unsigned(top));
  if (drv.runtime & RUNTIME_DOWNLOAD) arglist_addf(list, "-FILL=FF@0-%lX,data", top);
  if (chip_name_has_j())
    arglist_addf(list, "-break=%lX", (unsigned long)chip->rom_size);
  else
    arglist_add_copy(list, "-break=300000");
}

bool pass_hexmerge(const std::string &hex_file, uint32_t format_bits) {
  if (hex_file.empty()) return true;
  stage_begin("Output file conversion");
  arglist *list = arglist_new(PASS_HEXMERGE);
  arglist_add_copy(list, hex_file.c_str());
  for (const std::string &h : drv.hex_inputs) arglist_add_copy(list, h.c_str());
  if (drv.formats_in_force) arglist_add_copy(list, "-E1");
  arglist_addf(list, "-O%s", hex_file.c_str());
  arglist_addf(list, "-logfile=%s", out_file("hxl").c_str());
  if (format_bits & OUT_INHX032) arglist_add_copy(list, "-format=INHX032");
  arglist_add_copy(list, "-addressing=1");
  if (drv.serial_given) arglist_addf(list, "-serial=%s", drv.serial.c_str());
  if (drv.fill_given && strcasecmp(drv.fill.c_str(), "off") != 0) {
    if (drv.fill.find('@') != std::string::npos) {
      arglist_addf(list, "-fill=%s", drv.fill.c_str());
    } else {
      mem_space *code = ms_find(mem_spaces, "code");
      const mem_range *r = code && code->classes ? cls_list(code->classes, RNG_DEFINED) : nullptr;
      if (!r) msg(941, "--FILL", "--FILL", "=hexcode@start-end");
      for (; r; r = r->next)
        arglist_addf(list, "-fill=%s@%lX-%lX", drv.fill.c_str(), (unsigned long)r->lo, (unsigned long)r->hi);
    }
  }
  if (drv.checksum.given) {
    const checksum_spec &ck = drv.checksum;
    arglist_addf(list, "-ck=%lX-%lX@%lX+%lXw%ig%i", (unsigned long)ck.start, (unsigned long)ck.end,
                 (unsigned long)ck.destination, (unsigned long)ck.offset, ck.width, int(ck.algorithm));
  }
  hexmerge_errata_args(list);
  return pass_run(list);
}

namespace {
struct symconvert_format {
  uint32_t bit;
  const char *key;
  bool omf;   // "-e" and an output file of its own
  bool mcof;  // "-k" first and the processor identifier
};

const symconvert_format symconvert_formats[] = {
    {OUT_COD, "cod", false, false},  {OUT_COFF, "cof", false, false}, {OUT_MCOF, "mcof", false, true},
    {OUT_ELF, "elf", false, false},  {0x8000, "omf", true, false},    {0x10000, "eomf", true, false},
    {0x20000, "htk", false, false},
};

const symconvert_format *symconvert_format_of(uint32_t bit) {
  for (const symconvert_format &f : symconvert_formats)
    if (f.bit == bit) return &f;
  return nullptr;
}
}  // namespace

void symconvert_extra_args(arglist *list, uint32_t format_bit) {
  const symconvert_format *format = symconvert_format_of(format_bit);
  if (!format) return;
  if (format->omf) {
    arglist_add_copy(list, "-e");
    return;
  }
  arglist_add_copy(list, "-m");
  if (format->mcof)
    arglist_addf(list, "-P%s,%s,%s", drv.chip->name, drv.chip->procid ? drv.chip->procid : "",
                 chip_arch_name(CHIP_ARCH_PIC18));
  else
    arglist_addf(list, "-P%s,%s", drv.chip->name, chip_arch_name(CHIP_ARCH_PIC18));
  std::string names;
  if (mem_space *code = ms_find(mem_spaces, "code"))
    for (mem_class *c = code->classes; c; c = c->next) names += (names.empty() ? "" : ",") + std::string(c->name);
  arglist_addf(list, "-N%s", names.c_str());
}

bool pass_symconvert(const std::string &hex_file, const std::string &symbol_file, uint32_t format_bit) {
  const symconvert_format *format = symconvert_format_of(format_bit);
  if (!format) return true;
  stage_begin("Output file conversion");
  arglist *list = arglist_new(PASS_SYMCONVERT);
  if (format->mcof) arglist_add_copy(list, "-k");
  symconvert_extra_args(list, format_bit);
  arglist_add_copy(list, hex_file.c_str());
  arglist_add_copy(list, symbol_file.c_str());
  arglist_addf(list, "-o%s", format->key);
  if (drv.formats_in_force) arglist_add_copy(list, "-E1");
  if (format->omf) arglist_add_copy(list, out_file("omf").c_str());
  return pass_run(list);
}

bool pass_librarian(bool pcode) {
  stage_begin("Library builder");
  arglist *list = arglist_new(PASS_LIBRARIAN);
  arglist_add_copy(list, "r");
  arglist_add_copy(list, out_file(pcode ? "lpp" : "lib").c_str());
  for (const std::string &file : pcode ? drv.intermediates : drv.objects) arglist_add_copy(list, file.c_str());
  return pass_run(list);
}

bool pass_librarian_order(const std::string &library, const std::vector<std::string> &modules) {
  stage_begin("Library builder");
  arglist *list = arglist_new(PASS_LIBRARIAN);
  arglist_add_copy(list, "o");
  arglist_add_copy(list, library.c_str());
  for (const std::string &m : modules) arglist_add_copy(list, m.c_str());
  return pass_run(list);
}

bool pass_xref() {
  stage_begin("Cross reference");
  arglist *list = arglist_new(PASS_XREF);
  arglist_addf(list, "-o%s", drv.cross_ref_file.c_str());
  arglist_addf(list, "-h%s", out_file("crf").c_str());
  arglist_add_copy(list, "tallik.tmp");
  return pass_run(list);
}
