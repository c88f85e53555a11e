#include "linker/text.h"

#include <cstring>

#include "common/alert.h"
#include "linker/options.h"
#include "linker/pass.h"
#include "linker/sym.h"

enum {
  MSG_CANT_CREATE = 378,
  MSG_WRITE_FAILED = 413,
  MSG_SECOND_START = 501,
  MSG_SHORT_TEXT = 516,
  MSG_UNKNOWN_NAME = 519,
  MSG_NO_START = 528,
  MSG_BELOW_BASE = 989,
};

text_piece ltext;
io_writer lout;
bool ltext_stopped;

namespace {

FILE *out_fp;
const char *out_name;
bool start_seen;

void before_reloc(void *) { text_write_piece(); }

struct text_header {
  uint32_t offset;
  const char *name;
  uint32_t data_pos;
  uint32_t data_length;
  link_symbol *psect;
};

// The fixed part of a TEXT body; false after a message.
bool read_header(const io_reader *r, text_header *h) {
  if (r->length < 4) {
    msg(MSG_SHORT_TEXT, (unsigned)r->length, 4u, 0u);
    return false;
  }
  h->offset = io_get32(&lmaps, r->body);
  h->name = (const char *)r->body + 4;
  uint32_t name_length = (uint32_t)strnlen(h->name, r->length - 4);
  if (r->length < name_length + 5) {
    msg(MSG_SHORT_TEXT, (unsigned)r->length, 4u, (unsigned)name_length);
    return false;
  }
  h->data_pos = name_length + 5;
  h->data_length = r->length - h->data_pos;
  h->psect = sym_find(h->name, LS_PSECT | LS_GLOBAL);
  if (!h->psect) {
    msg(MSG_UNKNOWN_NAME, "psect", h->name, "TEXT");
    return false;
  }
  return true;
}

// The current module's contribution to the psect reaches the data's end.
void size_contribution(const text_header *h) {
  psect_info *p = h->psect->info;
  uint32_t end = h->offset + h->data_length;
  if (h->psect->flags & LS_ABS) end = end > p->link ? end - p->link : 0;
  if (end > p->contribution) p->contribution = end;
  sym_note_contribution(p);
}

void write_bytes(const uint8_t *bytes, uint32_t count) {
  if (fwrite(bytes, 1, count, out_fp) != count && !lout.failed) {
    msg(MSG_WRITE_FAILED, out_name);
    lout.failed = true;
  }
}

void write_start_record(uint8_t kind, uint32_t value, const char *name) {
  io_builder b;
  io_builder_init(&b, &lmaps);
  io_add_u32(&b, value);
  io_add_string(&b, name);
  if (!b.overflow) write_record(&lout, kind, b.length, b.data);
}

}  // namespace

bool text_open_output(const char *name) {
  out_name = name;
  out_fp = fopen(name, "wb");
  if (!out_fp) {
    msg(MSG_CANT_CREATE, "output", name);
    return false;
  }
  static char buffer[0x7000];
  setvbuf(out_fp, buffer, _IOFBF, sizeof buffer);
  io_writer_init(&lout, out_fp, name);
  lout.before_reloc = before_reloc;
  lout.symbols_only = lopt.symbols_only;
  // A raw image holds code bytes only.
  if (lopt.raw) lout.stopped = true;
  memset(&ltext, 0, sizeof ltext);
  ltext_stopped = false;
  start_seen = false;
  return true;
}

void text_close_output() {
  if (!out_fp) return;
  if ((fclose(out_fp) != 0) && !lout.failed) {
    msg(MSG_WRITE_FAILED, out_name);
    lout.failed = true;
  }
  out_fp = nullptr;
}

void text_write_always(uint8_t kind, uint32_t length, const uint8_t *body) {
  bool symbols_only = lout.symbols_only;
  lout.symbols_only = false;
  write_record(&lout, kind, length, body);
  lout.symbols_only = symbols_only;
}

void text_stop_output() {
  ltext_stopped = true;
  lout.stopped = true;
}

uint32_t text_module_offset(const link_symbol *psect) {
  return (psect->flags & LS_OVRLD) ? 0 : psect->info->size;
}

void text_size() {
  text_header h;
  if (read_header(lpos.reader, &h)) size_contribution(&h);
}

