// Psect placement end to end: -P forms, class ranges and the chain
// allocator, limits and overlaps, read back from the map's psect table and
// from the addresses of the linked image.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "linker/tests/link_fixture.h"

namespace {

using namespace fixture;

struct map_row {
  std::string cls, name;
  unsigned long link, load, length;
  int space;
};

// The rows of the map's class totals, as the driver reads them.
std::vector<map_row> psect_table(const std::string &map) {
  std::vector<map_row> rows;
  std::istringstream in(map);
  std::string line, cls;
  bool inside = false;
  while (std::getline(in, line)) {
    if (line.rfind("TOTAL", 0) == 0) {
      inside = true;
      continue;
    }
    if (!inside) continue;
    if (line.rfind("SEGMENTS", 0) == 0 || line.rfind("\n\nSEGMENTS", 0) == 0) break;
    if (line.rfind("        CLASS   ", 0) == 0) {
      std::istringstream f(line.substr(16));
      f >> cls;
      continue;
    }
    if (line.rfind("        NON-CLASSED", 0) == 0) {
      cls = "";
      continue;
    }
    if (line.size() <= 16 || line.compare(0, 16, std::string(16, ' ')) != 0) continue;
    map_row r;
    std::istringstream f(line.substr(16));
    f >> r.name >> std::hex >> r.link >> r.load >> r.length >> std::dec >> r.space;
    if (f.fail()) continue;
    r.cls = cls;
    rows.push_back(r);
  }
  return rows;
}

std::vector<map_row> rows_named(const std::vector<map_row> &rows, const std::string &name) {
  std::vector<map_row> found;
  for (const map_row &r : rows)
    if (r.name == name) found.push_back(r);
  return found;
}

// A module with one psect of the class holding size bytes of a fill value,
// and a global label at its start.
module part(const std::string &psect, const std::string &cls, uint32_t size, uint8_t fill, const std::string &label,
            uint16_t boundary = 0, uint8_t space = 0) {
  module m;
  m.ident().psect(psect).xpsect(psect, cls, 0, boundary, space);
  m.text(psect, 0, bytes(size, fill)).sym({def(label, psect, 0)}).end();
  return m;
}

uint32_t byte_at(const bytes &image, uint32_t address) { return address < image.size() ? image[address] : 0x100; }

TEST(JointaPlacement, PsectsFollowOneAnotherOrWhereTheyAreTold) {
  workdir d;
  d.put("text.obj", part("text", "", 0x10, 0x11, "_t"));
  d.put("data.obj", part("data", "", 0x08, 0x22, "_d"));
  d.put("x.obj", part("x", "", 0x04, 0x33, "_x"));
  module uses_b;
  uses_b.ident().psect("x").text("x", 0, bytes(2, 0)).reloc({{0, 0x22, "__Bx", {}}}).sym({ref("__Bx")}).end();
  d.put("b.obj", uses_b);
  struct {
    std::vector<std::string> placement;
    unsigned long text, data, x_link, x_load;
  } cases[] = {
      // After text in the same option; after text's end by name; link and load apart.
      {{"-Ptext=0,data", "-Px=100h/200h"}, 0, 0x10, 0x100, 0x200},
      {{"-Ptext=40h", "-Pdata=text", "-Px=100h/200h"}, 0x40, 0x50, 0x100, 0x200},
      {{"-Pdata=20h,text", "-Px=300h/380h"}, 0x28, 0x20, 0x300, 0x380},
  };
  for (const auto &c : cases) {
    std::vector<std::string> args = c.placement;
    for (const char *a : {"-C0", "-Mm.map", "text.obj", "data.obj", "x.obj", "b.obj"}) args.push_back(a);
    link_result r = link(d, args);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<map_row> rows = psect_table(read_file(d / "m.map"));
    ASSERT_EQ(rows_named(rows, "text").size(), 1u) << read_file(d / "m.map");
    EXPECT_EQ(rows_named(rows, "text")[0].link, c.text);
    EXPECT_EQ(rows_named(rows, "data")[0].link, c.data);
    EXPECT_EQ(rows_named(rows, "x")[0].link, c.x_link);
    EXPECT_EQ(rows_named(rows, "x")[0].load, c.x_load);
    // The image holds every psect's bytes at its load address.
    bytes image = read_bytes(d / "l.bin");
    EXPECT_EQ(byte_at(image, c.text), 0x11u);
    EXPECT_EQ(byte_at(image, c.data), 0x22u);
    EXPECT_EQ(byte_at(image, c.x_load), 0x33u);
    // __Bx is x's load address.
    EXPECT_EQ(byte_at(image, c.x_load + 4), c.x_load & 0xFF);
    EXPECT_EQ(byte_at(image, c.x_load + 5), c.x_load >> 8);
  }
}

TEST(JointaPlacement, ClassRangesTakeThePsectsWhereTheyFitFirst) {
  workdir d;
  d.put("a.obj", part("code", "CODE", 0x80, 0xAA, "_a"));
  d.put("b.obj", part("code", "CODE", 0xC0, 0xBB, "_b"));
  d.put("c.obj", part("code", "CODE", 0x40, 0xCC, "_c"));
  d.put("k.obj", part("konst", "CONST", 0x10, 0xDD, "_k"));
  link_result r = link(d, {"-C0", "-Mm.map", "-Hm.sym", "-ACODE=0-0FFh,200h-2FFh", "-ACONST=100h-1FFh",
                          "-Pkonst=CONST", "a.obj", "b.obj", "c.obj", "k.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Each module's part is placed on its own, the largest first, each in the
  // first range where it fits.
  std::vector<map_row> code = rows_named(psect_table(read_file(d / "m.map")), "code");
  ASSERT_EQ(code.size(), 3u) << read_file(d / "m.map");
  std::vector<unsigned long> links;
  for (const map_row &row : code) links.push_back(row.link);
  EXPECT_EQ(links, (std::vector<unsigned long>{0x200, 0x00, 0xC0}));
  bytes image = read_bytes(d / "l.bin");
  EXPECT_EQ(byte_at(image, 0x000), 0xBBu);
  EXPECT_EQ(byte_at(image, 0x0C0), 0xCCu);
  EXPECT_EQ(byte_at(image, 0x100), 0xDDu);
  EXPECT_EQ(byte_at(image, 0x200), 0xAAu);
  std::string sym = read_file(d / "m.sym");
  EXPECT_NE(sym.find("_a 200 0\n"), std::string::npos) << sym;
  EXPECT_NE(sym.find("_c C0 0\n"), std::string::npos) << sym;
}

TEST(JointaPlacement, APsectThatFitsNowhereIsPlacedByDefaultAfterTheMessage) {
  workdir d;
  d.put("big.obj", part("code", "CODE", 0x120, 0xEE, "_big"));
  link_result r = link(d, {"-Mm.map", "-ACODE=0-0FFh", "big.obj"});
  // It failed its allocation, so default placement says nothing more.
  EXPECT_EQ(r.messages, (std::vector<unsigned>{593, 528}));
  EXPECT_EQ(r.status, 1);
}

TEST(JointaPlacement, AlignmentOverlapsLimitsAndSizes) {
  workdir d;
  d.put("p.obj", part("p", "", 0x10, 1, "_p", 0x100));
  d.put("q.obj", part("q", "", 0x10, 2, "_q"));
  module limited;
  limited.ident().psect("lim").xpsect("lim", "", 0x8).psectlim("lim", 0x108).text("lim", 0, bytes(0x10, 3));
  limited.end();
  d.put("lim.obj", limited);
  struct {
    std::vector<std::string> args;
    std::vector<unsigned> messages;
  } cases[] = {
      {{"-Pp=80h", "-Pq=0", "p.obj", "q.obj"}, {455, 456}},
      {{"-Pp=100h", "-Pq=108h", "p.obj", "q.obj"}, {596}},
      {{"-Pp=100h", "-Pq=200h", "-Plim=100h", "p.obj", "q.obj", "lim.obj"}, {497, 498, 596}},
      {{"-Pp=100h,q", "p.obj", "q.obj"}, {}},
  };
  for (const auto &c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), "-W1");
    args.insert(args.begin(), "-C0");
    link_result r = link(d, args);
    EXPECT_EQ(r.messages, c.messages) << r.err;
  }
}

TEST(JointaPlacement, DownwardPlacementEndsAtTheAddress) {
  workdir d;
  d.put("s.obj", part("stack", "", 0x20, 5, "_s"));
  d.put("h.obj", part("heap", "", 0x10, 6, "_h"));
  link_result r = link(d, {"-Mm.map", "-Pstack=-400h,heap", "-C0", "s.obj", "h.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<map_row> rows = psect_table(read_file(d / "m.map"));
  EXPECT_EQ(rows_named(rows, "stack")[0].link, 0x3E0u);
  EXPECT_EQ(rows_named(rows, "heap")[0].link, 0x3D0u);
}

TEST(JointaPlacement, AbsoluteRangesAndBoundsAreKeptFree) {
  workdir d;
  module abs;
  abs.ident().absrange(1, 0, 0x20).end();
  d.put("abs.obj", abs);
  d.put("v.obj", part("vars", "RAM", 0x10, 7, "_v", 0, 1));
  link_result r = link(d, {"-Mm.map", "-ARAM=0-0FFh", "-Pvars=RAM", "-C0", "abs.obj", "v.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(rows_named(psect_table(read_file(d / "m.map")), "vars")[0].link, 0x20u);
}

TEST(JointaPlacement, PsectsPlacedInsideAnotherStayInItsPage) {
  workdir d;
  module m;
  m.ident().psect("page").xpsect("page", "CODE", 0x100).psect("inner").xpsect("inner", "CODE", 0, 0, 0, 1, "page");
  m.text("page", 0, bytes(0xC0, 1)).text("inner", 0, bytes(0x20, 2)).sym({def("_in", "inner", 0)}).end();
  d.put("m.obj", m);
  link_result r = link(d, {"-Mm.map", "-ACODE=0-3FFh", "-C0", "m.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<map_row> rows = psect_table(read_file(d / "m.map"));
  unsigned long page = rows_named(rows, "page")[0].link, inner = rows_named(rows, "inner")[0].link;
  // The 0x100-byte page of page holds inner too.
  EXPECT_EQ(page & ~0xFFul, inner & ~0xFFul) << read_file(d / "m.map");
}

}  // namespace
