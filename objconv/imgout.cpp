#include "objconv/imgout.h"

#include <algorithm>
#include <cstring>

#include "common/alert.h"
#include "hexmerge/ihex.h"

namespace {

enum {
  MSG_OUT_OF_RANGE = 411,
  MSG_NOT_AT_ZERO = 412,
  MSG_TEKX_CHAR = 416,
};

const char hex_digits[] = "0123456789ABCDEF";

// One text line being built.
struct line_buf {
  char text[1024];
  size_t n = 0;

  void ch(char c) { text[n++] = c; }
  void str(const char *s) {
    while (*s) text[n++] = *s++;
  }
};

void hex_out_byte(line_buf *l, uint8_t b) {
  l->ch(hex_digits[b >> 4]);
  l->ch(hex_digits[b & 15]);
}

void hex_out_word(line_buf *l, uint16_t w) {
  hex_out_byte(l, (uint8_t)(w >> 8));
  hex_out_byte(l, (uint8_t)w);
}

void hex_out_bytes(line_buf *l, const uint8_t *bytes, size_t count) {
  for (size_t i = 0; i < count; i++) hex_out_byte(l, bytes[i]);
}

void line_end(imprel_state *s, line_buf *l) {
  l->ch('\n');
  out_bytes(&s->out, l->text, l->n);
  l->n = 0;
}

uint32_t record_length(const imprel_state *s, uint32_t format_default) {
  uint32_t cap = s->opt.record_length;
  return cap && cap < format_default ? cap : format_default;
}

// Visits the image as records: pages in ascending order, within a page runs
// of written bytes of at most max_length bytes. With an alignment m, a page's
// first record starts at its low address rounded down to m, and every
// record's length is rounded up to m (the extra bytes carry fill contents);
// a record that the round-up carries past its page's end takes the following
// page's bytes there when they were written (they are then not visited
// again), else 0xFF. No record crosses a 64K boundary, where the 16-bit
// address fields of the text formats would wrap.
template <class Emit>
void walk_records(imprel_state *s, uint32_t max_length, Emit emit) {
  uint32_t m = s->opt.record_align ? s->opt.record_align : 1;
  uint64_t carried = 0;
  uint8_t data[IMAGE_PAGE_SIZE], flags[IMAGE_PAGE_SIZE];
  uint8_t record[512];
  for (uint32_t number : image_sorted_pages(&s->image)) {
    const image_page_desc *p = image_find(&s->image, number);
    uint64_t low = p->low, high = p->high;
    uint64_t base = (uint64_t)number * IMAGE_PAGE_SIZE, page_end = base + IMAGE_PAGE_SIZE;
    image_read(&s->image, base, data, flags, IMAGE_PAGE_SIZE);
    // Bytes below the low address are taken only by the page's first record.
    uint64_t pos = std::max<uint64_t>(low - low % m, carried);
    while (pos < high) {
      if (pos >= low && !flags[pos - base]) {
        pos++;
        continue;
      }
      uint64_t end = pos;
      while (end < high && end - pos < max_length && (end < low || flags[end - base])) end++;
      uint64_t length = (end - pos + m - 1) / m * m;
      uint64_t boundary = (pos | 0xFFFF) + 1;
      if (pos + length > boundary) length = boundary - pos;
      uint64_t in_page = std::min(pos + length, page_end) - pos;
      memcpy(record, data + (pos - base), in_page);
      if (length > in_page) {
        uint8_t next[16], next_flags[16];
        uint32_t extra = (uint32_t)(length - in_page);
        image_read(&s->image, page_end, next, next_flags, extra);
        for (uint32_t i = 0; i < extra; i++) record[in_page + i] = next_flags[i] ? next[i] : 0xFF;
        carried = pos + length;
      }
      emit((uint32_t)pos, record, (uint32_t)length);
      pos += length;
    }
  }
}

// ---- Intel HEX ----

// Records hold at most 32 data bytes and an alignment of at most 16 more.
void intel_line(imprel_state *s, uint8_t type, uint32_t address, const uint8_t *data, uint32_t n) {
  char line[IHEX_MAX_LINE];
  out_bytes(&s->out, line, ihex_format(line, type, (uint16_t)address, data, (uint8_t)n));
}

void intel_extended(imprel_state *s, uint8_t type, uint32_t value) {
  char line[IHEX_MAX_LINE];
  out_bytes(&s->out, line, ihex_format_extended(line, type, (uint16_t)value));
}

void intel_write(imprel_state *s, uint32_t start) {
  bool linear = s->opt.intel_linear;
  uint32_t upper = 0;
  walk_records(s, record_length(s, 32), [&](uint32_t address, const uint8_t *data, uint32_t n) {
    uint32_t u = address & 0xFFFF0000u;
    if (u != upper) {
      if (linear)
        intel_extended(s, IHEX_LINEAR, u >> 16);
      else
        intel_extended(s, IHEX_SEGMENT, (u >> 4) & 0xFFFF);
      upper = u;
    }
    intel_line(s, IHEX_DATA, address & 0xFFFF, data, n);
  });
  if (s->start_segment * 16 != upper) {
    if (linear && s->start_segment == 0)
      intel_extended(s, IHEX_LINEAR, 0);
    else
      intel_extended(s, IHEX_SEGMENT, s->start_segment);
  }
  intel_line(s, IHEX_END, start & 0xFFFF, nullptr, 0);
}

// ---- Motorola S-records ----

void srecord_line(imprel_state *s, char type, uint32_t address, int address_bytes,
                  const uint8_t *data, uint32_t n) {
  line_buf l;
  unsigned count = n + (unsigned)address_bytes + 1;
  unsigned sum = count;
  l.ch('S');
  l.ch(type);
  hex_out_byte(&l, (uint8_t)count);
  for (int i = address_bytes - 1; i >= 0; i--) {
    uint8_t b = (uint8_t)(address >> (8 * i));
    sum += b;
    hex_out_byte(&l, b);
  }
  for (uint32_t i = 0; i < n; i++) sum += data[i];
  hex_out_bytes(&l, data, n);
  hex_out_byte(&l, (uint8_t)~sum);
  line_end(s, &l);
}

void motorola_write(imprel_state *s, uint32_t start) {
  // The count byte holds at most 255: the name is cut to fit.
  size_t name_length = std::min<size_t>(strlen(s->opt.input), 252);
  srecord_line(s, '0', 0, 2, (const uint8_t *)s->opt.input, (uint32_t)name_length);
  walk_records(s, record_length(s, 32), [&](uint32_t address, const uint8_t *data, uint32_t n) {
    if (address < 0x10000)
      srecord_line(s, '1', address, 2, data, n);
    else if (address < 0x1000000)
      srecord_line(s, '2', address, 3, data, n);
    else
      srecord_line(s, '3', address, 4, data, n);
  });
  if (start < 0x10000)
    srecord_line(s, '9', start, 2, nullptr, 0);
  else if (start < 0x1000000)
    srecord_line(s, '8', start, 3, nullptr, 0);
  else
    srecord_line(s, '7', start, 4, nullptr, 0);
}

// ---- Tektronix hex ----

unsigned nibble_sum(uint32_t value, int digits) {
  unsigned sum = 0;
  for (int i = 0; i < digits; i++) sum += (value >> (4 * i)) & 15;
  return sum;
}

void tek_write(imprel_state *s, uint32_t start) {
  walk_records(s, record_length(s, 30), [&](uint32_t address, const uint8_t *data, uint32_t n) {
    line_buf l;
    l.ch('/');
    hex_out_word(&l, (uint16_t)address);
    hex_out_byte(&l, (uint8_t)n);
    hex_out_byte(&l, (uint8_t)(nibble_sum(address, 4) + nibble_sum(n, 2)));
    unsigned sum = 0;
    for (uint32_t i = 0; i < n; i++) sum += nibble_sum(data[i], 2);
    hex_out_bytes(&l, data, n);
    hex_out_byte(&l, (uint8_t)sum);
    line_end(s, &l);
  });
  line_buf l;
  l.ch('/');
  hex_out_word(&l, (uint16_t)start);
  hex_out_byte(&l, 0);
  hex_out_byte(&l, (uint8_t)nibble_sum(start, 4));
  line_end(s, &l);
}

// ---- Extended Tektronix hex ----

int tekx_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 40;
  switch (c) {
    case '$': return 36;
    case '%': return 37;
    case '.': return 38;
    case '_': return 39;
    default: return -1;
  }
}

