#include "objconv/image.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"

namespace {

enum {
  MSG_CANT_OPEN = 141,
  MSG_ONE_PAGE_LISTED = 296,
  MSG_WRITE_FAILED = 413,
  MSG_SWAP_SHORT_READ = 414,
  MSG_SWAP_SEEK = 417,
  MSG_IMAGE_TOO_LARGE = 418,
  MSG_BAD_CKSUM_SPEC = 427,
  MSG_CKSUM_WIDTH = 430,
  MSG_CKSUM_VALUE = 940,
  MSG_OVERWRITE = 1343,
};

const uint64_t address_limit = 1ull << 32;

uint64_t page_base(uint32_t number) { return (uint64_t)number * IMAGE_PAGE_SIZE; }

void list_unlink(mem_image *img, int index) {
  image_page_desc &p = img->pages[index];
  if (p.prev >= 0) img->pages[p.prev].next = p.next;
  if (p.next >= 0) img->pages[p.next].prev = p.prev;
  if (img->head == index) img->head = p.next;
  p.prev = p.next = -1;
}

void list_push_head(mem_image *img, int index) {
  image_page_desc &p = img->pages[index];
  p.prev = -1;
  p.next = img->head;
  if (img->head >= 0) img->pages[img->head].prev = index;
  img->head = index;
}

bool swap_open(mem_image *img) {
  if (img->swap) return true;
  img->swap_name = os_tempname();
  img->swap = fopen(img->swap_name, "rb+");
  if (!img->swap) {
    msg(MSG_CANT_OPEN, "swap", img->swap_name);
    return false;
  }
  img->swap_end = 0;
  return true;
}

// Writes the least recently used in-memory page (other than the head) to the
// swap file and hands its buffer over. In-memory pages always form the front
// of the list, since a page that gets a buffer moves to the head.
uint8_t *image_evict(mem_image *img) {
  int victim = -1;
  if (img->head >= 0)
    for (int i = img->pages[img->head].next; i >= 0 && (img->pages[i].state & PAGE_IN_MEMORY);
         i = img->pages[i].next)
      victim = i;
  if (victim < 0) {
    msg(MSG_ONE_PAGE_LISTED);
    return nullptr;
  }
  if (!swap_open(img)) return nullptr;
  image_page_desc &p = img->pages[victim];
  if (p.swap_offset < 0) {
    p.swap_offset = img->swap_end;
    img->swap_end += IMAGE_BUFFER_SIZE;
  }
  if (fseek(img->swap, (long)p.swap_offset, SEEK_SET) != 0 ||
      fwrite(p.buffer, 1, IMAGE_BUFFER_SIZE, img->swap) != IMAGE_BUFFER_SIZE) {
    msg(MSG_WRITE_FAILED, img->swap_name);
    return nullptr;
  }
  uint8_t *buffer = p.buffer;
  p.buffer = nullptr;
  p.state = PAGE_EXISTS | PAGE_ON_DISK;
  return buffer;
}

uint8_t *new_buffer(mem_image *img) {
  if (img->buffers < IMAGE_MAX_BUFFERS) {
    img->buffers++;
    return (uint8_t *)xalloc(IMAGE_BUFFER_SIZE);
  }
  return image_evict(img);
}

bool swap_in(mem_image *img, int index) {
  // A buffer left from an earlier failed read back is used again.
  uint8_t *buffer = img->pages[index].buffer ? img->pages[index].buffer : new_buffer(img);
  if (!buffer) return false;
  image_page_desc &p = img->pages[index];
  p.buffer = buffer;
  if (fseek(img->swap, (long)p.swap_offset, SEEK_SET) != 0) {
    msg(MSG_SWAP_SEEK, img->swap_name);
    return false;
  }
  if (fread(buffer, 1, IMAGE_BUFFER_SIZE, img->swap) != IMAGE_BUFFER_SIZE) {
    msg(MSG_SWAP_SHORT_READ, img->swap_name);
    return false;
  }
  p.state = PAGE_EXISTS | PAGE_IN_MEMORY;
  return true;
}

int new_page(mem_image *img, uint32_t number) {
  if (img->pages.size() >= IMAGE_MAX_PAGES) {
    msg(MSG_IMAGE_TOO_LARGE, (unsigned long)page_base(number));
    return -1;
  }
  uint8_t *buffer = new_buffer(img);
  if (!buffer) return -1;
  uint64_t base = page_base(number);
  for (uint32_t i = 0; i < IMAGE_PAGE_SIZE; i++) buffer[i] = image_fill_byte(img, base + i);
  memset(buffer + IMAGE_PAGE_SIZE, 0, IMAGE_PAGE_SIZE);
  image_page_desc p = {};
  p.number = number;
  p.high = base;
  p.low = base + IMAGE_PAGE_SIZE;
  p.swap_offset = -1;
  p.buffer = buffer;
  p.prev = p.next = -1;
  p.state = PAGE_EXISTS | PAGE_IN_MEMORY;
  int index = (int)img->pages.size();
  img->pages.push_back(p);
  img->lookup[number] = index;
  list_push_head(img, index);
  return index;
}

int find_index(const mem_image *img, uint32_t number) {
  auto it = img->lookup.find(number);
  return it == img->lookup.end() ? -1 : it->second;
}

}  // namespace

