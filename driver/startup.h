// The run-time start-up module: the assembly source written before each link
// stage that declares the psects, the reset vector and the code run before
// main (copying initialised data, clearing uninitialised RAM). What it copies
// and clears comes from the link symbol table of the preceding link.
#pragma once
#include <cstdio>

enum { STARTUP_FINAL_LINK = 0, STARTUP_PRELINK = 1 };

// The comment header: banner, stage and the command line, wrapped at 70.
void startup_header(FILE *out, int stage);
// The module body for the stage; notes the interrupt psects in
// drv.interrupt_flags (bit 0 intcode, bit 1 intcodelo).
void startup_write(FILE *out, int stage);