// One record: "%", length, type digit, checksum, body.
void tekx_record(imprel_state *s, char type, uint32_t address, const uint8_t *data, uint32_t n) {
  line_buf body;
  if (address < 0x10000) {
    body.ch('4');
    hex_out_word(&body, (uint16_t)address);
  } else {
    body.ch('8');
    hex_out_word(&body, (uint16_t)(address >> 16));
    hex_out_word(&body, (uint16_t)address);
  }
  hex_out_bytes(&body, data, n);
  line_buf head;
  hex_out_byte(&head, (uint8_t)(body.n + 5));
  head.ch(type);
  unsigned sum = 0;
  for (size_t i = 0; i < head.n; i++) sum += (unsigned)tekx_value(head.text[i]);
  for (size_t i = 0; i < body.n; i++) {
    int v = tekx_value(body.text[i]);
    if (v < 0) msg(MSG_TEKX_CHAR, body.text[i]);
    sum += (unsigned)std::max(v, 0);
  }
  line_buf l;
  l.ch('%');
  l.ch(head.text[0]);
  l.ch(head.text[1]);
  l.ch(type);
  hex_out_byte(&l, (uint8_t)sum);
  memcpy(l.text + l.n, body.text, body.n);
  l.n += body.n;
  line_end(s, &l);
}

void tekx_write(imprel_state *s, uint32_t start) {
  walk_records(s, record_length(s, 32), [&](uint32_t address, const uint8_t *data, uint32_t n) {
    tekx_record(s, '6', address, data, n);
  });
  tekx_record(s, '8', start, nullptr, 0);
  out_text(&s->out, "\n");
}

