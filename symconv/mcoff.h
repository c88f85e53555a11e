// The PIC COFF debugger file: written from the model and the debug scope
// tree, read back into the model, identified and dumped.
#pragma once
#include <cstdint>
#include <cstdio>

bool mcoff_identify(FILE *in);
bool mcoff_read(FILE *in, const char *name);
bool mcoff_write(FILE *out, const char *name);
bool mcoff_dump(FILE *in);

// Shared with the other debugger formats: whether a segment is program
// memory, by its own name or by its class's name being one of -n's.
bool segment_is_program(uint32_t segment);
// The names of the file header's flag bits 0-12, for the COFF dumps.
extern const char *const coff_file_flag_names[13];
