// imprel's output side: the record walk shared by the record formats, and
// the writers of the binary images and executable files.
#pragma once
#include <cstdint>

#include "objconv/imprel.h"

// Writes the image bytes of [from, to) to the output, unwritten ones with
// their fill contents.
void image_copy_range(imprel_state *s, uint64_t from, uint64_t to);

// Start address of the image: the START record's, else the lowest address written.
uint32_t image_start(imprel_state *s);

// Executable writers (exeout.cpp). Each writes the whole file.
void header_image_write(imprel_state *s);   // -H
void cpm86_write(imprel_state *s);          // -8
void exe_header_write(imprel_state *s);     // -E
void m68k_header_write(imprel_state *s);    // -P, -N
void segexe_write(imprel_state *s);         // -A
void x386_write(imprel_state *s);           // -x
void coff_header_write(imprel_state *s);    // -U, -UT
void debug_image_write(imprel_state *s);    // -D

// Before the output: the -g segment list and the -R relocation list go into
// the image.
void segment_list_store(imprel_state *s);
void reloc_write(imprel_state *s);
// True for the formats that carry the relocation entries themselves.
bool format_carries_relocs(imprel_format format);