// ---- Record binary with CRC ----

void ubrof_write(imprel_state *s, uint32_t start) {
  walk_records(s, record_length(s, 255), [&](uint32_t address, const uint8_t *data, uint32_t n) {
    uint8_t head[8] = {'Q', 0x01};
    target_put32(s, head + 2, address);
    head[6] = '9';
    head[7] = (uint8_t)n;
    ubrof_out(s, head, sizeof head);
    ubrof_out(s, data, n);
  });
  uint8_t end[7] = {'=', 0, 0};
  target_put32(s, end + 3, start);
  ubrof_out(s, end, sizeof end);
  uint8_t tail[3];
  target_put16(s, tail, s->crc);
  tail[2] = 0xFF;
  out_bytes(&s->out, tail, sizeof tail);
}

// ---- Binary image ----

void binary_write(imprel_state *s) {
  uint64_t end = std::max<uint64_t>(s->image.top, s->opt.fill_end);
  if (end > s->opt.base) image_copy_range(s, s->opt.base, end);
}

uint64_t lowest_address(const imprel_state *s) {
  std::vector<uint32_t> pages = image_sorted_pages(&s->image);
  return pages.empty() ? 0 : image_find(&s->image, pages.front())->low;
}

// Whether every address (and the start address) fits the chosen format.
bool range_fits(imprel_state *s, uint32_t start) {
  uint64_t top = s->image.top;
  bool empty = image_sorted_pages(&s->image).empty();
  uint64_t limit = 1ull << 32;
  switch (s->format) {
    case FMT_INTEL:
      // Type-02 segment records reach the first megabyte only.
      if (!s->opt.intel_linear) limit = 0x100000;
      break;
    case FMT_TEK:
      limit = 0x10000;
      if (start >= limit) {
        msg(MSG_OUT_OF_RANGE, (unsigned long)start);
        return false;
      }
      break;
    case FMT_BINARY:
      if (!empty && lowest_address(s) < s->opt.base) {
        msg(MSG_OUT_OF_RANGE, (unsigned long)lowest_address(s));
        return false;
      }
      break;
    case FMT_CPM86:
    case FMT_EXE:
    case FMT_M68K:
      if (!empty && lowest_address(s) != 0) {
        msg(MSG_NOT_AT_ZERO);
        return false;
      }
      break;
    default:
      break;
  }
  if (top > limit) {
    msg(MSG_OUT_OF_RANGE, (unsigned long)(top - 1));
    return false;
  }
  return true;
}

// A program whose text lies in the large-model psects reports it there.
void choose_text_symbols(imprel_state *s) {
  uint32_t *v = s->special;
  if (v[SPECIAL_Htext] < v[SPECIAL_H_TEXT]) {
    v[SPECIAL_Htext] = v[SPECIAL_H_TEXT];
    v[SPECIAL_Ltext] = v[SPECIAL_L_TEXT];
    v[SPECIAL_Btext] = v[SPECIAL_B_TEXT];
  }
}

}  // namespace

void image_copy_range(imprel_state *s, uint64_t from, uint64_t to) {
  uint8_t chunk[IMAGE_PAGE_SIZE];
  while (from < to) {
    uint32_t n = (uint32_t)std::min<uint64_t>(to - from, IMAGE_PAGE_SIZE - from % IMAGE_PAGE_SIZE);
    image_read(&s->image, from, chunk, nullptr, n);
    out_bytes(&s->out, chunk, n);
    from += n;
  }
}

uint32_t image_start(imprel_state *s) {
  return s->have_start ? s->start : (uint32_t)lowest_address(s);
}

void image_output(imprel_state *s) {
  choose_text_symbols(s);
  if (s->opt.segment_list) segment_list_store(s);
  if ((s->opt.reloc || s->opt.reloc_segments) && !format_carries_relocs(s->format)) reloc_write(s);
  cksum_apply(&s->image, s->cksums);
  uint32_t start = image_start(s);
  if (range_fits(s, start)) {
    switch (s->format) {
      case FMT_INTEL: intel_write(s, start); break;
      case FMT_MOTOROLA: motorola_write(s, start); break;
      case FMT_TEK: tek_write(s, start); break;
      case FMT_TEK_EXT: tekx_write(s, start); break;
      case FMT_UBROF: ubrof_write(s, start); break;
      case FMT_BINARY: binary_write(s); break;
      case FMT_HEADER: header_image_write(s); break;
      case FMT_DEBUG: debug_image_write(s); break;
      case FMT_CPM86: cpm86_write(s); break;
      case FMT_EXE: exe_header_write(s); break;
      case FMT_M68K: m68k_header_write(s); break;
      case FMT_SEGEXE: segexe_write(s); break;
      case FMT_X386: x386_write(s); break;
      case FMT_COFF: coff_header_write(s); break;
    }
  }
  image_free(&s->image);
}
