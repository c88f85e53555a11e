// The library container shared by object libraries (".lib", modules are
// object modules) and p-code libraries (".lpp", modules are intermediate code
// whose text after the version line is scrambled). All numbers of the
// container are little-endian:
//   u16 directory size D, u16 module count N, D bytes of directory entries,
//   then the modules' contents back to back in directory order.
// A directory entry: u16 size of its symbol list, u16 symbol count, u32
// module length, 4 spare bytes, the module name, then per symbol a flag byte
// (0 = the module defines it, otherwise it refers to it) and the name.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum {
  LIB_HEADER_SIZE = 4,
  LIB_ENTRY_FIXED = 12,  // entry bytes before the module name
  LIB_FLAG_DEFINES = 0,
  LIB_FLAG_REFERS = 1,
};

enum lib_status {
  LIB_OK = 0,
  LIB_SHORT_HEADER,      // fewer than 4 bytes
  LIB_SHORT_DIRECTORY,   // the file ends inside the directory
  LIB_BAD_DIRECTORY,     // entries disagree with the sizes and counts given
  LIB_SHORT_MODULE,      // module lengths reach past the end of the file
  LIB_TOO_LARGE,         // a size or count does not fit its 16-bit field
  LIB_WRITE_FAILED,
};

// Words for messages: "directory is short", ...
const char *lib_status_text(int status);

struct lib_symbol {
  std::string name;
  uint8_t flag;
};

struct lib_module {
  std::string name;
  uint32_t length = 0;    // bytes of contents
  uint32_t spare = 0;     // the 4 bytes no reader uses
  uint64_t offset = 0;    // file position of the contents
  std::vector<lib_symbol> symbols;
  std::vector<uint8_t> contents;  // filled by lib_read_contents and by writers
};

struct lib_directory {
  uint32_t size = 0;  // D
  std::vector<lib_module> modules;
};

// Decodes N entries that must fill exactly size bytes.
int lib_parse_directory(const uint8_t *data, uint32_t size, uint32_t count, lib_directory *out);
// Reads the header and the directory from the start of the stream and gives
// every module its offset; the stream is left at the first module. When the
// stream's size can be known, module lengths past its end are refused.
int lib_read_directory(FILE *fp, lib_directory *out);
// Reads every module's contents (the stream positioned at the first module).
int lib_read_contents(FILE *fp, lib_directory *dir);

// D for these modules, without any limit.
uint64_t lib_directory_size(const std::vector<lib_module> &modules);
// Writes a whole library from the modules' names, symbols and contents.
int lib_write(FILE *fp, const std::vector<lib_module> &modules);

// P-code modules: the version line stays plain; every byte after it is
// XOR-ed with an 8-bit counter (raised before each byte, starting at 0 for
// each module) and with lib_scramble_table[counter % 32].
extern const uint8_t lib_scramble_table[32];
// Scrambles or unscrambles (the operation is its own inverse) count bytes,
// carrying the counter.
void lib_scramble(uint8_t *bytes, size_t count, uint8_t *counter);
// Bytes of a module text that stay plain: the first line with its newline.
size_t lib_pcode_plain_length(const uint8_t *text, size_t length);
// Scrambles or unscrambles a whole module text in place.
void lib_pcode_scramble(uint8_t *text, size_t length);
