#include "linker/io.h"

#include <cstring>

#include "common/alert.h"

namespace {

const char *const kind_names[] = {
    nullptr,
#define IO_KIND_NAME(number, name) #name,
    IO_RECORD_KINDS(IO_KIND_NAME)
#undef IO_KIND_NAME
};

struct expr_op_info {
  uint8_t op;
  io_operand operand;
  const char *name;
};

const expr_op_info expr_ops[] = {
#define IO_EXPR_INFO(number, name, operand, text) {number, IO_OPND_##operand, text},
    IO_EXPR_OPS(IO_EXPR_INFO)
#undef IO_EXPR_INFO
};

const expr_op_info *find_op(uint8_t op) {
  for (const expr_op_info &info : expr_ops)
    if (info.op == op) return &info;
  return nullptr;
}

// The three positions of a 24-bit field, taken from the 32-bit map.
const uint8_t *map24(const io_maps *maps) {
  return maps->m32[0] == 0 ? &maps->m32[0] : &maps->m32[1];
}

}  // namespace

const char *io_kind_name(unsigned kind) {
  return kind >= 1 && kind <= IO_KIND_LAST ? kind_names[kind] : nullptr;
}

bool io_reloc_has_expr(uint8_t type) {
  uint8_t high = type >> 4;
  return high == 0x3 || high == 0x7 || high == 0xF;
}

io_operand io_expr_operand(uint8_t op) {
  const expr_op_info *info = find_op(op);
  return info ? info->operand : IO_OPND_BAD;
}

const char *io_expr_op_name(uint8_t op) {
  const expr_op_info *info = find_op(op);
  return info ? info->name : nullptr;
}

const io_maps io_little_endian = {{0, 1, 2, 3}, {0, 1}};
const io_maps io_big_endian = {{3, 2, 1, 0}, {1, 0}};

bool io_maps_valid(const io_maps *maps) {
  unsigned seen32 = 0, seen24 = 0, seen16 = 0;
  for (uint8_t position : maps->m32)
    if (position < 4) seen32 |= 1u << position;
  const uint8_t *m24 = map24(maps);
  for (int n = 0; n < 3; n++)
    if (m24[n] < 3) seen24 |= 1u << m24[n];
  for (uint8_t position : maps->m16)
    if (position < 2) seen16 |= 1u << position;
  return seen32 == 0xF && seen24 == 0x7 && seen16 == 0x3;
}

uint32_t io_get16(const io_maps *maps, const uint8_t *field) {
  return field[maps->m16[0]] | (uint32_t)field[maps->m16[1]] << 8;
}

uint32_t io_get24(const io_maps *maps, const uint8_t *field) {
  const uint8_t *m = map24(maps);
  return field[m[0]] | (uint32_t)field[m[1]] << 8 | (uint32_t)field[m[2]] << 16;
}

uint32_t io_get32(const io_maps *maps, const uint8_t *field) {
  uint32_t value = 0;
  for (int n = 3; n >= 0; n--) value += (uint32_t)field[maps->m32[n]] << (8 * n);
  return value;
}

void io_put16(const io_maps *maps, uint8_t *field, uint32_t value) {
  field[maps->m16[0]] = (uint8_t)value;
  field[maps->m16[1]] = (uint8_t)(value >> 8);
}

void io_put24(const io_maps *maps, uint8_t *field, uint32_t value) {
  const uint8_t *m = map24(maps);
  for (int n = 0; n < 3; n++) field[m[n]] = (uint8_t)(value >> (8 * n));
}

void io_put32(const io_maps *maps, uint8_t *field, uint32_t value) {
  for (int n = 0; n < 4; n++) field[maps->m32[n]] = (uint8_t)(value >> (8 * n));
}

bool io_ident_parse(const uint8_t *body, uint32_t length, io_ident *out) {
  if (length < 7) return false;
  memcpy(out->maps.m32, body, 4);
  memcpy(out->maps.m16, body + 4, 2);
  long after_name = io_skip_string(body, length, 6);
  if (after_name < 0 || !io_maps_valid(&out->maps)) return false;
  out->machine = (const char *)body + 6;
  out->major = out->minor = 0;
  if (length - (uint32_t)after_name >= 2) {
    out->major = body[after_name];
    out->minor = body[after_name + 1];
  }
  return true;
}

bool io_version_supported(uint8_t major, uint8_t minor) {
  return major < 3 || (major == 3 && minor <= 10);
}

int io_ident_accept(io_maps *kept, bool *have_kept, const io_ident *ident) {
  if (!*have_kept) {
    *kept = ident->maps;
    *have_kept = true;
    if (!io_version_supported(ident->major, ident->minor)) msg(504, 3, 10);
    return 1;
  }
  for (int n = 0; n < 4; n++)
    if (kept->m32[n] != ident->maps.m32[n]) msg(503);
  for (int n = 0; n < 2; n++)
    if (kept->m16[n] != ident->maps.m16[n]) msg(503);
  return 0;
}

