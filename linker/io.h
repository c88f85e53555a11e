// Object file records: framing, record kinds, target byte order, bounds-checked
// walks over record bodies, and buffered record output. Every program that
// reads or writes object files (linker, assembler, librarian, object
// converters, driver) goes through this module.
#pragma once
#include <cstdint>
#include <cstdio>

// Record kinds, in kind-number order.
#define IO_RECORD_KINDS(X) \
  X(1, TEXT)               \
  X(2, PSECT)              \
  X(3, RELOC)              \
  X(4, SYM)                \
  X(5, START)              \
  X(6, END)                \
  X(7, IDENT)              \
  X(8, XPSECT)             \
  X(9, SEGMENT)            \
  X(10, XSYM)              \
  X(11, SIGNAT)            \
  X(12, FNINFO)            \
  X(13, FNCONF)            \
  X(14, SEGSTART)          \
  X(15, PSECTLIM)          \
  X(16, LISTRELOC)         \
  X(17, LISTTEXT)          \
  X(18, LISTFIELD)         \
  X(19, CONDEXPR)          \
  X(20, ABSRANGE)          \
  X(21, SPACELIM)          \
  X(22, FNGROUP)           \
  X(23, PSECTBOUND)

enum io_kind : uint8_t {
#define IO_KIND_ENUM(number, name) IO_##name = number,
  IO_RECORD_KINDS(IO_KIND_ENUM)
#undef IO_KIND_ENUM
  IO_KIND_LAST = 23,
};

// "TEXT", "PSECT", ...; null outside 1..23.
const char *io_kind_name(unsigned kind);

enum {
  IO_HEADER_SIZE = 3,
  IO_BUFFER_SIZE = 512,  // one record: header and body
  IO_MAX_BODY = 509,     // largest body the linker reads and any writer writes
  IO_MAX_BODY_LAX = 512, // largest body the object converters accept
};

// Symbol flags of SYM and XSYM entries: the low four bits are the kind.
enum {
  IO_SYM_KIND_MASK = 0x0F,
  IO_SYM_DEFINE = 0,    // definition
  IO_SYM_STACK = 1,     // stack-relative local
  IO_SYM_COMMON = 2,    // common block, value = size
  IO_SYM_REGISTER = 3,  // register local
  IO_SYM_LINE = 4,      // line number: name = decimal line, value = address
  IO_SYM_FILE = 5,      // source file name
  IO_SYM_REF = 6,       // reference to a symbol defined elsewhere
  IO_SYM_LOCAL = 7,     // local the linker keeps in the module's table
  IO_SYM_EQUATE = 8,    // value relative to the symbol named in the psect field
  IO_SYM_GLOBAL = 0x10,
};

// Psect flags of PSECT records (those the linker gives a meaning).
enum {
  IO_PSECT_GLOBAL = 0x10,
  IO_PSECT_OVRLD = 0x40,    // every module's contribution starts at offset 0
  IO_PSECT_ABS = 0x80,      // addresses are not relocated
  IO_PSECT_BIGBOUND = 0x100,// XPSECT boundary counts in units of 0x10000
  IO_PSECT_BIT = 0x400,     // addresses and sizes count bits
};

// Relocation type byte: kind in the high nibble; below 0xC0 the low nibble is
// the field size in bytes, from 0xC0 on the field width in bits.
enum {
  IO_RELOC_ABS = 0x00,
  IO_RELOC_PSECT = 0x10,
  IO_RELOC_SYM = 0x20,
  IO_RELOC_EXPR = 0x30,
  IO_RELOC_PSECT_PCREL = 0x40,
  IO_RELOC_SYM_PCREL = 0x60,
  IO_RELOC_EXPR_PCREL = 0x70,
  IO_RELOC_PSECT_SEL = 0x90,
  IO_RELOC_SYM_SEL = 0xA0,
  IO_RELOC_BITS = 0xC0,        // or-ed into the psect, symbol, expression kinds
  IO_RELOC_PSECT_BITS = 0xD0,
  IO_RELOC_SYM_BITS = 0xE0,
  IO_RELOC_EXPR_BITS = 0xF0,
};

// True when an entry of this relocation type carries an expression instead
// of a name.
bool io_reloc_has_expr(uint8_t type);

