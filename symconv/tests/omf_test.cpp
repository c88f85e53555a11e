// OMF-51: record framing, what the writer puts in which record, the dump of
// a small model, and a module that SDCC's linker wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/vector.h"
#include "symconv/omf51.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvaneOmf = ForvaneTest;

std::string written() {
  return stream_text([&](FILE *out) { EXPECT_TRUE(omf51_write(out, "out.omf")); });
}

std::vector<omf_record> records_of(const std::string &image, bool report = true) {
  FILE *in = fmemopen(const_cast<char *>(image.data()), image.size(), "rb");
  std::vector<omf_record> records;
  omf_record r;
  while (omf_read_record(in, &r, report)) records.push_back(r);
  fclose(in);
  return records;
}

template <typename F>
std::string printed(F body) {
  return stream_text([&](FILE *out) {
    FILE *saved = stdout;
    stdout = out;
    body();
    fflush(out);
    stdout = saved;
  });
}

std::string dumped(const std::string &image) {
  return printed([&] {
    FILE *in = fmemopen(const_cast<char *>(image.data()), image.size(), "rb");
    EXPECT_TRUE(omf51_dump(in));
    fclose(in);
  });
}

bool read_image(const std::string &image) {
  FILE *in = fmemopen(const_cast<char *>(image.data()), image.size(), "rb");
  bool ok = omf51_identify(in) && !fseek(in, 0, SEEK_SET) && omf51_read(in, "in.omf");
  fclose(in);
  return ok;
}

std::string record(int type, const std::vector<uint8_t> &content, int checksum_error = 0) {
  std::string text = stream_text([&](FILE *out) { omf_write_record(out, type, content); });
  text.back() = char(text.back() + checksum_error);
  return text;
}

TEST_F(ForvaneOmf, RecordsAddUpToZeroAndAreReportedWhenTheyDoNot) {
  const std::vector<uint8_t> header = {1, 'T', 0xFF, 0};
  struct {
    std::string bytes;
    size_t records;
    std::vector<unsigned> messages;
  } cases[] = {
      {record(0x02, header), 1, {}},
      {record(0x02, header, 1), 0, {1040}},
      {record(0x02, header).substr(0, 5), 0, {1041}},
      {record(0x02, header) + std::string("\x06", 1), 1, {1041}},
      {"", 0, {}},
  };
  for (const auto &c : cases) {
    capture_messages();
    EXPECT_EQ(records_of(c.bytes).size(), c.records);
    EXPECT_EQ(captured_numbers(), c.messages);
  }
  // An unknown record type stops the reader.
  capture_messages();
  EXPECT_FALSE(read_image(record(0x02, header) + record(0x70, {0})));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{1042}));
}

TEST_F(ForvaneOmf, NamesAreCutToFortyCharactersInUpperCase) {
  std::vector<uint8_t> out;
  omf_put_name(&out, "a_name_of_more_than_forty_characters_in_all_here");
  ASSERT_EQ(out.size(), 41u);
  EXPECT_EQ(out[0], 40);
  EXPECT_EQ(std::string(out.begin() + 1, out.end()), "A_NAME_OF_MORE_THAN_FORTY_CHARACTERS_IN_");
}

TEST_F(ForvaneOmf, ContentComesInChunksOf256Bytes) {
  std::vector<uint8_t> bytes(600);
  for (size_t k = 0; k < bytes.size(); k++) bytes[k] = uint8_t(k);
  model_add_file("prog.c");
  model_add_data(0x1000, 600, bytes.data(), 0);
  model_add_data(0x1100, 4, bytes.data(), 0);  // already covered: not written twice
  forvane_complete();
  std::vector<std::pair<unsigned, size_t>> contents;
  std::vector<int> types;
  for (const omf_record &r : records_of(written())) {
    types.push_back(r.type);
    if (r.type == 0x06) contents.emplace_back(r.content[1] | r.content[2] << 8, r.content.size() - 3);
  }
  // A file without symbols still has its scope, the content and the end.
  EXPECT_EQ(types, (std::vector<int>{0x02, 0x10, 0x10, 0x06, 0x06, 0x06, 0x04}));
  EXPECT_EQ(contents, (std::vector<std::pair<unsigned, size_t>>{{0x1000, 256}, {0x1100, 256}, {0x1200, 88}}));
}

