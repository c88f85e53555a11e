#include "driver/startup.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "common/alert.h"
#include "common/lists.h"
#include "common/vector.h"
#include "driver/chipinfo.h"
#include "driver/memory.h"
#include "driver/state.h"
#include "driver/symtab.h"

namespace {

struct startup_kind {
  const char *name;
  enum { NONE, CLEAR, COPY } action;
  bool numbered;  // NAME0, NAME1, ... one per bank
  bool bits;      // sized and addressed in bits
};

const startup_kind startup_kinds[] = {
    {"bss", startup_kind::CLEAR, false, false},   {"rbss", startup_kind::CLEAR, false, false},
    {"rbit", startup_kind::CLEAR, false, true},   {"bigbss", startup_kind::CLEAR, false, false},
    {"absbss", startup_kind::CLEAR, true, false}, {"bigdata", startup_kind::COPY, false, false},
    {"data", startup_kind::COPY, true, false},    {"nvbit", startup_kind::NONE, false, true},
    {"nvram", startup_kind::NONE, false, false},
};

const char *const psect_declarations[] = {
    "config,class=CONFIG,delta=1",
    "idloc,class=IDLOC,delta=1",
    "eeprom_data,class=EEDATA,delta=1",
    "const,class=CODE,delta=1,reloc=2",
    "smallconst,class=SMALLCONST,delta=1,reloc=2",
    "mediumconst,class=MEDIUMCONST,delta=1,reloc=2",
    "rbss,class=COMRAM,space=1",
    "bss,class=RAM,space=1",
    "rdata,class=COMRAM,space=1",
    "irdata,class=CODE,space=0,reloc=2",
    "bss,class=RAM,space=1",
    "data,class=RAM,space=1",
    "idata,class=CODE,space=0,reloc=2",
    "nvram,class=NVRAM,space=1",
    "nvrram,class=COMRAM,space=1",
    "nvbit,class=COMRAM,bit,space=1",
    "temp,ovrld,class=COMRAM,space=1",
    "struct,ovrld,class=BIGRAM,space=1",
    "rbit,class=COMRAM,bit,space=1",
    "bigbss,class=BIGRAM,space=1",
    "bigdata,class=BIGRAM,space=1",
    "ibigdata,class=CODE,space=0,reloc=2",
    "farbss,class=FARRAM,space=0,reloc=2,delta=1",
    "fardata,class=FARRAM,space=0,reloc=2,delta=1",
    "ifardata,class=CODE,space=0,reloc=2,delta=1",
    "",
    "reset_vec,class=CODE,delta=1,reloc=2",
    "powerup,class=CODE,delta=1,reloc=2",
    "intcode,class=CODE,delta=1,reloc=2",
    "intcodelo,class=CODE,delta=1,reloc=2",
    "intret,class=CODE,delta=1,reloc=2",
    "intentry,class=CODE,delta=1,reloc=2",
    "",
    "intsave_regs,class=BIGRAM,space=1",
    "init,class=CODE,delta=1,reloc=2",
    "text,class=CODE,delta=1,reloc=2",
};

const struct {
  const char *name;
  const char *value;
} register_equates[] = {
    {"wreg", "0FE8h"},     {"fsr0l", "0FE9h"},    {"fsr0h", "0FEAh"},    {"fsr1l", "0FE1h"},
    {"fsr1h", "0FE2h"},    {"fsr2l", "0FD9h"},    {"fsr2h", "0FDAh"},    {"postinc0", "0FEEh"},
    {"postdec0", "0FEDh"}, {"postinc1", "0FE6h"}, {"postdec1", "0FE5h"}, {"postinc2", "0FDEh"},
    {"postdec2", "0FDDh"}, {"tblptrl", "0FF6h"},  {"tblptrh", "0FF7h"},  {"tblptru", "0FF8h"},
};

struct writer {
  FILE *out;
  bool no_lfsr;  // the lfsr erratum: no LFSR instructions
  int copy_users = 0;
  int clear_users = 0;
  int init_count = 0;

  void put(const char *text) { fputs(text, out); }
  void printf(const char *format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    vfprintf(out, format, args);
    va_end(args);
  }

