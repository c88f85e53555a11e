// The selected chip's memory as spaces of named address classes: filled from
// the chip database, the memory options and the debugger, split into the
// classes the code generator, linker and start-up module use, and given the
// descriptions of the psects the memory summaries print.
#pragma once
#include <cstdint>

struct chip_record;
struct mem_space;

// The memory spaces: code, data and eedata from the start, idloc and config
// once the options are read.
extern mem_space *mem_spaces;

// The options that name addresses; their ranges reach the classes.
enum mem_option { MEMOPT_ROM, MEMOPT_RAM, MEMOPT_SERIAL, MEMOPT_CHECKSUM, MEMOPT_FILL, MEMOPT_CODEOFFSET };

// True when lo..hi lies in the memory the option may name on the selected
// chip: program space for --rom and --codeoffset; data space, or external
// memory above the program memory, for --ram; program space, ID locations,
// configuration words or EEPROM of the image for the hex merger's options.
// Otherwise a numbered message names the option and the range, and false.
// The bounds are signed 64-bit so that an end computed from a start and a
// length, or a copy repeated downwards, may lie outside the 32-bit
// addresses. Every address an option gives goes through here before it
// changes anything.
bool memory_range_check(mem_option which, int64_t lo, int64_t hi);
// The last address of a block of length addresses from start (length > 0),
// kept within the 32-bit addresses.
uint32_t block_last(uint32_t start, uint32_t length);

// Creates the code, data and eedata spaces.
void memory_spaces_new();
mem_space *eeprom_space_new();
// Empties every space and forgets the chip's ROM and debugger ranges.
void memory_reset();

// The chip reader's hooks.
void chip_size_hook(chip_record *chip, int selector, uint32_t size);
void chip_range_hook(chip_record *chip, int selector, uint32_t lo, uint32_t hi);

// Range handlers of --rom, --ram, --serial and --checksum; the target is the
// mem_option, as range_list_parse passes it.
void rom_ram_add(void *option, uint32_t lo, uint32_t hi);
void rom_ram_reserve(void *option, uint32_t lo, uint32_t hi);

// The program-space classes from the chip's ROM (before --rom is read).
void build_program_classes();
// Everything else, once the options are read.
void build_memory_classes();
// Descriptions of the psects the system produces, for the summaries.
void describe_psects();

// True when the top of COMRAM is at least the address.
bool comram_covers(uint32_t address);
// Marks start..start+length-1 used in every class of the named class's space;
// false when no class has the name.
bool mark_absolute_range(const char *class_name, uint32_t start, uint32_t length);
