// The memory image, its fill pattern and swap file, the -C checksums, and
// imprel's number syntax.
#include "objconv/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "objconv/imprel.h"

namespace {

TEST(ImprelNumParse, SuffixesChooseTheRadix) {
  struct row {
    const char *text;
    bool ok;
    uint32_t value;
    size_t used;  // characters consumed
  } rows[] = {
      {"0x1F", true, 0x1F, 4},      {"0X1f,", true, 0x1F, 4},   {"1Fh", true, 0x1F, 3},
      {"0FFFFh", true, 0xFFFF, 6},  {"17o", true, 15, 3},       {"17Q", true, 15, 3},
      {"10d", true, 10, 3},         {"10D,3", true, 10, 3},     {"16,2", true, 16, 2},
      {"4294967295", true, 0xFFFFFFFF, 10},
      {"1F", false, 0, 0},          {"8o", false, 0, 0},        {"", false, 0, 0},
      {"x1", false, 0, 0},          {"0x", false, 0, 0},        {",2", false, 0, 0},
      {"4294967296", false, 0, 0},  {"1FFFFFFFFh", false, 0, 0}, {"3AD", false, 0, 0},
  };
  for (const row &r : rows) {
    const char *cursor = r.text;
    uint32_t value = 0;
    EXPECT_EQ(num_parse(&cursor, &value), r.ok) << r.text;
    EXPECT_EQ((size_t)(cursor - r.text), r.used) << r.text;
    if (r.ok) {
      EXPECT_EQ(value, r.value) << r.text;
    }
  }
}

TEST(ImprelImageFill, WideFillValuesRepeatInTargetOrder) {
  struct row {
    uint32_t fill;
    const io_maps *maps;
    uint8_t first_four[4];
  } rows[] = {
      {0xAB, &io_little_endian, {0xAB, 0xAB, 0xAB, 0xAB}},
      {0x1234, &io_little_endian, {0x34, 0x12, 0x34, 0x12}},
      {0x1234, &io_big_endian, {0x12, 0x34, 0x12, 0x34}},
      {0xFFFF, &io_little_endian, {0xFF, 0xFF, 0xFF, 0xFF}},
      {0x12345678, &io_little_endian, {0x78, 0x56, 0x34, 0x12}},
      {0x12345678, &io_big_endian, {0x12, 0x34, 0x56, 0x78}},
  };
  for (const row &r : rows) {
    mem_image img;
    image_init(&img, r.fill, r.maps);
    for (int i = 0; i < 8; i++)
      EXPECT_EQ(image_fill_byte(&img, 0x1000 + i), r.first_four[i % 4]) << std::hex << r.fill;
    // Unwritten bytes of a page carry the same pattern as bytes of no page.
    uint8_t one = 0;
    image_store(&img, 0x1003, &one, 1);
    uint8_t got[4];
    image_read(&img, 0x1000, got, nullptr, 4);
    EXPECT_EQ(got[0], r.first_four[0]);
    EXPECT_EQ(got[2], r.first_four[2]);
    image_free(&img);
  }
}

TEST(ImprelImageStore, RewritingAByteWithAnotherValueIsReportedOncePerRun) {
  capture_messages();
  mem_image img;
  image_init(&img, 0, &io_little_endian);
  const uint8_t a[] = {1, 2, 3, 4}, same[] = {2, 3}, other[] = {9, 9, 9};
  image_store(&img, 0x10, a, 4);
  image_store(&img, 0x11, same, 2);
  EXPECT_TRUE(captured_numbers().empty());
  image_store(&img, 0x11, other, 3);
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1343});
  EXPECT_NE(captured_lines()[0].find("11"), std::string::npos);  // the address
  uint8_t got[4];
  image_read(&img, 0x10, got, nullptr, 4);
  EXPECT_EQ(std::vector<uint8_t>(got, got + 4), (std::vector<uint8_t>{1, 9, 9, 9}));
  image_free(&img);
}

