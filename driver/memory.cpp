#include "driver/memory.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/lists.h"
#include "driver/chipinfo.h"
#include "driver/state.h"

mem_space *mem_spaces;

// The PIC18's address limits: a 21-bit program counter, 12-bit file
// register addresses; the image holds ID locations, configuration words and
// EEPROM data above the program space.
static const uint32_t PROGRAM_SPACE_TOP = 0x1FFFFF;
static const uint32_t DATA_SPACE_TOP = 0xFFF;
static const uint32_t IDLOC_LO = 0x200000, IDLOC_HI = 0x200007;
static const uint32_t CONFIG_LO = 0x300000, CONFIG_HI = 0x30000D;
static const uint32_t EEPROM_LO = 0xF00000;

// The chip's ROM range list (ROMSIZE) and the debugger ranges by selector.
static mem_range *chip_rom;
static mem_range *debug_ranges[CHIP_RANGE_REALICE_RAM + 1];

static mem_space *space(const char *name) { return ms_find(mem_spaces, name); }

static mem_class *class_in(const char *space_name, const char *name) {
  return ms_class_find_or_add(space(space_name), name, UNIT_BYTE, -1, 0);
}

static mem_class *existing(const char *name) { return ms_find_class(mem_spaces, name); }

// Adds lo..hi in pieces that never cross a multiple of the boundary; with no
// boundary the range goes in whole and joins its neighbours.
static void add_split(mem_class *cls, int list, uint32_t lo, uint32_t hi, uint32_t boundary) {
  if (!cls || hi < lo) return;
  if (!boundary) {
    cls_add_range(cls, list, lo, hi, 0);
    return;
  }
  for (uint64_t a = lo; a <= hi;) {
    uint64_t end = a | (boundary - 1);
    if (end > hi) end = hi;
    cls_add_range(cls, list, uint32_t(a), uint32_t(end), boundary);
    a = end + 1;
  }
}

static uint32_t code_split() { return (drv.errata & ERRATA_4000) ? 0x4000 : 0; }

static bool has_ranges(const mem_class *cls) { return cls && cls->ranges[RNG_DEFINED]; }

mem_space *eeprom_space_new() { return ms_new(&mem_spaces, "eedata", "EEPROM space", 2); }

void memory_spaces_new() {
  ms_new(&mem_spaces, "code", "Program space", 2);
  ms_new(&mem_spaces, "data", "Data space", 2);
  eeprom_space_new();
}

void memory_reset() {
  for (mem_space *s = mem_spaces; s; s = s->next) ms_reset(s);
  rng_free(chip_rom);
  chip_rom = nullptr;
  for (mem_range *&list : debug_ranges) {
    rng_free(list);
    list = nullptr;
  }
}

void chip_size_hook(chip_record *, int selector, uint32_t size) {
  if (size == 0) return;
  switch (selector) {
    case CHIP_SIZE_ROM:
      rng_free(chip_rom);
      chip_rom = nullptr;
      rng_add(&chip_rom, 0, size - 1, 0, 1);
      break;
    case CHIP_SIZE_RAM:
      add_split(class_in("data", "RAM"), RNG_DEFINED, 0, size - 1, 0x100);
      add_split(class_in("data", "BIGRAM"), RNG_DEFINED, 0, size - 1, 0);
      break;
    case CHIP_SIZE_EEPROM:
      add_split(class_in("eedata", "EEDATA"), RNG_DEFINED, EEPROM_LO, EEPROM_LO + size - 1, 0);
      break;
  }
}

void chip_range_hook(chip_record *, int selector, uint32_t lo, uint32_t hi) {
  if (selector == CHIP_RANGE_COMMON)
    add_split(class_in("data", "COMRAM"), RNG_DEFINED, lo, hi, 0);
  else if (selector > 0 && selector <= CHIP_RANGE_REALICE_RAM)
    rng_add(&debug_ranges[selector], lo, hi, 0, 1);
}

// The program-space classes of one ROM range.
static void add_rom_range(uint32_t lo, uint32_t hi, uint32_t smallconst_lo) {
  add_split(class_in("code", "CODE"), RNG_DEFINED, lo, hi, code_split());
  add_split(class_in("code", "CONST"), RNG_DEFINED, lo, hi, 0);
  add_split(class_in("code", "SMALLCONST"), RNG_DEFINED, smallconst_lo, hi, 0x100);
  add_split(class_in("code", "MEDIUMCONST"), RNG_DEFINED, lo, hi, 0x10000);
}

