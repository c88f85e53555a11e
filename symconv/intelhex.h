// Intel HEX images into the model's data blocks and entry address, and the
// data blocks back out as Intel HEX.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

bool ihex_identify(FILE *in);
bool ihex_read(FILE *in, const char *name);
bool ihex_write(FILE *out, const char *name);

// Shared by the text image modules.
constexpr size_t IMAGE_LINE_ROOM = 511;
constexpr uint32_t IMAGE_ROW_BYTES = 16;
// The first line with trailing blanks removed; false for an empty file.
bool image_first_line(FILE *in, std::string *line);
