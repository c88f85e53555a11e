// The 32-bit ELF executable: written from the model's segments, data
// blocks and symbols with the DWARF 2 sections, identified and dumped; it
// is not read.
#pragma once
#include <cstdint>
#include <cstdio>

bool elf_identify(FILE *in);
bool elf_read(FILE *in, const char *name);
bool elf_write(FILE *out, const char *name);
bool elf_dump(FILE *in);

// The description of an ELF machine number; null when it is not listed.
const char *elf_machine_name(uint32_t number);
// The machine number the processor names choose (-p and its list).
uint32_t elf_machine_number();