// A --ram range from this address on lies above the program memory: RAM on
// the external bus, in program space. The largest 64-bit value when there is
// no program memory to be above.
static uint64_t external_ram_start() {
  mem_class *code = existing("CODE");
  return has_ranges(code) ? uint64_t(cls_free_top(code)) + 1 : UINT64_MAX;
}

struct address_extent {
  int64_t lo, hi;
};

static const char *const option_names[] = {"--rom", "--ram", "--serial", "--checksum", "--fill", "--codeoffset"};

static std::vector<address_extent> option_extents(mem_option which) {
  switch (which) {
    case MEMOPT_ROM:
    case MEMOPT_CODEOFFSET:
      return {{0, PROGRAM_SPACE_TOP}};
    case MEMOPT_RAM: {
      std::vector<address_extent> extents{{0, DATA_SPACE_TOP}};
      uint64_t external = std::max<uint64_t>(external_ram_start(), DATA_SPACE_TOP + 1);
      if (external <= PROGRAM_SPACE_TOP) extents.push_back({int64_t(external), PROGRAM_SPACE_TOP});
      return extents;
    }
    default: {
      std::vector<address_extent> extents{{0, PROGRAM_SPACE_TOP}, {IDLOC_LO, IDLOC_HI}, {CONFIG_LO, CONFIG_HI}};
      if (drv.chip && drv.chip->eeprom_size)
        extents.push_back({EEPROM_LO, EEPROM_LO + int64_t(drv.chip->eeprom_size) - 1});
      return extents;
    }
  }
}

static std::string address_text(int64_t address) {
  char text[24];
  unsigned long long magnitude = address < 0 ? 0ULL - (unsigned long long)address : (unsigned long long)address;
  snprintf(text, sizeof text, "%s%llXh", address < 0 ? "-" : "", magnitude);
  return text;
}

static std::string range_text(int64_t lo, int64_t hi) {
  return lo == hi ? address_text(lo) : address_text(lo) + "-" + address_text(hi);
}

bool memory_range_check(mem_option which, int64_t lo, int64_t hi) {
  const char *option = option_names[which];
  if (hi < lo) {
    msg(933, option, range_text(lo, hi).c_str());
    return false;
  }
  std::vector<address_extent> extents = option_extents(which);
  std::string allowed;
  for (const address_extent &e : extents) {
    if (e.lo <= lo && hi <= e.hi) return true;
    allowed += (allowed.empty() ? "" : ", ") + range_text(e.lo, e.hi);
  }
  msg(932, option, range_text(lo, hi).c_str(), allowed.c_str());
  return false;
}

uint32_t block_last(uint32_t start, uint32_t length) {
  return uint32_t(std::min<uint64_t>(uint64_t(start) + length - 1, UINT32_MAX));
}

void rom_ram_add(void *option, uint32_t lo, uint32_t hi) {
  mem_option which = mem_option(reinterpret_cast<intptr_t>(option));
  if (which == MEMOPT_ROM) {
    add_rom_range(lo, hi, hi - lo >= 0xFF ? lo + 0xFF : hi + 1);
    mem_class *bigram = existing("BIGRAM");
    if (has_ranges(bigram))
      cls_add_ranges_repeated(class_in("code", "MEDIUMCONST"), RNG_USED, 0, cls_top(bigram), 0x10000);
    return;
  }
  if (which != MEMOPT_RAM) return;
  if (lo > DATA_SPACE_TOP && lo >= external_ram_start()) {
    // Above program memory: RAM on the external bus.
    if (!drv.chip || !drv.chip->has_extmem) {
      msg(1211, "FARRAM");
      return;
    }
    add_split(class_in("code", "FARRAM"), RNG_DEFINED, lo, hi, 0);
    return;
  }
  add_split(class_in("data", "BIGRAM"), RNG_DEFINED, lo, hi, 0);
  add_split(class_in("data", "RAM"), RNG_DEFINED, lo, hi, 0x100);
}

void rom_ram_reserve(void *option, uint32_t lo, uint32_t hi) {
  mem_option which = mem_option(reinterpret_cast<intptr_t>(option));
  if (which == MEMOPT_RAM) {
    ms_add_range_all(space("data"), RNG_USED, lo, hi, 0);
    if (mem_class *far = existing("FARRAM"); far && lo >= 0x20000) cls_add_range(far, RNG_USED, lo, hi, 0);
    return;
  }
  ms_add_range_all(space("code"), RNG_USED, lo, hi, 0);
}

void build_program_classes() {
  if (!chip_rom) return;
  add_rom_range(chip_rom->lo, chip_rom->hi, chip_rom->lo);
}