TEST(ImprelImageStore, RunsSplitAtPagesAndTrackLowAndHigh) {
  mem_image img;
  image_init(&img, 0, &io_little_endian);
  std::vector<uint8_t> data(100, 0x5A);
  image_store(&img, 0x3E0, data.data(), (uint32_t)data.size());
  EXPECT_EQ(image_sorted_pages(&img), (std::vector<uint32_t>{0, 1}));
  EXPECT_EQ(image_find(&img, 0)->low, 0x3E0u);
  EXPECT_EQ(image_find(&img, 0)->high, 0x400u);
  EXPECT_EQ(image_find(&img, 1)->low, 0x400u);
  EXPECT_EQ(image_find(&img, 1)->high, 0x444u);
  EXPECT_EQ(img.top, 0x444u);
  image_free(&img);
}

TEST(ImprelImageStore, PagesBeyondTheBuffersGoToTheSwapFileAndComeBack) {
  capture_messages();
  mem_image img;
  image_init(&img, 0xEE, &io_little_endian);
  const int pages = IMAGE_MAX_BUFFERS + 60;
  // Every page gets a pattern of its own, written in two halves visited far
  // apart, so that pages leave memory in between.
  auto pattern = [](int page, int i) { return (uint8_t)(page * 7 + i * 13); };
  for (int half = 0; half < 2; half++)
    for (int page = 0; page < pages; page++) {
      uint8_t buf[IMAGE_PAGE_SIZE / 2];
      for (int i = 0; i < IMAGE_PAGE_SIZE / 2; i++) buf[i] = pattern(page, half * 512 + i);
      // Leave the last byte of each page unwritten to see its fill.
      uint32_t n = half ? IMAGE_PAGE_SIZE / 2 - 1 : IMAGE_PAGE_SIZE / 2;
      image_store(&img, (uint64_t)page * IMAGE_PAGE_SIZE + half * 512, buf, n);
    }
  EXPECT_NE(img.swap, nullptr);
  EXPECT_LE(img.buffers, IMAGE_MAX_BUFFERS);
  for (int page = pages - 1; page >= 0; page--) {
    uint8_t got[IMAGE_PAGE_SIZE], flags[IMAGE_PAGE_SIZE];
    image_read(&img, (uint64_t)page * IMAGE_PAGE_SIZE, got, flags, IMAGE_PAGE_SIZE);
    for (int i = 0; i < IMAGE_PAGE_SIZE - 1; i++) ASSERT_EQ(got[i], pattern(page, i)) << page << " " << i;
    EXPECT_EQ(got[IMAGE_PAGE_SIZE - 1], 0xEE);
    EXPECT_EQ(flags[IMAGE_PAGE_SIZE - 1], 0);
  }
  EXPECT_TRUE(captured_numbers().empty());
  std::string swap_name = img.swap_name;
  image_free(&img);
  EXPECT_NE(access(swap_name.c_str(), F_OK), 0);
}

TEST(ImprelImageStore, AddressesPastTheImageAreRefused) {
  capture_messages();
  mem_image img;
  image_init(&img, 0, &io_little_endian);
  uint8_t b[4] = {};
  EXPECT_EQ(image_store(&img, 0xFFFFFFFE, b, 4), 0);
  for (uint32_t page = 0; page < IMAGE_MAX_PAGES; page++)
    image_store(&img, (uint64_t)page * 2 * IMAGE_PAGE_SIZE, b, 1);
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{418});
  EXPECT_EQ(image_store(&img, 0x7FFFFFF0, b, 1), 0);
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{418, 418}));
  image_free(&img);
}

std::vector<cksum_spec> read_specs(const std::string &text, std::vector<unsigned> *messages) {
  capture_messages();
  std::vector<cksum_spec> specs;
  FILE *f = fmemopen((void *)text.data(), text.size(), "r");
  cksum_read(f, &specs);
  fclose(f);
  *messages = captured_numbers();
  return specs;
}