  // FSR n := a number.
  void fsr_number(int n, unsigned long value) {
    if (!no_lfsr) return printf("\tlfsr\t%d,%lu\n", n, value);
    printf("\tmovlw\tlow(%lu)\n\tmovwf\tfsr%dl\n\tmovlw\thigh(%lu)\n\tmovwf\tfsr%dh\n", value, n, value, n);
  }
  // FSR0 := a symbol.
  void fsr0_symbol(const char *symbol) {
    if (!no_lfsr) return printf("\tlfsr\t0,%s\n", symbol);
    printf("\tmovlw\tlow(%s)\n\tmovwf\tfsr0l\n\tmovlw\thigh(%s)\n\tmovwf\tfsr0h\n", symbol, symbol);
  }
  // FSR n := a loop count.
  void fsr_count(int n, int count) {
    if (!no_lfsr) return printf("\tlfsr\t%d,%d\t; loop variable\n", n, count);
    printf("\tmovlw\tlow(%d)\t; loop variable\n\tmovwf\tfsr%dl\n", count, n);
    if (count < 256)
      printf("\tclrf\tfsr%dh\n", n);
    else
      printf("\tmovlw\thigh(%d)\n\tmovwf\tfsr%dh\n", count, n);
  }
  // TBLPTR := a symbol "__L" + psect; gives the psect's address.
  uint32_t tblptr(const char *symbol) {
    printf("\t; load TBLPTR registers with %s\n", symbol);
    printf("\tmovlw\tlow (%s)\n\tmovwf\ttblptrl\n\tmovlw\thigh(%s)\n\tmovwf\ttblptrh\n", symbol, symbol);
    const char *psect = strlen(symbol) > 3 ? symbol + 3 : "";
    if (!symt_psect_known(psect)) return 0;
    uint32_t address = symt_psect_low(psect);
    if (address > 0xFFFF || drv.pointer_size == 2) printf("\tmovlw\tlow highword(%s)\n\tmovwf\ttblptru\n", symbol);
    return address;
  }
  void reset_nop() {
    if (drv.errata & ERRATA_RESET) put("\tnop\t; NOP for reset vector (precedes GOTO instruction)\n");
  }
  void errata_4000_nop() {
    if (drv.errata & ERRATA_4000) put("\tdw 0xffff\t; NOP required for 4000/FETCH errata workaround\n");
  }

