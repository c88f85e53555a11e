// The hex merger's log file: find results, memory usage by kind, data
// total, checksum results and a map of every byte's kind.
#pragma once
#include <cstdio>

#include "hexmerge/checksum.h"
#include "hexmerge/edits.h"
#include "hexmerge/image.h"

// Creates (truncates) the log; null after message 378.
FILE *log_create(const char *path);
// The find section, specs in the order they ran.
void log_find(FILE *log, find_spec *const *finds, int count);
// The memory usage, total (when with_size), checksums and memory map.
void log_final(FILE *log, hex_image *img, bool with_size, unsigned long size, const ck_spec *cks,
               int ck_count);