void image_init(mem_image *img, uint32_t fill, const io_maps *maps) {
  img->pages.clear();
  img->lookup.clear();
  img->head = -1;
  img->buffers = 0;
  img->fill = fill;
  img->maps = *maps;
  img->top = 0;
  img->swap = nullptr;
  img->swap_name = nullptr;
  img->swap_end = 0;
}

void image_free(mem_image *img) {
  for (image_page_desc &p : img->pages) {
    xfree(p.buffer);
    p.buffer = nullptr;
  }
  img->pages.clear();
  img->lookup.clear();
  img->head = -1;
  img->buffers = 0;
  if (img->swap) {
    fclose(img->swap);
    img->swap = nullptr;
  }
  if (img->swap_name) {
    remove(img->swap_name);
    xfree(img->swap_name);
    img->swap_name = nullptr;
  }
}

uint8_t image_fill_byte(const mem_image *img, uint64_t address) {
  uint32_t fill = img->fill;
  if (fill > 0xFFFF) {
    unsigned position = (unsigned)(address % 4);
    for (int n = 0; n < 4; n++)
      if (img->maps.m32[n] == position) return (uint8_t)(fill >> (8 * n));
  } else if (fill > 0xFF) {
    unsigned position = (unsigned)(address % 2);
    for (int n = 0; n < 2; n++)
      if (img->maps.m16[n] == position) return (uint8_t)(fill >> (8 * n));
  }
  return (uint8_t)fill;
}

uint8_t *image_page(mem_image *img, uint32_t number, bool create) {
  if (img->head >= 0 && img->pages[img->head].number == number) return img->pages[img->head].buffer;
  int index = find_index(img, number);
  if (index < 0) return create && new_page(img, number) >= 0 ? img->pages[img->head].buffer : nullptr;
  if (!(img->pages[index].state & PAGE_IN_MEMORY) && !swap_in(img, index)) return nullptr;
  list_unlink(img, index);
  list_push_head(img, index);
  return img->pages[index].buffer;
}

const image_page_desc *image_find(const mem_image *img, uint32_t number) {
  int index = find_index(img, number);
  if (index < 0) return nullptr;
  const image_page_desc *p = &img->pages[index];
  return p->low < p->high ? p : nullptr;
}

int image_store(mem_image *img, uint64_t address, const uint8_t *bytes, uint32_t count) {
  if (address + count > address_limit) {
    msg(MSG_IMAGE_TOO_LARGE, (unsigned long)address);
    return 0;
  }
  while (count > 0) {
    uint32_t number = (uint32_t)(address / IMAGE_PAGE_SIZE);
    uint32_t offset = (uint32_t)(address % IMAGE_PAGE_SIZE);
    uint32_t run = std::min<uint32_t>(count, IMAGE_PAGE_SIZE - offset);
    uint8_t *buffer = image_page(img, number, true);
    if (!buffer) return 0;
    uint8_t *data = buffer + offset;
    uint8_t *flags = buffer + IMAGE_PAGE_SIZE + offset;
    for (uint32_t i = 0; i < run; i++)
      if (flags[i] && data[i] != bytes[i]) {
        msg(MSG_OVERWRITE, (unsigned long)(address + i), (unsigned)data[i], (unsigned)bytes[i]);
        break;
      }
    memcpy(data, bytes, run);
    memset(flags, 1, run);
    image_page_desc &p = img->pages[img->head];
    p.low = std::min(p.low, address);
    p.high = std::max(p.high, address + run);
    img->top = std::max(img->top, address + run);
    address += run;
    bytes += run;
    count -= run;
  }
  return 1;
}

void image_read(mem_image *img, uint64_t address, uint8_t *out, uint8_t *flags, uint32_t count) {
  while (count > 0) {
    uint32_t number = (uint32_t)(address / IMAGE_PAGE_SIZE);
    uint32_t offset = (uint32_t)(address % IMAGE_PAGE_SIZE);
    uint32_t run = std::min<uint32_t>(count, IMAGE_PAGE_SIZE - offset);
    const uint8_t *buffer = address < address_limit ? image_page(img, number, false) : nullptr;
    if (buffer) {
      memcpy(out, buffer + offset, run);
      if (flags) memcpy(flags, buffer + IMAGE_PAGE_SIZE + offset, run);
    } else {
      for (uint32_t i = 0; i < run; i++) out[i] = image_fill_byte(img, address + i);
      if (flags) memset(flags, 0, run);
    }
    address += run;
    out += run;
    if (flags) flags += run;
    count -= run;
  }
}