TEST(ImprelChecksumSpecs, FieldsCommentsAndBadText) {
  struct row {
    const char *text;
    std::vector<unsigned> start_end_dest_destend_initial;  // flattened, 5 per spec
    bool bad;
  } rows[] = {
      {"0-FF 100", {0, 0xFF, 0x100, 0x100, 0}, false},
      {"0-FF 100-101", {0, 0xFF, 0x100, 0x101, 0}, false},
      {"  0x10 - 0x1F  200 - 203 + 5\n", {0x10, 0x1F, 0x200, 0x203, 5}, false},
      {"/* boot */ 0-7F 80 /* app */\n100-1FF 200-201+FFFF /**/",
       {0, 0x7F, 0x80, 0x80, 0, 0x100, 0x1FF, 0x200, 0x201, 0xFFFF}, false},
      {"0-FF 100 200-2FF 300", {0, 0xFF, 0x100, 0x100, 0, 0x200, 0x2FF, 0x300, 0x300, 0}, false},
      {"", {}, false},
      {"  /* nothing */  ", {}, false},
      {"0-FF", {}, true},
      {"0 FF 100", {}, true},
      {"zz", {}, true},
      {"0-FF 100 /* never ends", {0, 0xFF, 0x100, 0x100, 0}, true},
      {"FF-0 100", {}, true},
      {"0-1FFFFFFFF 100", {}, true},
  };
  for (const row &r : rows) {
    std::vector<unsigned> messages;
    std::vector<cksum_spec> specs = read_specs(r.text, &messages);
    std::vector<unsigned> flat;
    for (const cksum_spec &s : specs)
      flat.insert(flat.end(), {s.start, s.end, s.dest, s.dest_end, s.initial});
    EXPECT_EQ(flat, r.start_end_dest_destend_initial) << r.text;
    EXPECT_EQ(messages, r.bad ? std::vector<unsigned>{427} : std::vector<unsigned>{}) << r.text;
  }
}

TEST(ImprelChecksumApply, SumsWithFillAndStoresInTargetOrder) {
  struct row {
    cksum_spec spec;
    const io_maps *maps;
    uint32_t fill;
    std::vector<uint8_t> stored;  // bytes at the destination
    std::vector<unsigned> messages;
  } rows[] = {
      // 0x00..0x0F written with 1..16 (sum 136), the rest of 0..FF unwritten.
      {{0, 0xFF, 0x100, 0x100, 0}, &io_little_endian, 0, {136}, {}},
      {{0, 0xFF, 0x100, 0x100, 0}, &io_little_endian, 0xFF, {(uint8_t)(136 + 240 * 255)}, {}},
      {{0, 0x0F, 0x100, 0x101, 0xFFFF}, &io_little_endian, 0, {0x87, 0x00}, {}},
      {{0, 0x0F, 0x100, 0x101, 0}, &io_big_endian, 0, {0x00, 0x88}, {}},
      {{0, 0x0F, 0x100, 0x103, 0x12345678}, &io_little_endian, 0, {0x00, 0x57, 0x34, 0x12}, {}},
      // A spec beyond every page: fill only.
      {{0x10000, 0x10004, 0x100, 0x101, 0}, &io_little_endian, 0x1234, {0xC0, 0x00}, {}},
      // Three bytes wide: not stored.
      {{0, 0x0F, 0x100, 0x102, 0}, &io_little_endian, 0, {}, {430}},
      // Over data: stored, and the overwrite is reported.
      {{0, 0x0F, 0x0, 0x0, 0}, &io_little_endian, 0, {136}, {1343}},
  };
  for (const row &r : rows) {
    capture_messages();
    mem_image img;
    image_init(&img, r.fill, r.maps);
    uint8_t data[16];
    for (int i = 0; i < 16; i++) data[i] = (uint8_t)(i + 1);
    image_store(&img, 0, data, 16);
    cksum_apply(&img, {r.spec});
    // The value report (940) is a plain message, shown without its number.
    EXPECT_EQ(captured_numbers(), r.messages);
    if (!r.stored.empty()) {
      std::vector<uint8_t> got(r.stored.size());
      image_read(&img, r.spec.dest, got.data(), nullptr, (uint32_t)got.size());
      EXPECT_EQ(got, r.stored);
    } else {
      EXPECT_EQ(image_find(&img, 0)->high, 16u);
    }
    image_free(&img);
  }
}

}  // namespace