long io_skip_string(const uint8_t *body, uint32_t length, uint32_t pos) {
  if (pos >= length) return -1;
  const void *nul = memchr(body + pos, 0, length - pos);
  return nul ? (const uint8_t *)nul - body + 1 : -1;
}

long io_skip_expr(const uint8_t *body, uint32_t length, uint32_t pos) {
  while (pos < length) {
    uint8_t op = body[pos++];
    switch (io_expr_operand(op)) {
      case IO_OPND_BAD:
        return -1;
      case IO_OPND_NONE:
        if (op == IO_OP_END) return pos;
        break;
      case IO_OPND_U32:
        if (length - pos < 4) return -1;
        pos += 4;
        break;
      case IO_OPND_NAME: {
        long next = io_skip_string(body, length, pos);
        if (next < 0) return -1;
        pos = (uint32_t)next;
        break;
      }
    }
  }
  return -1;
}

namespace {

// Skips a run of n strings starting at pos.
long skip_strings(const uint8_t *body, uint32_t length, long pos, int n) {
  while (n-- > 0 && pos >= 0) pos = io_skip_string(body, length, (uint32_t)pos);
  return pos;
}

// Skips count fixed bytes.
long skip_fixed(uint32_t length, long pos, uint32_t count) {
  if (pos < 0 || (uint32_t)pos > length || length - (uint32_t)pos < count) return -1;
  return pos + count;
}

long skip_fninfo(const uint8_t *body, uint32_t length, uint32_t pos) {
  uint8_t code = body[pos];
  long next = pos + 1;
  switch (code) {
    case IO_FN_CALL:
    case IO_FN_ARGCALL:
    case IO_FN_ROOTOF:
      return skip_strings(body, length, next, 2);
    case IO_FN_INDIRECT:
    case IO_FN_ARGINDIRECT:
      return skip_fixed(length, skip_strings(body, length, next, 1), 2);
    case IO_FN_MEMBER:
    case IO_FN_ROOT:
      return skip_strings(body, length, next, 1);
    case IO_FN_SIZE:
      return skip_fixed(length, skip_strings(body, length, next, 1), 8);
    case IO_FN_GROUPCALL:
      return skip_fixed(length, pos, 4);
    default:
      return -1;
  }
}

}  // namespace

long io_skip_entry(uint8_t kind, const uint8_t *body, uint32_t length, uint32_t pos) {
  if (pos >= length) return -1;
  switch (kind) {
    case IO_RELOC: {
      long next = skip_fixed(length, pos, 3);
      if (next < 0) return -1;
      if (io_reloc_has_expr(body[pos + 2])) return io_skip_expr(body, length, (uint32_t)next);
      return io_skip_string(body, length, (uint32_t)next);
    }
    case IO_SYM:
      return skip_strings(body, length, skip_fixed(length, pos, 6), 2);
    case IO_XSYM:
      return skip_strings(body, length, skip_fixed(length, pos, 8), 2);
    case IO_SIGNAT:
      return skip_strings(body, length, skip_fixed(length, pos, 2), 1);
    case IO_FNINFO:
      return skip_fninfo(body, length, pos);
    case IO_ABSRANGE:
      return skip_fixed(length, pos, 9);
    default:
      return -1;
  }
}

void io_reader_init(io_reader *r, FILE *fp, uint32_t max_body) {
  memset(r, 0, sizeof *r);
  r->fp = fp;
  r->max_body = max_body > (uint32_t)IO_BUFFER_SIZE ? (uint32_t)IO_BUFFER_SIZE : max_body;
  r->count_bytes = true;
}

io_frame io_frame_header(io_reader *r, unsigned max_kind) {
  if (r->kind == IO_END) r->record_no = 0;
  r->record_no++;
  uint8_t header[IO_HEADER_SIZE];
  size_t got = fread(header, 1, IO_HEADER_SIZE, r->fp);
  if (got != IO_HEADER_SIZE) {
    r->kind = 0;
    r->length = 0;
    return got == 0 ? IO_FRAME_END_OF_FILE : IO_FRAME_PARTIAL_HEADER;
  }
  r->length = header[0] | (uint32_t)header[1] << 8;
  r->kind = header[2];
  if (r->kind == 0 || r->kind > max_kind) return IO_FRAME_BAD_KIND;
  if (r->length > r->max_body) return IO_FRAME_TOO_LONG;
  return IO_FRAME_RECORD;
}

io_frame io_frame_body(io_reader *r) {
  if (fread(r->body, 1, r->length, r->fp) != r->length) return IO_FRAME_SHORT_BODY;
  if (r->count_bytes) r->bytes_read += r->length + IO_HEADER_SIZE;
  return IO_FRAME_RECORD;
}