// Operators of relocation expressions (RELOC, CONDEXPR, LISTFIELD). Binary
// operators take the top of the stack as left operand and the value below it
// as right operand.
#define IO_EXPR_OPS(X)              \
  X(0, END, NONE, "end")            \
  X(1, LOW, NONE, "low")            \
  X(2, HIGH, NONE, "high")          \
  X(3, CONST, U32, "const")         \
  X(4, ADD, NONE, "add")            \
  X(5, SUB, NONE, "sub")            \
  X(6, MUL, NONE, "mul")            \
  X(7, DIV, NONE, "div")            \
  X(8, SHL, NONE, "shl")            \
  X(9, SHR, NONE, "shr")            \
  X(10, AND, NONE, "and")           \
  X(11, OR, NONE, "or")             \
  X(12, XOR, NONE, "xor")           \
  X(13, NOT, NONE, "not")           \
  X(14, NEG, NONE, "neg")           \
  X(15, BITCLR, NONE, "bitclr")     \
  X(16, PSECT, NAME, "psect")       \
  X(17, MOD, NONE, "mod")           \
  X(18, RANGE, NONE, "range")       \
  X(19, RANGETEXT, NAME, "text")    \
  X(20, DEFINED, NAME, "defined")   \
  X(21, ROT8, NONE, "rot8")         \
  X(22, ASR, NONE, "asr")           \
  X(23, ABS, NONE, "abs")           \
  X(32, SYM, NAME, "sym")           \
  X(80, PSECT_PCREL, NAME, "psectrel") \
  X(96, SYM_PCREL, NAME, "symrel")  \
  X(144, PSECT_SEL, NAME, "psectsel") \
  X(160, SYM_SEL, NAME, "symsel")

enum io_expr_op : uint8_t {
#define IO_EXPR_ENUM(number, name, operand, text) IO_OP_##name = number,
  IO_EXPR_OPS(IO_EXPR_ENUM)
#undef IO_EXPR_ENUM
};

enum io_operand { IO_OPND_BAD = 0, IO_OPND_NONE, IO_OPND_U32, IO_OPND_NAME };

// What follows an expression operator in the byte stream.
io_operand io_expr_operand(uint8_t op);
// Printable name of an operator ("add", "sym", ...), null when unknown.
const char *io_expr_op_name(uint8_t op);

// FNINFO entry codes.
enum {
  IO_FN_CALL = 1,        // caller, callee: callee's arguments above caller's autos
  IO_FN_ARGCALL = 2,     // caller, callee: callee's arguments above caller's arguments
  IO_FN_INDIRECT = 3,    // function, u16 group
  IO_FN_MEMBER = 4,      // function
  IO_FN_SIZE = 5,        // function, u32 auto size, u32 argument size
  IO_FN_ROOT = 6,        // function
  IO_FN_ARGINDIRECT = 7, // function, u16 group
  IO_FN_GROUPCALL = 8,   // 4 bytes: two u16 group numbers
  IO_FN_ROOTOF = 9,      // function, root function
};

// Target byte order of the numbers inside record bodies, from IDENT: m32[n]
// is the position of bits 8n..8n+7 in a 4-byte field, m16[0] the position of
// the low byte of a 2-byte field.
struct io_maps {
  uint8_t m32[4];
  uint8_t m16[2];
};

extern const io_maps io_little_endian;
extern const io_maps io_big_endian;

// The 32-bit map, the 24-bit positions taken from it and the 16-bit map must
// each be a permutation, or the accessors would reach outside their fields.
bool io_maps_valid(const io_maps *maps);

uint32_t io_get16(const io_maps *maps, const uint8_t *field);
uint32_t io_get24(const io_maps *maps, const uint8_t *field);
uint32_t io_get32(const io_maps *maps, const uint8_t *field);
void io_put16(const io_maps *maps, uint8_t *field, uint32_t value);
void io_put24(const io_maps *maps, uint8_t *field, uint32_t value);
void io_put32(const io_maps *maps, uint8_t *field, uint32_t value);

// A decoded IDENT body. The machine name points into the body it came from.
struct io_ident {
  io_maps maps;
  const char *machine;
  uint8_t major;
  uint8_t minor;
};

// Decodes an IDENT body; false when it is too short, the machine name is not
// terminated inside it, or the maps are not permutations.
bool io_ident_parse(const uint8_t *body, uint32_t length, io_ident *out);
// The version an object declares that nothing reads beyond: 3.10.
bool io_version_supported(uint8_t major, uint8_t minor);
// Keeps the maps of the first IDENT of a run (message 504 for a version
// above 3.10) and checks every later one against them (message 503 per
// differing byte; the kept maps stay). Returns 1 for the first IDENT.
int io_ident_accept(io_maps *kept, bool *have_kept, const io_ident *ident);

