// The hex merger's phases, in the order main runs them.
#pragma once
#include <cstdio>

#include "hexmerge/options.h"

// Reads the input files in command-line order.
void merge_read_inputs(tessik_run *run);
// Finds, replaces and deletes opcodes (last spec first); logs the results.
void merge_find(tessik_run *run, FILE *log);
// Serial numbers and strings (last spec first), checksum reservations, fills.
void merge_edit(tessik_run *run);
void merge_checksums(tessik_run *run);
// Writes the output unless errors were reported (an input of the same name
// is then left as it was) or "-O" alone asked for none. Returns the number
// of data bytes of the output.
unsigned long merge_write(tessik_run *run);
// Prints the "-SIZE" total.
void merge_report_size(const tessik_run *run, unsigned long size);