io_frame io_next_record(io_reader *r, unsigned max_kind) {
  io_frame frame = io_frame_header(r, max_kind);
  return frame == IO_FRAME_RECORD ? io_frame_body(r) : frame;
}

int read_record_header(io_reader *r) {
  switch (io_frame_header(r, IO_KIND_LAST)) {
    case IO_FRAME_RECORD:
      return 1;
    case IO_FRAME_BAD_KIND:
      msg(380, r->kind);
      return 0;
    case IO_FRAME_TOO_LONG:
      msg(506, IO_HEADER_SIZE, r->length);
      return 0;
    default:  // the file ends before or inside a header
      msg(505);
      return 0;
  }
}

int read_record_body(io_reader *r) {
  if (io_frame_body(r) != IO_FRAME_RECORD) {
    msg(1044);
    return 0;
  }
  return 1;
}

int skip_record(io_reader *r) {
  return read_record_body(r);
}

void io_writer_init(io_writer *w, FILE *fp, const char *name) {
  memset(w, 0, sizeof *w);
  w->fp = fp;
  w->name = name;
  w->pos = IO_HEADER_SIZE;
}

namespace {

bool writes_kind(const io_writer *w, uint8_t kind) {
  if (w->stopped) return false;
  return !w->symbols_only || kind == IO_SYM || kind == IO_XSYM || kind == IO_SIGNAT;
}

int put_bytes(io_writer *w, const uint8_t *bytes, size_t count) {
  if (fwrite(bytes, 1, count, w->fp) == count) return 1;
  if (!w->failed) msg(413, w->name ? w->name : "");
  w->failed = true;
  return 0;
}

}  // namespace

int write_record(io_writer *w, uint8_t kind, uint32_t length, const uint8_t *body) {
  if (length > IO_MAX_BODY) return 0;
  if (!writes_kind(w, kind)) return 1;
  uint8_t record[IO_BUFFER_SIZE];
  record[0] = (uint8_t)length;
  record[1] = (uint8_t)(length >> 8);
  record[2] = kind;
  if (length) memcpy(record + IO_HEADER_SIZE, body, length);
  return put_bytes(w, record, length + IO_HEADER_SIZE);
}

int flush_record(io_writer *w) {
  uint32_t length = w->pos - IO_HEADER_SIZE;
  w->pos = IO_HEADER_SIZE;
  if (length == 0) return 1;
  if (!writes_kind(w, w->kind)) return 1;
  if (w->kind == IO_RELOC && w->before_reloc) w->before_reloc(w->context);
  w->buf[0] = (uint8_t)length;
  w->buf[1] = (uint8_t)(length >> 8);
  w->buf[2] = w->kind;
  return put_bytes(w, w->buf, length + IO_HEADER_SIZE);
}

uint8_t *begin_entry(io_writer *w, uint8_t kind, uint32_t size) {
  if (size > IO_MAX_BODY) return nullptr;
  if (w->kind != kind || w->pos + size > IO_HEADER_SIZE + IO_MAX_BODY) {
    flush_record(w);
    w->kind = kind;
  }
  return w->buf + w->pos;
}

int io_add_entry(io_writer *w, uint8_t kind, const uint8_t *entry, uint32_t size) {
  uint8_t *at = begin_entry(w, kind, size);
  if (!at) return 0;
  memcpy(at, entry, size);
  w->pos += size;
  return 1;
}

void io_builder_init(io_builder *b, const io_maps *maps) {
  b->maps = maps;
  b->length = 0;
  b->overflow = false;
}

namespace {

uint8_t *builder_room(io_builder *b, uint32_t count) {
  if (b->overflow || count > IO_MAX_BODY - b->length) {
    b->overflow = true;
    return nullptr;
  }
  uint8_t *at = b->data + b->length;
  b->length += count;
  return at;
}

}  // namespace

void io_add_u8(io_builder *b, uint32_t value) {
  if (uint8_t *at = builder_room(b, 1)) *at = (uint8_t)value;
}

void io_add_u16(io_builder *b, uint32_t value) {
  if (uint8_t *at = builder_room(b, 2)) io_put16(b->maps, at, value);
}

void io_add_u24(io_builder *b, uint32_t value) {
  if (uint8_t *at = builder_room(b, 3)) io_put24(b->maps, at, value);
}

void io_add_u32(io_builder *b, uint32_t value) {
  if (uint8_t *at = builder_room(b, 4)) io_put32(b->maps, at, value);
}

void io_add_string(io_builder *b, const char *text) {
  uint32_t count = (uint32_t)strlen(text) + 1;
  if (uint8_t *at = builder_room(b, count)) memcpy(at, text, count);
}

void io_add_bytes(io_builder *b, const uint8_t *bytes, uint32_t count) {
  if (count == 0) return;
  if (uint8_t *at = builder_room(b, count)) memcpy(at, bytes, count);
}