static bool chip_name_has_j(const chip_record *chip) {
  return chip->name && (strchr(chip->name, 'J') || strchr(chip->name, 'j'));
}

// The free part of RAM within each 256-byte bank becomes class BANKi.
static void build_bank_classes(int bank_count) {
  mem_class *ram = existing("RAM");
  if (!ram) return;
  mem_range *free = rng_subtract(ram->ranges[RNG_DEFINED], ram->ranges[RNG_USED]);
  for (int i = 0; i < bank_count; i++) {
    uint32_t lo = uint32_t(i) * 0x100, hi = lo + 0xFF;
    mem_class *bank = nullptr;
    for (mem_range *r = free; r; r = r->next) {
      uint32_t a = r->lo > lo ? r->lo : lo, b = r->hi < hi ? r->hi : hi;
      if (a > b) continue;
      if (!bank) bank = class_in("data", ("BANK" + std::to_string(i)).c_str());
      cls_add_range(bank, RNG_DEFINED, a, b, 0);
    }
  }
  rng_free(free);
}

static void add_debugger_macros() {
  switch (drv.debugger) {
    case DEBUGGER_ICD2: drv.pp_args.push_back("-D__STUDIO_ICD2__=1"); break;
    case DEBUGGER_ICD3: drv.pp_args.push_back("-D__STUDIO_ICD3__=1"); break;
    case DEBUGGER_PICKIT2: drv.pp_args.push_back("-D__STUDIO_PICKIT2__=1"); break;
    case DEBUGGER_PICKIT3: drv.pp_args.push_back("-D__STUDIO_PICKIT3__=1"); break;
    case DEBUGGER_REALICE:
      drv.pp_args.push_back("-D__STUDIO_REALICE__=1");
      drv.pp_args.push_back("-D__IT=0x101");
      break;
  }
}

// The debug executive's memory is taken from every class, and it uses one
// level of the return stack.
static void reserve_debugger_resources(chip_record *chip) {
  mem_range *ram = nullptr, *rom = nullptr;
  switch (drv.debugger) {
    case DEBUGGER_ICD2:
    case DEBUGGER_PICKIT2:
    case DEBUGGER_PICKIT3:
      ram = debug_ranges[CHIP_RANGE_ICD_RAM];
      rom = debug_ranges[CHIP_RANGE_ICD_ROM];
      break;
    case DEBUGGER_REALICE:
    case DEBUGGER_ICD3:
      ram = debug_ranges[CHIP_RANGE_REALICE_RAM];
      rom = debug_ranges[CHIP_RANGE_REALICE_ROM];
      break;
    default:
      return;
  }
  chip->stack_depth--;
  for (mem_range *r = ram; r; r = r->next) ms_add_range_all(space("data"), RNG_USED, r->lo, r->hi, 0);
  for (mem_range *r = rom; r; r = r->next) ms_add_range_all(space("code"), RNG_USED, r->lo, r->hi, 0);
}

void build_memory_classes() {
  chip_record *chip = drv.chip;
  if (!chip) return;
  if (chip->ram_size) add_split(class_in("data", "ABS1"), RNG_DEFINED, 0, chip->ram_size - 1, 0);

  mem_class *bigram = existing("BIGRAM");
  bool bigram_free = bigram && cls_free_size(bigram);
  chip->bank_count = bigram_free ? int(cls_free_top(bigram) >> 8) + 1 : 0;

  if (chip_rom && has_ranges(bigram)) {
    // Const pointers below the top of RAM address RAM, so those program
    // addresses cannot hold small or medium constants.
    uint32_t top = ((uint64_t(cls_top(bigram)) + 0x100) & ~uint64_t(0xFF)) - 1;
    if (mem_class *small = existing("SMALLCONST")) cls_add_range(small, RNG_USED, 0, top, 0);
    if (mem_class *medium = existing("MEDIUMCONST")) cls_add_ranges_repeated(medium, RNG_USED, 0, top, 0x10000);
  }

  build_bank_classes(chip->bank_count);
  add_debugger_macros();
  reserve_debugger_resources(chip);

  if (bigram && cls_free_size(bigram)) {
    uint32_t top = cls_free_top(bigram);
    add_split(class_in("data", "NVRAM"), RNG_DEFINED, top & ~0xFFu, top, 0);
  }
  if (!space("idloc")) ms_new(&mem_spaces, "idloc", "ID Location space", 4);
  if (!space("config")) ms_new(&mem_spaces, "config", "Configuration bits", 3);
  add_split(class_in("idloc", "IDLOC"), RNG_DEFINED, IDLOC_LO, IDLOC_HI, 0);
  // J chips keep their configuration words in the last bytes of flash: eight,
  // or sixteen on the parts with eight words.
  if (chip_name_has_j(chip)) {
    uint32_t bytes = 8;
    for (unsigned n = 1; n <= CHIP_CONFIG_WORDS; n++)
      if (chip->config[n - 1].set && 2 * n > bytes) bytes = 2 * n;
    add_split(class_in("config", "CONFIG"), RNG_DEFINED, chip->rom_size, chip->rom_size + bytes - 1, 0);
  }
  else
    add_split(class_in("config", "CONFIG"), RNG_DEFINED, CONFIG_LO, CONFIG_HI, 0);
}

