#include "hexmerge/image.h"

#include <cstdlib>

#include "common/alert.h"

enum {
  MSG_NO_MEMORY = 294,
  MSG_CLASH = 944,
  MSG_FORCED_CLASH = 962,
};

// Bytes of a page record as the log and the out-of-memory message count them.
enum { PAGE_RECORD_BYTES = 140 };

struct kind_row {
  char letter;
  const char *name;
};

static const kind_row kind_table[KIND_COUNT] = {
    {'-', "Unused memory"},
    {'F', "Filled ROM"},
    {'S', "Stored serial code"},
    {'A', "Stored ASCII string"},
    {'R', "Reserved for checksum"},
    {'C', "Stored checksum result"},
    {'T', "Trailing code"},
    {'&', "Find & replace opcode"},
    {'X', "Find & delete opcode"},
    {'1', nullptr},
    {'2', nullptr},
    {'3', nullptr},
    {'4', nullptr},
    {'5', nullptr},
};

char kind_letter(int kind) { return kind >= 0 && kind < KIND_COUNT ? kind_table[kind].letter : '?'; }

const char *kind_name(const hex_image *img, int kind) {
  if (kind < 0 || kind >= KIND_COUNT) return nullptr;
  if (kind >= KIND_INPUT) return img->input_names[kind - KIND_INPUT];
  return kind_table[kind].name;
}

int kind_named_count(const hex_image *img) {
  int n = 0;
  while (n < KIND_COUNT && kind_name(img, n)) n++;
  return n;
}

void image_init(hex_image *img) {
  img->pages.clear();
  img->last = nullptr;
  img->masks = nullptr;
  img->mask_count = 0;
  for (auto &name : img->input_names) name = nullptr;
  image_page_at(img, 0);
}

void image_free(hex_image *img) {
  for (auto &entry : img->pages) free(entry.second);
  img->pages.clear();
  img->last = nullptr;
}

static image_page *find_page(hex_image *img, uint32_t base) {
  if (img->last && img->last->base == base) return img->last;
  auto it = img->pages.find(base);
  if (it == img->pages.end()) return nullptr;
  img->last = it->second;
  return it->second;
}

image_slot *image_get(hex_image *img, uint32_t address) {
  image_page *p = find_page(img, address & ~(uint32_t)(PAGE_SIZE - 1));
  return p ? &p->slot[address % PAGE_SIZE] : nullptr;
}

image_page *image_page_at(hex_image *img, uint32_t address) {
  uint32_t base = address & ~(uint32_t)(PAGE_SIZE - 1);
  image_page *p = find_page(img, base);
  if (p) return p;
  p = (image_page *)calloc(1, sizeof(image_page));
  if (!p) {
    msg(MSG_NO_MEMORY, (unsigned)PAGE_RECORD_BYTES);
    msg_exit_failure(1);
  }
  p->base = base;
  img->pages.emplace(base, p);
  img->last = p;
  return p;
}

static uint8_t apply_masks(const hex_image *img, uint8_t value, uint32_t address) {
  for (int i = 0; i < img->mask_count; i++) {
    const mask_spec &m = img->masks[i];
    if (address >= m.start && address <= m.end) value &= m.code[address % (uint32_t)m.length];
  }
  return value;
}

void image_set(hex_image *img, uint8_t value, uint32_t address, uint8_t attr) {
  value = apply_masks(img, value, address);
  image_slot *s = &image_page_at(img, address)->slot[address % PAGE_SIZE];
  int kind = attr & ATTR_KIND;
  bool forced = attr & ATTR_FORCED;
  bool stored_forced = s->attr & ATTR_FORCED;
  if (forced && stored_forced && s->value != value)
    msg(MSG_FORCED_CLASH, (unsigned long)address, kind_name(img, s->attr & ATTR_KIND),
        kind_name(img, kind));
  if (s->attr == 0 || kind == KIND_CHECKSUM || kind == KIND_REPLACED || kind == KIND_DELETED ||
      forced) {
    s->value = value;
    s->attr = attr;
    return;
  }
  // A fill only goes where nothing is; a forced byte is never contradicted.
  if (kind != KIND_FILL && !stored_forced && s->value != value)
    msg(MSG_CLASH, (unsigned long)address, kind_name(img, s->attr & ATTR_KIND), kind_name(img, kind));
}
