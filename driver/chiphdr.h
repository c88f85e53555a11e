// The chip headers: each chip's special function registers, read from the
// chip database and written as the C declarations <tovra18.h> picks from.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A bit of a register, or a field of several bits.
struct chiphdr_bits {
  std::vector<std::string> names;  // the data sheet's name first, then others
  int position;
  int width;                       // 1 for a single bit
};

struct chiphdr_register {
  std::vector<std::string> names;  // the register's name, then its aliases
  uint32_t address;
  std::vector<chiphdr_bits> bits;  // by position
};

struct chiphdr_chip {
  std::string name;
  std::vector<chiphdr_register> registers;  // by address
  std::vector<std::string> pairs;           // NAME: a 16-bit NAMEL with NAMEH above it
};

// A single bit under one of its names in the chip's header.
struct chiphdr_bit_object {
  std::string name;
  uint32_t address;
  int bit;
};

// Every chip of the database, in file order, with the registers it inherits
// resolved; false after the faults found were reported.
bool chiphdr_read(const char *database, std::vector<chiphdr_chip> &chips);

// Every single bit of the chip under each of its names, fields' bits
// included. A name that several registers use, or of one letter, is given
// with its register's name and "_" before it.
std::vector<chiphdr_bit_object> chiphdr_bit_objects(const chiphdr_chip &chip);

// "tovra18_18f452.h" for 18F452.
std::string chiphdr_file_name(const std::string &chip);
// The text of one chip's header.
std::string chiphdr_header(const chiphdr_chip &chip);
// The text of the header that includes the selected chip's header.
std::string chiphdr_selector(const std::vector<chiphdr_chip> &chips);
extern const char chiphdr_selector_name[];

// Reads the database and writes every chip's header and the selector into
// folder; false after reported faults.
bool chiphdr_write(const char *database, const char *folder);
