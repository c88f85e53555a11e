#include "hexmerge/edits.h"

#include <cstddef>

#include "common/alert.h"

enum { MSG_FOUND = 1212 };

static uint64_t width_mask(int bytes) { return bytes >= 8 ? ~(uint64_t)0 : ((uint64_t)1 << (8 * bytes)) - 1; }

uint32_t store_msb_first(hex_image *img, uint64_t value, int count, uint32_t address, uint8_t attr) {
  for (int k = count - 1; k >= 0; k--) image_set(img, (uint8_t)(value >> (8 * k)), address++, attr);
  return address;
}

// The first address at or above `from` that a page holds, or past the end.
static uint64_t next_present(hex_image *img, uint64_t from) {
  if (from > 0xFFFFFFFFu) return from;
  if (image_get(img, (uint32_t)from)) return from;
  auto it = img->pages.upper_bound((uint32_t)from);
  return it == img->pages.end() ? (uint64_t)1 << 32 : it->first;
}

// The code at an address as a number, first byte most significant; false
// when a byte is missing or did not come from an input file.
static bool read_code(hex_image *img, uint64_t address, int length, uint64_t *value) {
  uint64_t v = 0;
  for (int k = 0; k < length; k++) {
    if (address + (uint64_t)k > 0xFFFFFFFFu) return false;
    const image_slot *s = image_get(img, (uint32_t)(address + (uint64_t)k));
    if (!s || (s->attr & ATTR_KIND) < KIND_INPUT) return false;
    v = v << 8 | s->value;
  }
  *value = v;
  return true;
}

void edit_find(hex_image *img, find_spec *f) {
  const uint64_t width = width_mask(f->length);
  const uint64_t mask = f->mask & width;
  const uint64_t align = f->align;
  uint64_t p = ((uint64_t)f->start + align - 1) / align * align;
  while (p <= f->end) {
    uint64_t present = next_present(img, p);
    if (present != p) {
      p = (present + align - 1) / align * align;
      continue;
    }
    uint64_t value;
    if (read_code(img, p, f->length, &value) && (value & mask) == (f->code & mask)) {
      uint64_t new_value = ((value & ~f->replace_mask) | (f->replace & f->replace_mask)) & width;
      f->matches.push_back({(uint32_t)p, value, new_value});
      if (f->warn)
        msg(MSG_FOUND, f->title, 2 * f->length, (unsigned long)value, (unsigned long)p);
      if (f->del) {
        for (int k = 0; k < f->length; k++) image_set(img, 0, (uint32_t)p + (uint32_t)k, KIND_DELETED);
      } else if (f->replace_mask) {
        // Written back in the order it was read, so a code replaced by
        // itself stays as it was.
        store_msb_first(img, new_value, f->length, (uint32_t)p, KIND_REPLACED);
      }
    }
    p += align;
  }
}

void edit_serial(hex_image *img, const serial_spec *s) {
  const uint8_t attr = (uint8_t)(KIND_SERIAL | (s->forced ? ATTR_FORCED : 0));
  uint64_t value = s->value;
  uint32_t address = s->address;
  for (long r = 0; r < s->repetitions; r++) {
    store_msb_first(img, value, s->bytes, address, attr);
    value += s->increment;
    address += s->interval;
  }
}

void edit_string(hex_image *img, const string_spec *s) {
  const uint8_t forced = s->forced ? ATTR_FORCED : 0;
  const auto *text = (const unsigned char *)s->text;
  uint32_t address = s->address;
  if (!s->pack) {
    for (size_t i = 0;; i++) {
      image_set(img, text[i], address++, (uint8_t)(KIND_STRING | forced));
      address = store_msb_first(img, s->trail, s->trail_bytes, address, (uint8_t)(KIND_TRAILING | forced));
      if (!text[i]) break;
    }
    return;
  }
  // Two 7-bit characters to a 14-bit word, the first in the high half;
  // the word that holds the terminating zero ends the string.
  for (size_t i = 0;; i += 2) {
    unsigned first = text[i];
    unsigned second = first ? text[i + 1] : 0;
    unsigned word = (first & 0x7F) << 7 | (second & 0x7F);
    image_set(img, (uint8_t)word, address++, (uint8_t)(KIND_STRING | forced));
    image_set(img, (uint8_t)(word >> 8), address++, (uint8_t)(KIND_STRING | forced));
    if (!first || !second) break;
  }
}

static bool holds_data(const image_slot *s) {
  int kind = s->attr & ATTR_KIND;
  return s->attr && kind != KIND_FILL && kind != KIND_DELETED;
}

static void fill_range(hex_image *img, const fill_spec *f, uint64_t from, uint64_t to) {
  for (uint64_t a = from; a <= to; a++) {
    uint32_t address = (uint32_t)a;
    const image_slot *s = image_get(img, address);
    if (s && s->attr) continue;
    image_set(img, f->code[address % (uint32_t)f->length], address, KIND_FILL);
  }
}

void edit_fill(hex_image *img, const fill_spec *f, int record_length) {
  if (!f->data_only) {
    fill_range(img, f, f->start, f->end);
    return;
  }
  // Blocks of one output record, counted from the start rounded down; a
  // block with data is completed, within the range given.
  const uint64_t block = (uint64_t)record_length;
  const uint64_t first = f->start / block * block;
  std::vector<uint64_t> blocks;
  for (auto it = img->pages.lower_bound((uint32_t)(first & ~(uint64_t)(PAGE_SIZE - 1)));
       it != img->pages.end() && it->first <= f->end; ++it) {
    const image_page *page = it->second;
    for (int i = 0; i < PAGE_SIZE; i++) {
      uint64_t a = (uint64_t)page->base + (uint64_t)i;
      if (a < first || a > f->end || !holds_data(&page->slot[i])) continue;
      uint64_t b = (a - first) / block;
      if (blocks.empty() || blocks.back() != b) blocks.push_back(b);
    }
  }
  for (uint64_t b : blocks) {
    uint64_t from = first + b * block;
    uint64_t to = from + block - 1;
    if (from < f->start) from = f->start;
    if (to > f->end) to = f->end;
    fill_range(img, f, from, to);
  }
}
