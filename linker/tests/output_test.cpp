// The map file, the symbol file in its forms, the symbol-only object, the
// address-space map and relocated listings.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "linker/tests/link_fixture.h"

namespace {

using namespace fixture;

bool contains(const std::string &text, const std::string &piece) { return text.find(piece) != std::string::npos; }

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

module labels(const std::string &psect, std::vector<sym_entry> symbols, uint32_t size = 4) {
  module m;
  m.ident().psect(psect).text(psect, 0, bytes(size, 0)).sym(symbols).end();
  return m;
}

TEST(JointaMap, ModuleLinesAndTheirColumns) {
  workdir d;
  d.put("a_very_long_module_name.obj", labels("text", {def("_a", "text", 0)}));
  module bits;
  bits.ident().psect("flags", IO_PSECT_GLOBAL | IO_PSECT_BIT).text("flags", 12, {}).sym({def("_f", "flags", 3)});
  bits.start("flags", 0).end();
  d.put("b.obj", bits);
  link_result r = link(d, {"-Mm.map", "-Ptext=10h,flags=20h", "a_very_long_module_name.obj", "b.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string map = read_file(d / "m.map");
  // A long name stands on its own line; its psect lines begin 16 columns in.
  EXPECT_TRUE(contains(map, "a_very_long_module_name.obj\n                text            10       10        4"
                            "      10     0\n"))
      << map;
  // A bit psect: its length in bits, and its scale.
  EXPECT_TRUE(contains(map, "b.obj           flags           20       20        C      20     0    8\n")) << map;
  // The driver finds the class totals under the TOTAL heading.
  EXPECT_TRUE(contains(map, "TOTAL           Name          Link     Load   Length  Space\n")) << map;
  EXPECT_TRUE(contains(map, "        NON-CLASSED\n                text            10       10        4     0\n"))
      << map;
}

TEST(JointaMap, SymbolListingWidthsAndUndefinedSymbols) {
  workdir d;
  std::vector<sym_entry> many;
  for (int i = 0; i < 30; i++) many.push_back(def("_symbol" + std::to_string(i), "text", (uint32_t)i));
  many.push_back(ref("_nowhere"));
  d.put("m.obj", labels("text", many, 32));
  auto columns = [&](const char *width) {
    std::vector<std::string> args = {"-I", "-Mm.map", "-Ptext=0", "m.obj"};
    if (width) args.insert(args.begin(), width);
    link(d, args);
    std::vector<std::string> lines = lines_of(read_file(d / "m.map"));
    for (size_t i = 0; i < lines.size(); i++)
      if (lines[i].find("Symbol Table") != std::string::npos) {
        std::string first = lines[i + 2];
        size_t n = 0;
        for (size_t at = first.find("_symbol"); at != std::string::npos; at = first.find("_symbol", at + 1)) n++;
        return n;
      }
    return (size_t)0;
  };
  size_t narrow = columns(nullptr), wide = columns("-W132");
  EXPECT_GT(narrow, 0u);
  EXPECT_GT(wide, narrow);
  // An undefined symbol shows its name only.
  std::string map = read_file(d / "m.map");
  size_t at = map.find("_nowhere");
  ASSERT_NE(at, std::string::npos);
  // Blanks follow it up to the next column or the line's end.
  std::string after = map.substr(at + 8, map.find('\n', at) - at - 8);
  size_t next = after.find_first_not_of(' ');
  EXPECT_TRUE(next == std::string::npos || after.compare(next, 7, "_symbol") == 0) << after;
}

TEST(JointaMap, UnusedRangesJoinWhenContiguous) {
  workdir d;
  d.put("m.obj", labels("text", {def("_a", "text", 0)}));
  link_result r = link(d, {"-Mm.map", "-Ptext=800h", "-AXRAM=0-0FFh,100h-1FFh", "-AXROM=400h-4FFh-5FFh", "m.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string map = read_file(d / "m.map");
  // Addresses as wide as the widest symbol value (__Htext = 804h).
  EXPECT_TRUE(contains(map, "\nUNUSED ADDRESS RANGES\n\n        XRAM             000-1FF\n        XROM             "
                            "400-4FF+100\n"))
      << map;
}

TEST(JointaSymbolFile, LineFormsOfTheFullForm) {
  workdir d;
  d.put("m.obj", labels("x", {def("_x", "x", 0), def("fast_interrupt_1", "x", 1), ref("_undef")}));
  d.put("c.obj", labels("c", {def("_c", "c", 0)}));
  module cls;
  cls.ident().psect("c").xpsect("c", "CODE").end();
  d.put("cls.obj", cls);
  link_result r = link(d, {"-I", "-Hm.sym", "-Px=100h/80h,c=100h", "m.obj", "c.obj", "cls.obj"});
  ASSERT_EQ(r.messages, (std::vector<unsigned>{594, 528})) << r.err;
  std::string sym = read_file(d / "m.sym");
  EXPECT_TRUE(contains(sym, "_x 100 -80\n")) << sym;
  EXPECT_TRUE(contains(sym, "_c 100 0\n")) << sym;
  EXPECT_TRUE(contains(sym, "_undef 0 0\n")) << sym;
  EXPECT_FALSE(contains(sym, "fast_interrupt")) << sym;
  EXPECT_TRUE(contains(sym, "%locals\n")) << sym;
  // The symbol still reaches the object.
  EXPECT_FALSE(lines_with(dump(d / "l.obj"), "SYM fast_interrupt_1").empty());

  r = link(d, {"-I", "-H+m.sym", "-Px=100h/80h,c=100h", "m.obj", "c.obj", "cls.obj"});
  sym = read_file(d / "m.sym");
  EXPECT_TRUE(contains(sym, "_c 100 0 CODE\n")) << sym;
  EXPECT_TRUE(contains(sym, "_x 100 -80 ABS\n")) << sym;
  EXPECT_TRUE(contains(sym, "_undef 0 0 ABS\n")) << sym;
  EXPECT_TRUE(contains(sym, "%segments\nx 100 103  80\nc 100 103 CODE 100\n%locals\n")) << sym;
}

TEST(JointaSymbolFile, LocalsFollowThePathOfTheirInput) {
  workdir d;
  module m;
  m.ident().psect("text").text("text", 0, bytes(8, 0));
  m.sym({def("_g", "text", 0), {2, IO_SYM_DEFINE, "text", "local"}, {0, IO_SYM_FILE, "", "main.c"},
         {4, IO_SYM_LINE, "text", "12"}, {0xFFFFFFFE, IO_SYM_STACK, "", "sp"}, {5, IO_SYM_REGISTER, "", "r"},
         {6, IO_SYM_DEFINE, "text", "L12"}});
  m.end();
  d.put("m.obj", m);
  link_result r = link(d, {"-W1", "-Hm.sym", "-Ptext=20h", "m.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(read_file(d / "m.sym"),
                       "%locals\nm.obj\nlocal 22 0\nmain.c\n12 24 0\nsp stk -2\nr reg 5\nL12 26 0\n"))
      << read_file(d / "m.sym");
  // -Z leaves out the compiler's labels, -X every local.
  link(d, {"-W1", "-Z", "-Hm.sym", "-Ptext=20h", "m.obj"});
  EXPECT_FALSE(contains(read_file(d / "m.sym"), "L12"));
  link(d, {"-W1", "-X", "-Hm.sym", "-Ptext=20h", "m.obj"});
  EXPECT_FALSE(contains(read_file(d / "m.sym"), "local 22"));
  EXPECT_TRUE(contains(read_file(d / "m.sym"), "_g 20 0\n"));
}

TEST(JointaSymbolFile, ShortAndSpaceQualifiedForms) {
  workdir d;
  d.put("m.obj", labels("text", {def("_s", "text", 0x1A)}, 0x20));
  link_result r = link(d, {"-W1", "-Dshort.sym", "-Ptext=0", "m.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(read_file(d / "short.sym"), "001A _s\n")) << read_file(d / "short.sym");
  EXPECT_FALSE(contains(read_file(d / "short.sym"), "%locals"));

  std::string avmap = "# spaces of the PIC18\nPIC18 text CODESPACE\n\t-\tDATASPACE\npic18 text OTHER\n";
  write_file(d / "av.map", bytes(avmap.begin(), avmap.end()));
  r = link(d, {"-W1", "-Hq.sym", "-Vav.map", "-Ptext=0", "m.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string q = read_file(d / "q.sym");
  EXPECT_TRUE(contains(q, "SY _s CODESPACE:1A\n")) << q;
  EXPECT_TRUE(contains(q, "SY __Ltext CODESPACE:0\n")) << q;
  EXPECT_FALSE(contains(q, "%locals")) << q;
}

TEST(JointaSymbolFile, AddressSpaceMapProblems) {
  workdir d;
  d.put("m.obj", labels("text", {def("_s", "text", 0)}));
  std::string avmap = "\tstray\tLINE\nMIPS text CODE\nPIC18 text\n";
  write_file(d / "av.map", bytes(avmap.begin(), avmap.end()));
  link_result r = link(d, {"-W1", "-Hq.sym", "-Vav.map", "-Ptext=0", "m.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{463}));
  avmap = "MIPS text CODE\n";
  write_file(d / "av.map", bytes(avmap.begin(), avmap.end()));
  r = link(d, {"-W1", "-Hq.sym", "-Vav.map", "-Ptext=0", "m.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{464}));
  r = link(d, {"-W1", "-Hq.sym", "-Vnone.map", "-Ptext=0", "m.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{141}));
}

TEST(JointaSymbolOnly, ASymbolObjectCarriesAbsoluteSymbolsToAnotherLink) {
  workdir d;
  module lib;
  lib.ident().psect("text").text("text", 0, bytes(4, 0x77));
  lib.sym({def("_service", "text", 2), {0, IO_SYM_COMMON | IO_SYM_GLOBAL, "text", "_ignored"}}).signat("_service", 0x4242);
  lib.end();
  d.put("lib.obj", lib);
  link_result r = link(d, {"-F", "-Olib.syf", "-Ptext=300h", "lib.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string syf = dump(d / "lib.syf");
  EXPECT_EQ(lines_with(syf, "SYM _service"), (std::vector<std::string>{"SYM _service value 0x302 kind 0 global psect -"}));
  EXPECT_EQ(lines_with(syf, "SIGNAT"), (std::vector<std::string>{"SIGNAT _service 0x4242"}));
  EXPECT_TRUE(lines_with(syf, "TEXT").empty());
  EXPECT_TRUE(lines_with(syf, "START").empty());
  EXPECT_TRUE(lines_with(syf, "SYM __L").empty());
  EXPECT_EQ(lines_with(syf, "END").size(), 1u);

  module app;
  app.ident().psect("text").text("text", 0, {0, 0}).reloc({{0, 0x22, "_service", {}}}).sym({ref("_service")});
  app.start("text", 0).end();
  d.put("app.obj", app);
  r = link(d, {"-Ptext=0", "app.obj", "lib.syf"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_with(dump(d / "l.obj"), "TEXT"), (std::vector<std::string>{"TEXT text offset 0x0 bytes 2 02 03"}));
}

TEST(JointaListing, RelocatedListingsTakeTheLinkedValues) {
  workdir d;
  module listing;
  listing.ident();
  listing.record(IO_LISTTEXT, {'a', 'd', 'd', 'r', ' '});
  bytes field = {0, 0, 0, 0, 0, 0x12, 4};  // 2-byte expression field, 4 digits
  bytes e = expr().named(IO_OP_SYM, "_target").end();
  field.insert(field.end(), e.begin(), e.end());
  listing.record(IO_LISTFIELD, field);
  listing.record(IO_LISTTEXT, {'\n'});
  listing.condexpr(expr().constant(1).end());
  listing.record(IO_LISTTEXT, {'h', 'i', 'd', 'd', 'e', 'n', '\n'});
  listing.condexpr(expr().constant(0).end());
  listing.record(IO_LISTTEXT, {'s', 'h', 'o', 'w', 'n', '\n'});
  listing.record(IO_END, {0, 0});
  ASSERT_EQ(system(("mkdir -p '" + d.path + "/objs'").c_str()), 0);
  d.put("objs/prog.rlf", listing);
  module m;
  m.ident().psect("text").text("text", 0x1234, {0}).listreloc("prog.rlf", "prog.lst");
  m.sym({def("_target", "text", 0x1234)}).start("text", 0).end();
  d.put("objs/prog.obj", m);
  link_result r = link(d, {"-Ptext=0", "objs/prog.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Named without a folder: found beside the object, and written there.
  EXPECT_EQ(read_file(d / "objs/prog.lst"), "addr 1234\nshown\n");
  r = link(d, {"--norlf", "-Ptext=0", "objs/prog.obj"});
  EXPECT_EQ(r.status, 0);
  remove((d / "objs/prog.rlf").c_str());
  r = link(d, {"-Ptext=0", "objs/prog.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{524}));
}

}  // namespace

namespace {

using namespace fixture;

TEST(JointaMap, SymbolsGroupedByClassOrSpaceAndSelectorAddresses) {
  workdir d;
  module m;
  m.ident().psect("text").xpsect("text", "CODE").psect("vars").xpsect("vars", "RAM", 0, 0, 1);
  m.text("text", 0, bytes(4, 0)).text("vars", 2, {}).sym({def("_code", "text", 2), def("_var", "vars", 1)});
  m.start("text", 0).end();
  d.put("m.obj", m);
  link_result r = link(d, {"-Mc.map", "-Nc", "-Ptext=10h,vars=20h", "m.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string map = read_file(d / "c.map");
  EXPECT_TRUE(contains(map, "\nCLASS   CODE           \n")) << map;
  EXPECT_LT(map.find("\nCLASS   CODE"), map.find("        _code"));
  EXPECT_LT(map.find("        _code"), map.find("\nCLASS   RAM"));
  EXPECT_LT(map.find("\nCLASS   RAM"), map.find("        _var"));
  r = link(d, {"-Ms.map", "-Ns", "-Ptext=10h,vars=20h", "m.obj"});
  map = read_file(d / "s.map");
  EXPECT_LT(map.find("\nSPACE   0\n"), map.find("        _code")) << map;
  EXPECT_LT(map.find("\nSPACE   1\n"), map.find("        _var")) << map;
  // -8: the selector and the offset.
  r = link(d, {"-M8.map", "-8", "-Ptext=10h,vars=20h", "m.obj"});
  EXPECT_TRUE(contains(read_file(d / "8.map"), " text 0010:12")) << read_file(d / "8.map");
}

TEST(JointaOutput, SelectorsGiveSegmentRecordsAndSelectedSymbols) {
  workdir d;
  module m;
  m.ident().psect("text").xpsect("text", "CODE").text("text", 0, bytes(0x10, 1)).sym({def("_c", "text", 4)});
  m.start("text", 0).end();
  d.put("m.obj", m);
  link_result r = link(d, {"-Mm.map", "-GA/10h", "-ACODE=100h-1FFh", "-Ptext=CODE", "m.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string out = dump(d / "l.obj");
  EXPECT_EQ(lines_with(out, "SEGMENT"),
            (std::vector<std::string>{"SEGMENT text length 0x10 load 0x100 selector 0x10 zero 0 link 0x100"}));
  EXPECT_EQ(lines_with(out, "XSYM _c"),
            (std::vector<std::string>{"XSYM _c value 0x104 kind 0 global psect text selector 0x10"}));
  r = link(d, {"-GA/z", "-ACODE=100h-1FFh", "-Ptext=CODE", "m.obj"});
  EXPECT_EQ(r.messages[0], 435u);
}

TEST(JointaMap, ClassDeltasShowInTheSegmentTable) {
  workdir d;
  module m;
  m.ident().psect("text").xpsect("text", "CODE", 0, 0, 0, 2).text("text", 0, bytes(8, 1)).sym({def("_c", "text", 2)});
  m.start("text", 0).end();
  d.put("m.obj", m);
  link_result r = link(d, {"-Mm.map", "-Hm.sym", "-DCODE=2", "-ACODE=100h-1FFh", "-Ptext=CODE", "m.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string map = read_file(d / "m.map");
  EXPECT_TRUE(contains(map, "Class Delta\n")) << map;
  // Units of two bytes: the psect's 8 bytes are 4 units at unit 100h.
  EXPECT_TRUE(contains(map, "text            000100  000004  000104")) << map;
  EXPECT_TRUE(contains(read_file(d / "m.sym"), "_c 102 0\n")) << read_file(d / "m.sym");
}

TEST(JointaPlacementBounds, AbsoluteExtentsOfAllModulesAreKeptFree) {
  workdir d;
  auto bounded = [](uint32_t low, uint32_t high, std::string name = "absv") {
    module m;
    bytes b = {11};
    uint8_t f[4];
    io_put16(&io_little_endian, f, IO_PSECT_GLOBAL | IO_PSECT_OVRLD | IO_PSECT_ABS);
    b.insert(b.end(), f, f + 2);
    io_put32(&io_little_endian, f, low);
    b.insert(b.end(), f, f + 4);
    io_put32(&io_little_endian, f, high);
    b.insert(b.end(), f, f + 4);
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
    m.ident().psect(name, IO_PSECT_GLOBAL | IO_PSECT_OVRLD | IO_PSECT_ABS).record(IO_PSECTBOUND, b).end();
    return m;
  };
  d.put("a.obj", bounded(0x10, 0x20));
  d.put("b.obj", bounded(0x30, 0x40));
  module v;
  v.ident().psect("vars").xpsect("vars", "RAM").text("vars", 0x30, {}).sym({def("_v", "vars", 0)}).start("vars", 0);
  v.end();
  d.put("v.obj", v);
  link_result r = link(d, {"-Hm.sym", "-ARAM=0-0FFh", "-Pvars=RAM", "a.obj", "b.obj", "v.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Both extents stay out of RAM: 10h..3Fh is in use, so 30h bytes fit from 40h.
  EXPECT_TRUE(contains(read_file(d / "m.sym"), "_v 40 0\n")) << read_file(d / "m.sym");
  EXPECT_TRUE(contains(read_file(d / "m.sym"), "__Labsv 10 0\n")) << read_file(d / "m.sym");
  EXPECT_TRUE(contains(read_file(d / "m.sym"), "__Habsv 40 0\n")) << read_file(d / "m.sym");
  // Another absolute psect over the same addresses.
  d.put("w.obj", bounded(0x18, 0x28, "absw"));
  r = link(d, {"-ARAM=0-0FFh", "-Pvars=RAM", "a.obj", "b.obj", "v.obj", "w.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{596}));
}

}  // namespace
