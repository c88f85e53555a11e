#include "linker/listing.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "common/osdep.h"
#include "linker/options.h"
#include "linker/pass.h"
#include "linker/reloc.h"
#include "linker/text.h"

enum {
  MSG_WRITE_FAILED = 413,
  MSG_CANT_OPEN_LISTING = 524,
  OUT_BUFFER = 0x7000,
};

namespace {

struct listing_out {
  FILE *fp;
  std::string text;
  bool failed;
};

void flush_text(listing_out *out) {
  if (out->text.empty()) return;
  if (fwrite(out->text.data(), 1, out->text.size(), out->fp) != out->text.size() && !out->failed) {
    msg(MSG_WRITE_FAILED, "list file");
    out->failed = true;
  }
  out->text.clear();
}

void append(listing_out *out, const char *text, size_t n) {
  if (out->text.size() + n > OUT_BUFFER - 1) flush_text(out);
  out->text.append(text, n);
}

// The patched field in its number of hexadecimal digits.
void print_field(listing_out *out, const uint8_t *field, uint32_t digits) {
  char buffer[1024];
  uint32_t v16 = io_get16(&lmaps, field), v32 = io_get32(&lmaps, field);
  int n = 0;
  switch (digits) {
    case 1: n = snprintf(buffer, sizeof buffer, "%1.1X", field[0] & 0xF); break;
    case 2: n = snprintf(buffer, sizeof buffer, "%2.2X", field[0]); break;
    case 3: n = snprintf(buffer, sizeof buffer, "%3.3X", v16 & 0xFFF); break;
    case 4: n = snprintf(buffer, sizeof buffer, "%4.4X", v16); break;
    case 5: n = snprintf(buffer, sizeof buffer, "%5.5lX", (unsigned long)(v32 & 0xFFFFF)); break;
    case 6: n = snprintf(buffer, sizeof buffer, "%6.6lX", (unsigned long)(v32 & 0xFFFFFF)); break;
    case 7: n = snprintf(buffer, sizeof buffer, "%7.7lX", (unsigned long)(v32 & 0xFFFFFFF)); break;
    case 8: n = snprintf(buffer, sizeof buffer, "%8.8lX", (unsigned long)v32); break;
    default: return;
  }
  append(out, buffer, (size_t)n);
}

void rewrite(FILE *in, listing_out *out, const char *name) {
  io_reader reader;
  io_reader_init(&reader, in, IO_MAX_BODY);
  reader.count_bytes = false;
  io_reader *object_reader = lpos.reader;
  lpos.reader = &reader;
  lpos.listing = name;
  bool hidden = false;
  while (read_record_header(&reader)) {
    lpos.listing_record = reader.record_no;
    uint8_t kind = reader.kind;
    if (kind != IO_IDENT && kind != IO_LISTTEXT && kind != IO_LISTFIELD && kind != IO_CONDEXPR) break;
    if (!read_record_body(&reader)) break;
    if (kind == IO_LISTTEXT) {
      if (!hidden) append(out, (const char *)reader.body, reader.length);
    } else if (kind == IO_LISTFIELD) {
      if (hidden) continue;
      if (reader.length < 7) {
        link_bad_record(kind);
        continue;
      }
      text_write_piece();
      flush_record(&lout);
      uint8_t field[4];
      memcpy(field, reader.body, 4);
      uint32_t offset = reader.body[4];
      uint8_t type = reader.body[5];
      uint32_t digits = reader.body[6];
      body_cursor expr = {reader.body, reader.length, 7, false};
      reloc_listing_field(field, offset, type, &expr);
      print_field(out, field, digits);
    } else if (kind == IO_CONDEXPR) {
      body_cursor expr = body_of(&reader);
      reloc_expr_result r = reloc_eval(&expr, ltext.base, 0);
      hidden = r.has_value && r.value != 0;
    }
  }
  lpos.reader = object_reader;
  lpos.listing = nullptr;
}

}  // namespace

void listing_rewrite() {
  if (lopt.norlf || lopt.relocatable) return;
  body_cursor c = body_of(lpos.reader);
  std::string rel = body_string(&c);
  std::string final_name = body_string(&c);
  if (c.bad) return link_bad_record(IO_LISTRELOC);
  FILE *in = fopen(rel.c_str(), "rb");
  if (!in && lpos.module) {
    // Beside the object that names it.
    char *dir = os_dirname(lpos.module->path.c_str());
    if (dir) {
      std::string beside = std::string(dir) + "/" + rel;
      in = fopen(beside.c_str(), "rb");
      if (in) {
        rel = beside;
        final_name = std::string(dir) + "/" + final_name;
      }
      free(dir);
    }
  }
  if (!in) {
    msg(MSG_CANT_OPEN_LISTING, rel.c_str());
    return;
  }
  listing_out out = {fopen(final_name.c_str(), "w"), std::string(), false};
  if (!out.fp) {
    fclose(in);
    msg(MSG_CANT_OPEN_LISTING, final_name.c_str());
    return;
  }
  static char in_buffer[OUT_BUFFER], out_buffer[OUT_BUFFER];
  setvbuf(in, in_buffer, _IOFBF, sizeof in_buffer);
  setvbuf(out.fp, out_buffer, _IOFBF, sizeof out_buffer);
  out.text.reserve(OUT_BUFFER);
  rewrite(in, &out, rel.c_str());
  flush_text(&out);
  fclose(in);
  if (fclose(out.fp) != 0 && !out.failed) msg(MSG_WRITE_FAILED, "list file");
}