TEST_F(ForvaneOmf, DebugItemsKeepLocalsApartAndEndBeyond500Bytes) {
  uint32_t data = model_add_segment("DATA", 0x20, 0x60, 0x20, 2);
  uint32_t file = model_add_file("prog.c");
  char name[32];
  for (int k = 0; k < 40; k++) {
    snprintf(name, sizeof name, "public_variable_%02d", k);
    model_add_symbol(name, 0x20 + uint32_t(k), data, file, 0);
  }
  model_add_symbol("hidden", 0x70, data, file, MSYM_LOCAL);
  forvane_complete();
  std::vector<std::pair<int, size_t>> items;
  for (const omf_record &r : records_of(written()))
    if (r.type == 0x12) items.emplace_back(r.content[0], r.content.size());
  // Entries of 24 bytes: after 20 the record holds 481 bytes and takes one
  // more, after 21 (505) it is past 500 and ends.
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0], (std::pair<int, size_t>{1, 1 + 21 * 24}));
  EXPECT_EQ(items[1], (std::pair<int, size_t>{1, 1 + 19 * 24}));
  EXPECT_EQ(items[2], (std::pair<int, size_t>{0, 1 + 12}));
}

TEST_F(ForvaneOmf, DumpOfASmallModule) {
  uint32_t code = model_add_segment("CODE", 0, 0x10, 0, 0);
  uint32_t bit = model_add_segment("bits", 0, 8, 0, 4);
  uint32_t file = model_add_file("dir/main.c");
  model_add_symbol("_main", 0x10, code, file, 0);
  model_add_symbol("ready", 0x3, bit, file, MSYM_LOCAL);
  model_add_line(12, 0x10, code, file, 0);
  const uint8_t bytes[] = {0x12, 0x00, 0x10, 0x22};
  model_add_data(0x10, 4, bytes, code);
  forvane_complete();
  EXPECT_EQ(dumped(written()),
            "OMF-51 file dump:\n\n"
            "@0000    Module header, len  12: Name: 'DIR/MAIN'; TRN ID = 0xFF\n"
            "@000F        Scope Def, len  11: Module block; Name = 'DIR/MAIN'\n"
            "@001D       Debug Item, len  13: Public symbols\n"
            "\t\tSEG 0, FUNC CODE offset 0x0010: _MAIN\n"
            "@002D       Debug Item, len  13: Local symbols\n"
            "\t\tSEG 0, VAR BIT offset 0x0003: READY\n"
            "@003D       Debug Item, len   7: Line numbers\n"
            "\t\tSEG 0, offset 0x0010, line 12\n"
            "@0047        Scope Def, len  11: Module block end; Name = 'DIR/MAIN'\n"
            "@0055          Content, len   8: Seg id 0, offset = 0x0010, 4 bytes; 12 00 10 22 \n"
            "@0060       Module END, len  14: Name: 'DIR/MAIN'; REG MSK = 0x0F\n");
}

// SDCC's linker writes an OMF-51 module beside its image with --debug.
TEST_F(ForvaneOmf, ReadsAndDumpsWhatSdccWrites) {
  if (!have_tool("sdcc")) GTEST_SKIP() << "sdcc is not installed; bash scripts/deps installs it";
  write("t.c",
        "int counter;\nstatic char flag;\nvoid bump(void) { counter++; flag = 1; }\nvoid main(void) { bump(); }\n");
  run_result r = run_in(dir, "sdcc -mmcs51 --debug t.c");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string image = read("t.omf");
  ASSERT_FALSE(image.empty());
  capture_messages();
  std::string dump = dumped(image);
  EXPECT_NE(dump.find("Local symbols\n\t\tSEG 0, VAR DATA offset"), std::string::npos) << dump;
  EXPECT_NE(dump.find("Module END"), std::string::npos) << dump;
  ASSERT_TRUE(read_image(image));
  EXPECT_TRUE(captured_numbers().empty());
  forvane_complete();
  const model_symbol *bump = model_find_symbol("bump");
  ASSERT_NE(bump, nullptr);
  EXPECT_EQ(bump->flags, 0x4u);
  EXPECT_STREQ(model_segment_at(bump->segment)->name, "CODE");
  const model_symbol *flag = model_find_symbol("flag");
  ASSERT_NE(flag, nullptr);
  EXPECT_EQ(flag->flags, uint32_t(MSYM_LOCAL));
  EXPECT_STREQ(model_segment_at(flag->segment)->name, "DATA");
  EXPECT_GE(vec_size(model.lines), 2u);
  EXPECT_GE(vec_size(model.data), 1u);
}

}  // namespace