void text_write_piece() {
  text_piece &t = ltext;
  if (!t.active || lopt.symbols_only || ltext_stopped || t.write_end <= t.write_start) return;
  uint32_t count = t.write_end - t.write_start;
  const uint8_t *data = t.body + t.data_pos + t.write_start;
  if (lopt.raw) {
    if (t.address < lopt.raw_base) {
      msg(MSG_BELOW_BASE, (unsigned long)lopt.raw_base);
    } else if (fseek(out_fp, (long)(t.address - lopt.raw_base), SEEK_SET) != 0) {
      msg_report_hooked("E", "Seek error: %s", out_name);
    } else {
      write_bytes(data, count);
    }
  } else {
    uint32_t name_length = (uint32_t)strlen(t.psect_name);
    uint8_t header[IO_HEADER_SIZE + 4];
    uint32_t length = count + name_length + 5;
    header[0] = (uint8_t)length;
    header[1] = (uint8_t)(length >> 8);
    header[2] = IO_TEXT;
    io_put32(&lmaps, header + 3, t.address);
    write_bytes(header, sizeof header);
    write_bytes((const uint8_t *)t.psect_name, name_length + 1);
    write_bytes(data, count);
  }
  t.address += count;
  t.written += count;
  t.write_start = t.write_end;
}

void text_flush() {
  if (ltext.active) {
    ltext.write_end = ltext.length;
    text_write_piece();
  }
  flush_record(&lout);
}

void text_copy() {
  text_flush();
  ltext.active = false;
  const io_reader *r = lpos.reader;
  text_header h;
  if (!read_header(r, &h)) return;
  size_contribution(&h);
  text_piece &t = ltext;
  memcpy(t.body, r->body, r->length);
  t.data_pos = h.data_pos;
  t.length = h.data_length;
  t.psect = h.psect;
  t.psect_name = (const char *)t.body + 4;
  t.written = 0;
  t.write_start = t.write_end = 0;
  psect_info *p = h.psect->info;
  uint32_t address = h.offset + text_module_offset(h.psect);
  if (lopt.relocatable || (h.psect->flags & LS_BOUNDS)) {
    t.base = t.address = address;
  } else {
    t.base = address + p->link;
    t.address = address + p->load;
  }
  t.active = true;
}

void text_start() {
  body_cursor c = body_of(lpos.reader);
  uint32_t offset = body_u32(&c);
  const char *name = body_string(&c);
  if (c.bad) return link_bad_record(IO_START);
  if (start_seen) {
    msg(MSG_SECOND_START);
    return;
  }
  start_seen = true;
  if (lopt.raw) return;
  link_symbol *psect = sym_find(name, LS_PSECT | LS_GLOBAL);
  if (!psect) {
    msg(MSG_UNKNOWN_NAME, "psect", name, "START");
    return;
  }
  uint32_t delta = psect->info->delta ? psect->info->delta : 1;
  uint32_t value = (offset + text_module_offset(psect)) / delta;
  if (!lopt.relocatable) value += psect->info->link / delta;
  write_start_record(IO_START, value, name);
}

void text_segstart() {
  body_cursor c = body_of(lpos.reader);
  uint32_t offset = body_u32(&c);
  const char *name = body_string(&c);
  if (c.bad) return link_bad_record(IO_SEGSTART);
  start_seen = true;
  if (lopt.raw) return;
  link_symbol *psect = sym_find(name, LS_PSECT | LS_GLOBAL);
  if (!psect) {
    msg(MSG_UNKNOWN_NAME, "psect", name, "SEGSTART");
    return;
  }
  uint32_t value = offset;
  if (!lopt.relocatable) value += psect->info->selector;
  psect->flags |= LS_SELECTOR;
  write_start_record(IO_SEGSTART, value, name);
}

void text_finish() {
  text_flush();
  ltext.active = false;
  if (!start_seen && !lopt.relocatable && !lopt.raw && !lopt.symbols_only) {
    msg(MSG_NO_START);
    write_start_record(IO_START, 0, "");
  }
  if (!lopt.raw) {
    uint8_t body[2];
    io_put16(&lmaps, body, 0);
    text_write_always(IO_END, 2, body);
  }
}
