// The chip database: an INI text of defaults and one section per chip, read
// into the chip record that the rest of the driver consults.
#pragma once
#include <cstdint>

struct hash_table;
struct vec;

// Selectors of the size and range keys, as the hooks receive them.
enum {
  CHIP_SIZE_ROM = 0,
  CHIP_SIZE_RAM = 1,
  CHIP_SIZE_EXTMEM = 2,
  CHIP_SIZE_EEPROM = 3,
  CHIP_SIZE_STACK = 4,
};
enum {
  CHIP_RANGE_COMMON = 0,
  CHIP_RANGE_ICD_RAM = 1,
  CHIP_RANGE_ICD_ROM = 2,
  CHIP_RANGE_REALICE_ROM = 3,
  CHIP_RANGE_REALICE_RAM = 4,
};

enum { CHIP_ARCH_PIC18 = 1 };
enum { CHIP_CONFIG_WORDS = 8, CHIP_PERIPHS = 4, CHIP_DEBUG_RANGES = 4 };

struct chip_range {
  uint32_t lo;
  uint32_t hi;
};

struct chip_config_word {
  uint8_t set;         // 1 when the database gives the word
  uint32_t unprogrammed;
  uint32_t current;    // starts equal to the unprogrammed value
  uint32_t offset;     // byte offset in configuration memory
  uint32_t spare;
};

struct chip_periph {
  char name[10];
  uint32_t lo;
  uint32_t hi;
};

// Everything after the two key tables is cleared at each section header.
struct chip_record {
  char *name;              // section name as written in the file
  int arch;                // CHIP_ARCH_PIC18, 0 when unknown
  hash_table *defaults;    // key -> vec of values, lines before the first section
  hash_table *section;     // key -> vec of values, the chip's own lines
  const char *procid;      // the following texts are borrowed from the tables
  uint32_t rom_size;
  uint32_t code_offset;    // written by --codeoffset
  uint32_t ram_size;
  uint32_t eeprom_size;
  const char *errata;
  const char *family;
  const char *lib;         // library key of the device p-code libraries
  uint32_t common_lo;
  uint32_t common_hi;
  chip_range icd_ram[CHIP_DEBUG_RANGES];
  chip_range icd_rom[CHIP_DEBUG_RANGES];
  chip_range realice_ram[CHIP_DEBUG_RANGES];
  chip_range realice_rom[CHIP_DEBUG_RANGES];
  chip_config_word config[CHIP_CONFIG_WORDS];
  chip_periph periph[CHIP_PERIPHS];
  int bank_count;          // written by the memory-class set-up
  int flash_erase_size;
  int flash_write_size;
  uint32_t has_extmem;
  int stack_depth;
};

typedef void (*chip_size_hook_fn)(chip_record *chip, int selector, uint32_t size);
typedef void (*chip_range_hook_fn)(chip_record *chip, int selector, uint32_t lo, uint32_t hi);
// Called per chip by the enumeration; a non-zero result stops the walk.
typedef int (*chip_enum_fn)(void *user, chip_record *chip);
// Receives the ranges of range_list_parse.
typedef void (*range_fn)(void *target, uint32_t lo, uint32_t hi);

// Path and line of the database being read, for messages; they stay set.
extern const char *chip_db_path;
extern int chip_db_line;

void chipinfo_set_hooks(chip_size_hook_fn size_hook, chip_range_hook_fn range_hook);

// One chip by exact name or by unique suffix; message 922 and null otherwise.
chip_record *chipinfo_find(const char *path, const char *name);
// Every chip in file order, defaults applied first.
void chipinfo_enum(const char *path, void *user, chip_enum_fn callback);
// The reader behind both: with a callback it enumerates, else looks up.
chip_record *chipinfo_read(const char *path, const char *wanted, void *user, chip_enum_fn callback);

// Values of a key: the section's when it has the key, else the defaults'.
vec *chip_key_values(const chip_record *chip, const char *key);
// First value of a key, null when absent or without values.
const char *chip_key_value(const chip_record *chip, const char *key);
const char *chip_arch_name(int arch);
// Message 919 with the text (and " for chip NAME"), the path and the line.
void chip_msg(const chip_record *chip, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// A run of hexadecimal digits at p, moved past it; false (p left inside the
// run) when there is none or its value passes 32 bits.
bool hex_read(const char *&p, uint32_t &out);

// Comma-separated LO-HI hexadecimal ranges, each optionally signed: "+" ranges
// go to add, "-" ranges to remove; the sign holds until the next one. 1 on
// success, 0 on a syntax error (ranges before it stay applied).
int range_list_parse(const char *text, void *target, range_fn add, range_fn remove);

// Bit number of a power of two; -1 for 0 or several bits.
int log2_exact(uint32_t value);

void chip_free(chip_record *chip);