struct psect_description {
  const char *psect;
  const char *cls;
  uint8_t unit;
  const char *text;
};

static const psect_description psect_descriptions[] = {
    {"rdata", "COMRAM", UNIT_BYTE, "Near RAM initialized data"},
    {"irdata", "CODE", UNIT_BYTE, "Near RAM initialized data (ROM image)"},
    {"rbss", "COMRAM", UNIT_BYTE, "Near RAM variables"},
    {"bss", "RAM", UNIT_BYTE, "RAM variables"},
    {"idata", "CODE", UNIT_BYTE, "RAM initialized data (ROM image)"},
    {"data", "RAM", UNIT_BYTE, "RAM initialized data"},
    {"rbit", "COMRAM", UNIT_BIT, "Bit variables"},
    {"text", "CODE", UNIT_BYTE, "Program and library code"},
    {"ftext0", "CODE", UNIT_BYTE, "Arithmetic routine code"},
    {"init", "CODE", UNIT_BYTE, "Initialization code"},
    {"end_init", "CODE", UNIT_BYTE, "Initialization code"},
    {"intentry", "CODE", UNIT_BYTE, "Interrupt context entry code"},
    {"intcode", "CODE", UNIT_BYTE, "Interrupt service routine"},
    {"intret", "CODE", UNIT_BYTE, "Interrupt context return code"},
    {"ctext", "CODE", UNIT_BYTE, "Program and library code"},
    {"powerup", "CODE", UNIT_BYTE, "Power on reset code"},
    {"vectors", "CODE", UNIT_BYTE, "Rest vector"},
    {"clrtext", "CODE", UNIT_BYTE, "Memory clearing code"},
    {"const", "CODE", UNIT_BYTE, "Strings and constant data"},
    {"struct", "BIGRAM", UNIT_BYTE, "Structure return area"},
    {"intsave_r", "BIGRAM", UNIT_BYTE, "Registers saved on interrupt"},
    {"temp", "COMRAM", UNIT_BYTE, "Temporary RAM data"},
    {"eeprom_da", "EEDATA", UNIT_BYTE, "User-programmed EEPROM data"},
    {"config", "CONFIG", UNIT_WORD, "Device configuration words"},
    {"idloc", "IDLOC", UNIT_NIBBLE, "User ID registers"},
    {"nvram", "NVRAM", UNIT_BYTE, "Persistent RAM variables"},
    {"nvbit", "COMRAM", UNIT_BIT, "Persistent bit variables"},
    {"nvrram", "COMRAM", UNIT_BYTE, "Persistent Near RAM variables"},
    {"bigbss", "BIGRAM", UNIT_BYTE, "Large RAM variables"},
    {"bigdata", "BIGRAM", UNIT_BYTE, "Large initialized RAM variables"},
    {"ibigdata", "CODE", UNIT_BYTE, "Large initialized RAM variables (ROM image)"},
    {"ifardata", "CODE", UNIT_BYTE, "Off-chip initialized variables (ROM image)"},
    {"farbss", "FARRAM", UNIT_BYTE, "Off-chip variables"},
    {"fardata", "FARRAM", UNIT_BYTE, "Off-chip initialized variables"},
};

void describe_psects() {
  for (const psect_description &d : psect_descriptions)
    if (mem_class *cls = existing(d.cls)) psect_set(cls->space, d.psect, d.unit, d.text, 0, 0, 0);
}

bool comram_covers(uint32_t address) {
  mem_class *comram = existing("COMRAM");
  return has_ranges(comram) && cls_top(comram) >= address;
}

bool mark_absolute_range(const char *class_name, uint32_t start, uint32_t length) {
  mem_class *cls = existing(class_name);
  if (!cls) return false;
  if (length) ms_add_range_all(cls->space, RNG_USED, start, block_last(start, length), 0);
  return true;
}
