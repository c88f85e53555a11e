// Text form of object files and libraries for tests: one line per record, or
// per entry of a record that holds entries, so tests compare text.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Appends every record of the stream up to its end; stops at the first
// malformed record (its line tells why). Returns false after a malformed one.
bool objdump_records(FILE *fp, std::string *out);
// One record body, given the byte order in force.
struct io_maps;
void objdump_record(uint8_t kind, const uint8_t *body, uint32_t length, io_maps *maps,
                    std::string *out);
// A library: its directory, then each module (records for object libraries,
// the unscrambled text for p-code libraries).
bool objdump_library(FILE *fp, bool pcode, std::string *out);
// By the file name's extension: ".lib", ".lpp" or an object.
bool objdump_path(const char *path, std::string *out);