// Bounds-checked walks over bodies: each gives the position just after the
// item that starts at pos, or -1 when the item runs past the body's length.
long io_skip_string(const uint8_t *body, uint32_t length, uint32_t pos);
long io_skip_expr(const uint8_t *body, uint32_t length, uint32_t pos);
// Entry kinds: RELOC, SYM, XSYM, SIGNAT, FNINFO, ABSRANGE.
long io_skip_entry(uint8_t kind, const uint8_t *body, uint32_t length, uint32_t pos);

// Record input: one stream, the body of the last record read.
struct io_reader {
  FILE *fp;
  uint32_t max_body;   // IO_MAX_BODY, or IO_MAX_BODY_LAX for the converters
  uint32_t record_no;  // within the module; starts again after END
  uint32_t length;     // body length of the current record
  uint8_t kind;
  bool count_bytes;    // add what is read to bytes_read
  uint64_t bytes_read;
  uint8_t body[IO_BUFFER_SIZE];
};

void io_reader_init(io_reader *r, FILE *fp, uint32_t max_body);

// What reading the next record met. The framing is the same for every
// reader; which message a fault deserves is the caller's choice.
enum io_frame {
  IO_FRAME_RECORD,          // header (and body, when asked for) read into the reader
  IO_FRAME_END_OF_FILE,     // no byte left before a header
  IO_FRAME_PARTIAL_HEADER,  // the file ends inside a header
  IO_FRAME_BAD_KIND,        // kind 0 or above the highest kind taken (r->kind holds it)
  IO_FRAME_TOO_LONG,        // body above r->max_body (r->length holds it)
  IO_FRAME_SHORT_BODY,      // the file ends inside the body
};

// Reads and counts the next header, taking kinds 1..max_kind.
io_frame io_frame_header(io_reader *r, unsigned max_kind);
// Reads the body of the header just read.
io_frame io_frame_body(io_reader *r);
// Both in one step.
io_frame io_next_record(io_reader *r, unsigned max_kind);

// The linker's reading of the same frames: a fault is reported as a numbered
// message (the message context tells the file); the functions then return 0
// and the stream is not read further.
int read_record_header(io_reader *r);
int read_record_body(io_reader *r);
int skip_record(io_reader *r);

// Record output: whole records, and one pending record assembled entry by
// entry (begin_entry flushes it when the kind changes or the entry does not
// fit).
struct io_writer {
  FILE *fp;
  const char *name;      // for the write-failure message
  bool stopped;          // no record is written any more
  bool symbols_only;     // only SYM, XSYM and SIGNAT records reach the file
  bool failed;           // a write failed (reported once)
  void (*before_reloc)(void *context);  // writes pending TEXT data first
  void *context;
  uint8_t kind;          // of the pending record
  uint32_t pos;          // write position in buf (header included)
  uint8_t buf[IO_BUFFER_SIZE];
};

void io_writer_init(io_writer *w, FILE *fp, const char *name);
int write_record(io_writer *w, uint8_t kind, uint32_t length, const uint8_t *body);
// Room for an entry of size bytes in a pending record of kind; the caller
// stores the entry there and advances w->pos by size. Null when the entry is
// larger than any body.
uint8_t *begin_entry(io_writer *w, uint8_t kind, uint32_t size);
// begin_entry, copy and advance in one step; 0 when the entry cannot fit.
int io_add_entry(io_writer *w, uint8_t kind, const uint8_t *entry, uint32_t size);
int flush_record(io_writer *w);

// Builds one body or entry, field by field, in a target byte order. A field
// that does not fit sets overflow and is dropped.
struct io_builder {
  const io_maps *maps;
  uint32_t length;
  bool overflow;
  uint8_t data[IO_MAX_BODY];
};

void io_builder_init(io_builder *b, const io_maps *maps);
void io_add_u8(io_builder *b, uint32_t value);
void io_add_u16(io_builder *b, uint32_t value);
void io_add_u24(io_builder *b, uint32_t value);
void io_add_u32(io_builder *b, uint32_t value);
void io_add_string(io_builder *b, const char *text);
void io_add_bytes(io_builder *b, const uint8_t *bytes, uint32_t count);
