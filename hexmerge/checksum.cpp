#include "hexmerge/checksum.h"

#include "common/alert.h"

enum {
  MSG_UNRESOLVED = 945,
  MSG_UNUSED_IN_RANGE = 963,
};

static bool word_algorithm(int g) { return g == 6 || g == -6 || g == 8 || g == -8; }

static void crc_table_msb_first(ck_acc *acc) {
  const uint32_t top = (uint32_t)1 << (acc->crc_bits - 1);
  const uint32_t keep = acc->crc_bits == 32 ? 0xFFFFFFFFu : 0xFFFFu;
  for (uint32_t i = 0; i < 256; i++) {
    uint32_t r = i << (acc->crc_bits - 8);
    for (int k = 0; k < 8; k++) r = (r & top) ? (r << 1) ^ acc->poly : r << 1;
    acc->table[i] = r & keep;
  }
}

static void crc_table_lsb_first(ck_acc *acc) {
  for (uint32_t i = 0; i < 256; i++) {
    uint32_t r = i;
    for (int k = 0; k < 8; k++) r = (r & 1) ? (r >> 1) ^ acc->poly : r >> 1;
    acc->table[i] = r;
  }
}

void ck_begin(ck_acc *acc, int algorithm, uint32_t offset) {
  *acc = ck_acc{};
  acc->algorithm = algorithm;
  switch (algorithm) {
    case 5: case 6:
      acc->poly = offset;
      acc->crc_bits = offset > 0xFFFF ? 32 : 16;
      crc_table_msb_first(acc);
      break;
    case -5: case -6:
      acc->poly = offset;
      acc->crc_bits = offset > 0xFFFF ? 32 : 16;
      crc_table_lsb_first(acc);
      break;
    case 7: case -7: case 8: case -8:
      break;
    default:
      acc->r = offset;
      break;
  }
}

// CRC with the most significant bit first (polynomial in normal form).
static void crc_msb_first(ck_acc *acc, uint8_t b) {
  const int shift = acc->crc_bits - 8;
  const uint32_t keep = acc->crc_bits == 32 ? 0xFFFFFFFFu : 0xFFFFu;
  acc->r = ((acc->r << 8) ^ acc->table[((acc->r >> shift) ^ b) & 0xFF]) & keep;
}

// CRC with the least significant bit first (polynomial in reversed form).
static void crc_lsb_first(ck_acc *acc, uint8_t b) { acc->r = (acc->r >> 8) ^ acc->table[(acc->r ^ b) & 0xFF]; }

// A 16-bit word of the word algorithms; a missing half counts as 0.
static void feed_word(ck_acc *acc) {
  const uint8_t even = acc->word[0], odd = acc->word[1];
  const uint32_t little = (uint32_t)(odd << 8 | even);
  switch (acc->algorithm) {
    case 6:
      crc_msb_first(acc, even);
      crc_msb_first(acc, odd);
      break;
    case -6:
      crc_lsb_first(acc, even);
      crc_lsb_first(acc, odd);
      break;
    case 8:
      acc->s1 = (acc->s1 + little) % 65535;
      acc->s2 = (acc->s2 + acc->s1) % 65535;
      break;
    case -8:
      acc->s1 += little;
      acc->s2 += acc->s1;
      break;
  }
  acc->word_open = false;
  acc->word[0] = acc->word[1] = 0;
}

void ck_byte(ck_acc *acc, uint8_t b, uint32_t address) {
  const int g = acc->algorithm;
  if (word_algorithm(g)) {
    uint32_t base = address & ~(uint32_t)1;
    if (acc->word_open && acc->word_base != base) feed_word(acc);
    acc->word_open = true;
    acc->word_base = base;
    acc->word[address & 1] = b;
    if (address & 1) feed_word(acc);
    return;
  }
  switch (g) {
    case 1: case 2: case 3: case 4:
      acc->r += (uint32_t)b << (8 * (address % (uint32_t)g));
      break;
    case -1: case -2: case -3: case -4:
      acc->r -= (uint32_t)b << (8 * (address % (uint32_t)-g));
      break;
    case 5:
      crc_msb_first(acc, b);
      break;
    case -5:
      crc_lsb_first(acc, b);
      break;
    case 7:
      acc->s1 = (acc->s1 + b) % 255;
      acc->s2 = (acc->s2 + acc->s1) % 255;
      break;
    case -7:
      acc->s1 += b;
      acc->s2 += acc->s1;
      break;
  }
}