std::vector<uint32_t> image_sorted_pages(const mem_image *img) {
  std::vector<uint32_t> numbers;
  for (const image_page_desc &p : img->pages)
    if (p.low < p.high) numbers.push_back(p.number);
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

// ---- Checksum specifications ----

namespace {

struct spec_scanner {
  std::string text;
  size_t pos = 0;

  void skip_space() {
    while (pos < text.size() && isspace((unsigned char)text[pos])) pos++;
  }
  // White space and block comments; false on a comment that never ends.
  bool skip_space_and_comments() {
    for (;;) {
      skip_space();
      if (text.compare(pos, 2, "/*") != 0) return true;
      size_t close = text.find("*/", pos + 2);
      if (close == std::string::npos) {
        pos = text.size();
        return false;
      }
      pos = close + 2;
    }
  }
  // A hexadecimal number with an optional "0x"; false (nothing consumed) when
  // there is none or it does not fit 32 bits.
  bool hex(uint32_t *value) {
    skip_space();
    size_t p = pos;
    if (text.compare(p, 2, "0x") == 0 || text.compare(p, 2, "0X") == 0) {
      if (p + 2 < text.size() && isxdigit((unsigned char)text[p + 2])) p += 2;
    }
    if (p >= text.size() || !isxdigit((unsigned char)text[p])) return false;
    uint64_t v = 0;
    for (; p < text.size() && isxdigit((unsigned char)text[p]); p++) {
      char c = text[p];
      v = v * 16 + (uint64_t)(isdigit((unsigned char)c) ? c - '0' : toupper(c) - 'A' + 10);
      if (v > 0xFFFFFFFFull) return false;
    }
    *value = (uint32_t)v;
    pos = p;
    return true;
  }
  bool literal(char c) {
    skip_space();
    if (pos < text.size() && text[pos] == c) {
      pos++;
      return true;
    }
    return false;
  }
  // One specification: start - end dest [- dest_end] [+ initial]; the number
  // of fields read, as a scanf of "%lx -%lx%lx -%lx +%lx" counts them.
  int spec(cksum_spec *s) {
    if (!hex(&s->start)) return 0;
    if (!literal('-') || !hex(&s->end)) return 1;
    if (!hex(&s->dest)) return 2;
    s->dest_end = s->dest;
    s->initial = 0;
    if (!literal('-') || !hex(&s->dest_end)) return 3;
    if (!literal('+') || !hex(&s->initial)) return 4;
    return 5;
  }
};

// Sum of the fill contents of [from, to).
uint64_t fill_sum(const mem_image *img, uint64_t from, uint64_t to) {
  if (to <= from) return 0;
  uint64_t sum = 0;
  // The pattern repeats every four addresses.
  for (unsigned r = 0; r < 4; r++) {
    uint64_t first = from + ((r + 4 - from % 4) % 4);
    if (first >= to) continue;
    uint64_t n = (to - first + 3) / 4;
    sum += n * image_fill_byte(img, r);
  }
  return sum;
}

}  // namespace

int cksum_read(FILE *in, std::vector<cksum_spec> *specs) {
  spec_scanner sc;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, in)) > 0) sc.text.append(chunk, n);
  for (;;) {
    if (!sc.skip_space_and_comments()) {
      msg(MSG_BAD_CKSUM_SPEC);
      return 0;
    }
    if (sc.pos >= sc.text.size()) return 1;
    cksum_spec s = {};
    if (sc.spec(&s) < 3 || s.start > s.end) {
      msg(MSG_BAD_CKSUM_SPEC);
      return 0;
    }
    specs->push_back(s);
  }
}

void cksum_apply(mem_image *img, const std::vector<cksum_spec> &specs) {
  for (const cksum_spec &s : specs) {
    uint64_t width = (uint64_t)s.dest_end + 1 - s.dest;
    if (s.dest_end < s.dest || (width != 1 && width != 2 && width != 4)) {
      msg(MSG_CKSUM_WIDTH, (unsigned long)s.dest, (unsigned long)s.dest_end);
      continue;
    }
    uint64_t sum = s.initial;
    uint64_t end = (uint64_t)s.end + 1;
    uint64_t at = s.start;
    for (uint32_t number : image_sorted_pages(img)) {
      uint64_t base = page_base(number);
      if (base + IMAGE_PAGE_SIZE <= at) continue;
      if (base >= end) break;
      uint64_t from = std::max(at, base), to = std::min(end, base + IMAGE_PAGE_SIZE);
      sum += fill_sum(img, at, from);
      uint8_t bytes[IMAGE_PAGE_SIZE];
      image_read(img, from, bytes, nullptr, (uint32_t)(to - from));
      for (uint64_t i = 0; i < to - from; i++) sum += bytes[i];
      at = to;
    }
    sum += fill_sum(img, at, end);
    uint32_t value = (uint32_t)(width == 4 ? sum : sum & ((1u << (8 * width)) - 1));
    msg(MSG_CKSUM_VALUE, (unsigned)(8 * width), (unsigned long)value, (unsigned long)s.dest);
    uint8_t field[4];
    if (width == 1)
      field[0] = (uint8_t)value;
    else if (width == 2)
      io_put16(&img->maps, field, value);
    else
      io_put32(&img->maps, field, value);
    image_store(img, s.dest, field, (uint32_t)width);
  }
}
