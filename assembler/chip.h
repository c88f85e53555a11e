// What the assembler needs of the chip database: where the special function
// registers of the access bank begin, from the chip's COMMON range.
#pragma once
#include <cstdint>

// Looks the chip up by its name (or by the tail of a name, when exactly one
// section ends with it); false after a message.
bool chip_sfr_start(const char *database, const char *chip, uint32_t *sfr_start);