uint32_t ck_finish(ck_acc *acc) {
  if (acc->word_open) feed_word(acc);
  switch (acc->algorithm) {
    case 7: case -7:
      return acc->s2 << 8 | (acc->s1 & 0xFF);
    case 8: case -8:
      return acc->s2 << 16 | (acc->s1 & 0xFFFF);
    default:
      return acc->r;
  }
}

static uint32_t result_address(const ck_spec *ck, int k) {
  return ck->dest + (uint32_t)k * (uint32_t)(1 + ck->trail_bytes);
}

void ck_reserve(hex_image *img, const ck_spec *ck) {
  const uint8_t forced = ck->forced ? ATTR_FORCED : 0;
  for (int k = 0; k < ck->width; k++) {
    uint32_t a = result_address(ck, k);
    image_set(img, 0, a++, (uint8_t)(KIND_RESERVED | forced));
    for (int t = ck->trail_bytes - 1; t >= 0; t--)
      image_set(img, (uint8_t)(ck->trail >> (8 * t)), a++, (uint8_t)(KIND_TRAILING | forced));
  }
}

// False while the range holds a result still to be computed. Unused bytes
// are left out, wherever they lie, so that the value is that of the data
// in the output.
static bool ck_try(hex_image *img, ck_spec *ck, bool *unused) {
  ck_acc acc;
  ck_begin(&acc, ck->algorithm, ck->offset);
  uint64_t expect = ck->start;
  for (auto it = img->pages.lower_bound(ck->start & ~(uint32_t)(PAGE_SIZE - 1));
       it != img->pages.end() && it->first <= ck->end; ++it) {
    const image_page *page = it->second;
    for (int i = 0; i < PAGE_SIZE; i++) {
      uint64_t a = (uint64_t)page->base + (uint64_t)i;
      if (a < ck->start || a > ck->end) continue;
      const image_slot &s = page->slot[i];
      const int kind = s.attr & ATTR_KIND;
      if (kind == KIND_RESERVED && !(s.attr & ATTR_FORCED)) return false;
      if (a > expect) *unused = true;
      expect = a + 1;
      if (ck->odd_skip && (a & 1)) continue;
      if (s.attr == 0 || kind == KIND_DELETED) {
        *unused = true;
        continue;
      }
      ck_byte(&acc, s.value, (uint32_t)a);
    }
  }
  if (expect <= ck->end) *unused = true;
  uint32_t value = ck_finish(&acc);
  if (ck->width < 4) value &= ((uint32_t)1 << (8 * ck->width)) - 1;
  ck->result = value;
  return true;
}

static void ck_store(hex_image *img, const ck_spec *ck) {
  const uint8_t attr = (uint8_t)(KIND_CHECKSUM | (ck->forced ? ATTR_FORCED : 0));
  for (int k = 0; k < ck->width; k++) {
    int shift = 8 * (ck->big_endian ? ck->width - 1 - k : k);
    image_set(img, (uint8_t)(ck->result >> shift), result_address(ck, k), attr);
  }
}

void ck_compute_all(hex_image *img, ck_spec *cks, int count) {
  bool progress = true;
  while (progress) {
    progress = false;
    for (int i = 0; i < count; i++) {
      ck_spec *ck = &cks[i];
      if (ck->state != CK_PENDING) continue;
      bool unused = false;
      if (!ck_try(img, ck, &unused)) continue;
      ck_store(img, ck);
      ck->state = CK_DONE;
      progress = true;
      if (unused) msg(MSG_UNUSED_IN_RANGE, (unsigned long)ck->start, (unsigned long)ck->end);
    }
  }
  for (int i = 0; i < count; i++)
    if (cks[i].state == CK_PENDING) {
      cks[i].result = 0;
      msg(MSG_UNRESOLVED, (unsigned long)cks[i].start, (unsigned long)cks[i].end);
    }
}