  bool copy_loop_needed(uint32_t items, uint32_t size) const {
    return items < size || (copy_users && (items > 8 ? items - 8 : 0) < size);
  }
  bool clear_loop_needed(uint32_t items, uint32_t size) const {
    return items < size || (clear_users && (items > 6 ? items - 6 : 0) < size);
  }
};

uint32_t psect_size(const char *name) { return symt_psect_known(name) ? symt_psect_size(name) : 0; }
uint32_t psect_address(const char *name) { return symt_psect_known(name) ? symt_psect_low(name) : 0; }
bool psect_present(const char *name) { return symt_psect_known(name) && symt_psect_size(name) != 0; }

bool chip_name_has_j() { return strchr(drv.chip->name, 'J') || strchr(drv.chip->name, 'j'); }

uint32_t comram_top() {
  mem_class *comram = ms_find_class(mem_spaces, "COMRAM");
  return comram ? cls_top(comram) : 0;
}

void write_declarations(writer &w) {
  w.put("\tGLOBAL\t_main,start,_exit\n\tFNROOT\t_main\n\n\tpic18cxx\tequ\t1\n\n");
  if (chip_name_has_j()) w.put("\tpsect\tjflash_buffer,class=CODE,reloc=0x400,space=0\n");
  for (const char *d : psect_declarations) {
    if (*d)
      w.printf("\tpsect\t%s\n", d);
    else
      w.put("\n");
  }
  w.put("GLOBAL\tintlevel0,intlevel1,intlevel2\nintlevel0:\nintlevel1:\nintlevel2:\nGLOBAL\tintlevel3\nintlevel3:\n");
  w.put("\tpsect\tend_init,class=CODE,delta=1,reloc=2\n\tpsect\tclrtext,class=CODE,delta=1,reloc=2\n\n");
}

// A setting the configuration pragma named, found in the chip's list: its
// byte of configuration memory, the bits it owns and the bits it sets there.
struct config_choice {
  std::string text;  // NAME=VALUE, for messages
  unsigned byte;
  uint32_t mask;
  uint32_t bits;
};

// The chip's "CONFIG" lines of a setting: NAME,byte,mask,VALUE/bits,...; a
// setting with many values goes on over several lines of the same name.
bool config_find(const char *name, const char *value, config_choice *choice) {
  vec *lines = chip_key_values(drv.chip, "CONFIG");
  std::string known;  // the setting's name as the chip spells it
  for (uint32_t i = 0; lines && i < vec_size(lines); i++) {
    std::string line = static_cast<const char *>(vec_get(lines, i));
    std::vector<std::string> fields;
    for (size_t at = 0;;) {
      size_t comma = line.find(',', at);
      fields.push_back(line.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
      if (comma == std::string::npos) break;
      at = comma + 1;
    }
    if (fields.size() < 3 || strcasecmp(fields[0].c_str(), name) != 0) continue;
    known = fields[0];
    choice->byte = unsigned(strtoul(fields[1].c_str(), nullptr, 16));
    choice->mask = uint32_t(strtoul(fields[2].c_str(), nullptr, 16));
    for (size_t f = 3; f < fields.size(); f++) {
      size_t slash = fields[f].find('/');
      if (slash == std::string::npos || strcasecmp(fields[f].substr(0, slash).c_str(), value) != 0) continue;
      choice->bits = uint32_t(strtoul(fields[f].c_str() + slash + 1, nullptr, 16)) & choice->mask;
      return true;
    }
  }
  if (known.empty())
    msg(1356, name, drv.chip->name);
  else
    msg(1357, known.c_str(), value, drv.chip->name);
  return false;
}

// Every "__cfg$NAME$VALUE" symbol of the program, checked against the chip
// and against each other: two settings that give the same bits different
// values conflict.
std::vector<config_choice> config_choices() {
  static const char prefix[] = "__cfg$";
  std::vector<config_choice> choices;
  symt_next_symbol(SYMT_ITER_RESET);
  while (const char *symbol = symt_next_symbol(SYMT_ITER_NEXT)) {
    if (strncmp(symbol, prefix, sizeof prefix - 1) != 0) continue;
    std::string setting = symbol + sizeof prefix - 1;
    size_t dollar = setting.find('$');
    if (dollar == std::string::npos) continue;
    std::string name = setting.substr(0, dollar), value = setting.substr(dollar + 1);
    config_choice choice{name + "=" + value, 0, 0, 0};
    if (!config_find(name.c_str(), value.c_str(), &choice)) continue;
    bool clash = false;
    for (const config_choice &other : choices) {
      uint32_t both = other.byte == choice.byte ? other.mask & choice.mask : 0;
      if ((other.bits ^ choice.bits) & both) {
        msg(1358, other.text.c_str(), choice.text.c_str(), drv.chip->name);
        clash = true;
        break;
      }
    }
    if (!clash) choices.push_back(choice);
  }
  return choices;
}

void write_config_words(writer &w) {
  std::vector<config_choice> choices = config_choices();
  for (unsigned n = 1; n <= CHIP_CONFIG_WORDS; n++) {
    const chip_config_word &word = drv.chip->config[n - 1];
    char symbol[32];
    snprintf(symbol, sizeof symbol, "__config%u", n);
    bool given = symt_sym_defined(symbol);
    uint32_t value = given ? word.unprogrammed ^ (~symt_sym_value(symbol) & 0xFFFF) : word.unprogrammed;
    bool named = false;
    for (const config_choice &c : choices) {
      if (c.byte / 2 + 1 != n) continue;
      unsigned shift = 8 * (c.byte % 2);
      value = (value & ~(c.mask << shift)) | (c.bits << shift);
      named = true;
    }
    if (word.set && (given || named)) {
      w.printf("\n; User config settings for word %d\n;", n);
      w.printf("\n\tpsect config\n\torg %u\n\tdw 0x%X\n", unsigned(word.offset), unsigned(value));
    } else if (word.set && (drv.runtime & RUNTIME_CONFIG)) {
      msg(1311, n);
      w.printf("\n; Default config settings for word %d\n;\n", n);
      w.printf("\n\tpsect config\n\torg %u\n\tdw 0x%X\n", unsigned(word.offset), unsigned(word.current));
    } else if (!word.set && (given || named)) {
      msg(1354, n);
    }
  }
}

// Data EEPROM contents on a chip without data EEPROM have no class to go
// to: the link would place them by default, over the program.
void check_eeprom_data() {
  if (drv.chip->eeprom_size == 0 && psect_present("eeprom_data"))
    msg(1360, (unsigned long)psect_size("eeprom_data"), drv.chip->name);
}

void write_equates(writer &w) {
  w.put("\tpsect\trparam,class=COMRAM,space=1\n");
  for (int i = 0; i < drv.chip->bank_count; i++) w.printf("\tpsect\tparam%d,class=BANK%d,space=1\n", i, i);
  for (const auto &e : register_equates) w.printf("%s\tEQU\t%s\n", e.name, e.value);
  w.put("tablat\t\tEQU\t0FF5h\n\n");
  w.printf("\tGLOBAL __accesstop\n__accesstop EQU %lu\n", (unsigned long)comram_top() + 1);
  w.put("\tPSECT\tramtop,class=RAM\n\tGLOBAL\t__S1\t\t\t; top of RAM usage\n\tGLOBAL\t__ramtop\n"
        "\tGLOBAL\t__LRAM,__HRAM\n__ramtop:\n\n");
  if (drv.checksum.given) w.put("\tPSECT\tchecksum,class=CODE,space=0\n\tGLOBAL\t__checksum0\n__checksum0:\n\n");
  if (drv.serial_given) w.put("\tPSECT\tserial,class=CODE,space=0\n\tGLOBAL\t__serial0\n__serial0:\n\n");
}

// Far data goes through the near-RAM buffer between rbss and nvram, since
// table writes reach external memory only from RAM.
void write_far_data_copy(writer &w, uint32_t far_size) {
  w.printf("; fardata psect  - %d bytes to load\n", int(far_size));
  int32_t buffer = int32_t(psect_address("nvram") - psect_address("rbss"));
  // Without a buffer there is nothing to copy through.
  if (far_size && buffer > 0) {
    uint32_t n = far_size, b = uint32_t(buffer);
    w.init_count++;
    w.put("GLOBAL\t__Lfardata,__Hfardata,__Lifardata,__Lrbss\n");
    w.tblptr("__Lifardata");
    w.fsr0_symbol("__Lrbss");
    if (b < n) {
      w.fsr_count(2, int(n / b));
      w.put("far_copy_loop_2:\n");
    }
    w.fsr_count(1, int(n % b));
    w.put("\tcall\tcopy_data\n\t; At this point data image is held in RAM\n\t; now copy this image to external memory\n");
    w.tblptr("__Lfardata");
    if (uint32_t rbss = psect_address("rbss")) w.fsr_count(1, int(rbss));
    w.put("far_copy_loop:\n\tmovff\tpostinc1,tablat\n\ttblwt\t*+\n\tmovf\tfsr1l,w\n\txorwf\tfsr0l,w\n"
          "\tbnz\tfar_copy_loop\n");
    if (b > 255) w.put("\tmovf\tfsr1h,w\n\txorwf\tfsr0h,w\n\tbnz\tfar_copy_loop\n");
    if (b < n) {
      w.fsr_count(1, int(b));
      w.put("\tmovf\tpostdec2,w\t; decrement counter\n\tmovf\tfsr2l,w\t; check if end-limit reached\n"
            "\tbnz\tfar_copy_loop_2\n");
      if (n / b > 255) w.put("\tmovf\tfsr2h,w\n\tbnz\tfar_copy_loop_2\n\n");
    }
  }
  w.put("\n");
}

void write_far_bss_clear(writer &w) {
  uint32_t m = psect_size("farbss"), r = drv.chip->ram_size;
  w.printf("; farbss psect  - %d bytes to clear\n", int(m));
  if (m) {
    w.init_count++;
    w.put("GLOBAL\t__Lfarbss,__Hfarbss\n");
    w.tblptr("__Lfarbss");
    w.put("\tclrf\ttablat\n");
    if (!w.clear_loop_needed(8, m)) {
      for (uint32_t i = 0; i < m; i++) w.put("\ttblwt *+\n");
    } else if (r) {  // the counters split the size by the RAM size
      if (r < m) w.fsr_count(2, int(m / r));
      w.fsr_count(1, int(m % r));
      w.put("far_clear_loop:\n\ttblwt *+\n\tmovf\tpostdec1,w\t; check if end-limit reached\n\tmovf\tfsr1l,w\n"
            "\tbnz\tfar_clear_loop\n");
      if (m > 255) w.put("\tmovf\tfsr1h,w\n\tbnz\tfar_clear_loop\n");
      if (r < m) {
        w.put("\tmovf\tpostdec2,w\t; decrement counter\n\tmovf\tfsr2l,w\t; check if end-limit reached\n"
              "\tbnz\tfar_clear_loop\n");
        if (m / r > 255) w.put("\tmovf\tfsr2h,w\n\tbnz\tfar_clear_loop\n\n");
      }
    }
  }
  w.put("\n");
}

// The psects of a kind: its name, or NAME0, NAME1, ... while known.
template <typename F>
void each_psect(const startup_kind &kind, F action) {
  if (!kind.numbered) return action(std::string(kind.name));
  for (int i = 0;; i++) {
    std::string name = kind.name + std::to_string(i);
    if (!symt_psect_known(name.c_str())) return;
    action(name);
  }
}

// The psects of a kind share one ROM image, laid out in their order: the
// first loads TBLPTR with the image's start, the others go on from where the
// one before left it. `end` is the running end of the image read so far.
void write_copy(writer &w, const startup_kind &kind, const std::string &psect, bool &first, uint32_t &end) {
  uint32_t size = psect_size(psect.c_str());
  w.printf("; %s psect - %lu bytes to load\n", psect.c_str(), (unsigned long)size);
  if (size) {
    std::string image = std::string("__Li") + kind.name;
    w.printf("GLOBAL\t__L%s,__Li%s\n", psect.c_str(), kind.name);
    w.fsr0_symbol(("__L" + psect).c_str());
    if (first) end = w.tblptr(image.c_str());
    first = false;
    end += size;
    if (size > 1) {
      w.fsr_count(1, int(size));
      w.put("\tcall\tcopy_data\n");
    } else {
      w.put("\ttblrd\t*+\n\tmovff\ttablat,postinc0\n");
    }
    if (end > 0xFFFF && drv.pointer_size == 1) {
      w.put("\tclrf\ttblptru\t; Upper address will now be non-zero, maintain clear in cp16 mode\n");
      end %= 0x10000;
    }
    w.copy_users++;
    w.init_count++;
  }
  w.put("\n");
}

void write_clear_range(writer &w, int j, uint32_t lo, uint32_t hi) {
  uint32_t count = hi - lo + 1;
  bool access = comram_covers(lo);
  bool crossing = (lo >> 8) != (hi >> 8) || (access && !comram_covers(hi));
  w.init_count++;
  if (count <= 6 && !crossing) {
    if (!access) w.printf("\tmovlb\t%lu\n", (unsigned long)(lo / 256));
    for (uint32_t k = count; k-- > 0;) w.printf("\tclrf\t%lu,%c\n", (unsigned long)((lo + k) % 256), access ? 'c' : 'b');
  } else if (count <= 6) {
    w.fsr_number(1, lo);
    for (uint32_t k = 0; k < count; k++) w.put("\tclrf\tpostinc1,c\n");
  } else if (count <= 255) {
    w.fsr_number(0, lo);
    w.printf("\tmovlw\t%u\t; loop counter\n", unsigned(count));
    w.printf("clear_%d:\n\tclrf\tpostinc0,c\t; clear, increment FSR0\n\tdecf\twreg,c\t; decrement loop counter\n"
             "\tbnz\tclear_%d\n",
             j, j);
  } else {
    w.fsr_number(0, lo);
    w.fsr_number(1, count);
    w.put("\tcall\tclear_ram\n");
    w.clear_users++;
  }
}

// Copies each initialised psect from its ROM image and collects the
// uninitialised ones, merged, to clear them afterwards.
void write_copy_and_clear(writer &w) {
  mem_space *spaces = nullptr;
  mem_space *own = ms_new(&spaces, "startup", "start-up module", 0);
  mem_class *clear = ms_class_find_or_add(own, "CLEAR", UNIT_BYTE, -1, 0);
  ms_class_find_or_add(own, "COPY", UNIT_BYTE, -1, 0);
  for (const startup_kind &kind : startup_kinds) {
    if (kind.action == startup_kind::CLEAR && (drv.runtime & RUNTIME_CLEAR)) {
      each_psect(kind, [&](const std::string &psect) {
        uint32_t address = psect_address(psect.c_str()), size = psect_size(psect.c_str());
        if (kind.bits) address = (address + 7) / 8, size = (size + 7) / 8;
        if (size) cls_add_range(clear, RNG_DEFINED, address, block_last(address, size), 0);
      });
    } else if (kind.action == startup_kind::COPY && (drv.runtime & RUNTIME_INIT)) {
      bool first = true;
      uint32_t end = 0;
      each_psect(kind, [&](const std::string &psect) { write_copy(w, kind, psect, first, end); });
    }
  }
  int j = 1;
  for (const mem_range *r = cls_list(clear, RNG_DEFINED); r; r = r->next) write_clear_range(w, j++, r->lo, r->hi);
  ms_free_list(spaces);
}

void write_tblptr_setting(writer &w) {
  if (!symt_sym_defined("__activetblptr")) return;
  uint32_t value = symt_sym_value("__activetblptr");
  if (value == 1)
    w.put("\tGLOBAL\t__Lsmallconst\n\tmovlw\tlow highword(__Lsmallconst)\n\tmovwf\ttblptru\n"
          "\tmovlw\thigh(__Lsmallconst)\n\tmovwf\ttblptrh\n");
  else if (value == 2)
    w.put("\tGLOBAL\t__Lmediumconst\n\tmovlw\tlow highword(__Lmediumconst)\n\tmovwf\ttblptru\n");
  else if (value != 0 && value != 3)
    msg(1283, (unsigned long)value);
}

}  // namespace

void startup_header(FILE *out, int stage) {
  fprintf(out, "\n\t; %s V%s\n", product_line, version_text);
  fprintf(out, "\n\t; Auto-generated runtime startup code for %s stage.\n\n\t;\n\t; Compiler options:\n\t;\n\t;",
          stage == STARTUP_PRELINK ? "prelink" : "final link");
  size_t width = 0;
  for (size_t i = 1; i < drv.command_words.size(); i++) {
    const std::string &word = drv.command_words[i];
    width += word.size() + 1;
    if (width > 70) {
      fputs(" \\\n\t;", out);
      width = word.size() + 1;
    }
    fprintf(out, " %s", word.c_str());
  }
  fputs("\n\t;\n\n\n", out);
}

void startup_write(FILE *out, int stage) {
  writer w{out, (drv.errata & ERRATA_LFSR) != 0};
  bool powerup = psect_present("powerup");
  drv.interrupt_flags = (psect_present("intcode") ? 1u : 0u) | (psect_present("intcodelo") ? 2u : 0u);
  bool interrupts = drv.interrupt_flags != 0;

  write_declarations(w);
  if (stage == STARTUP_FINAL_LINK) {
    write_config_words(w);
    check_eeprom_data();
  }
  write_equates(w);

  uint32_t far_size = psect_size("fardata");
  if (far_size && w.copy_loop_needed(1, far_size)) w.copy_users++;

  w.put("\tPSECT\treset_vec\nreset_pos:\n");
  if (powerup) {
    w.put("\tGLOBAL\tpowerup\n");
    w.reset_nop();
    w.put("\tgoto\tpowerup\n");
  } else if (interrupts) {
    w.reset_nop();
    w.put("\tgoto\tstart\n");
  }
  w.put("\n\tPSECT\tinit\nstart:\n_exit:\n");
  w.errata_4000_nop();
  if (drv.runtime & RUNTIME_DOWNLOAD) w.put("\tclrf\ttblptru ; bootloader safety check\n");

  if (drv.runtime & RUNTIME_INIT) write_far_data_copy(w, far_size);
  if (drv.runtime & RUNTIME_CLEAR) write_far_bss_clear(w);
  write_copy_and_clear(w);

  if (w.init_count) w.put("\tPSECT\tend_init\n");
  write_tblptr_setting(w);
  if (!powerup && !interrupts && !w.init_count) w.reset_nop();
  w.put("\tgoto\t_main\t\t;go do the main stuff\n");
  if (w.clear_users)
    w.put("; Clear these memory locations\nclear_ram:\n\tclrf\tpostinc0\t;clear, increment FSR0\n"
          "\tmovf\tpostdec1,w\t;decrement loop variable\n\tmovf\tfsr1l,w\n\tbnz\tclear_ram\n\tmovf\tfsr1h,w\n"
          "\tbnz\tclear_ram\n\treturn\n");
  if (w.copy_users) {
    w.put("; Copy the ROM data image to destination in RAM\ncopy_data:\n\ttblrd\t*+\n\tmovff\ttablat,postinc0\n");
    if (drv.chip->ram_size > 256)
      w.put("\tmovf\tpostdec1,w\t;decrement loop variable\n\tmovf\tfsr1l,w\n\tbnz\tcopy_data\n\tmovf\tfsr1h,w\n"
            "\tbnz\tcopy_data\n");
    else
      w.put("\tdecf\tfsr1l,f\t;decrement loop variable\n\tbnz\tcopy_data\n");
    w.put("\treturn\n");
  }
  w.put("\n\tEND\treset_pos\n");
}
