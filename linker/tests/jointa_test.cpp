// jointa end to end: command line, passes, symbols, relocation, libraries,
// output forms and bad input, on objects built record by record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linker/link.h"
#include "linker/tests/link_fixture.h"

namespace {

using namespace fixture;

const std::vector<unsigned> none;

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

// main calls _f in another module through a 2-byte symbol field.
module caller() {
  module m;
  m.ident().psect("text").text("text", 0, {0xA1, 0xA2, 0, 0}).reloc({{2, 0x22, "_f", {}}});
  m.sym({def("_main", "text", 0), ref("_f")}).start("text", 0).end();
  return m;
}

module callee(const std::string &name = "_f", uint8_t fill = 0xB1) {
  module m;
  m.ident().psect("text").text("text", 0, {fill, fill}).sym({def(name, "text", 0)}).end();
  return m;
}

TEST(JointaLink, ModulesAreLaidOutInOrderAndCrossReferencesResolved) {
  workdir d;
  d.put("a.obj", caller());
  d.put("b.obj", callee());
  link_result r = link(d, {"-Ptext=100h", "a.obj", "b.obj"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.messages, none);
  std::string out = dump(d / "l.obj");
  EXPECT_EQ(lines_with(out, "TEXT"), (std::vector<std::string>{"TEXT text offset 0x100 bytes 4 A1 A2 04 01",
                                                                "TEXT text offset 0x104 bytes 2 B1 B1"}));
  EXPECT_EQ(lines_with(out, "START"), (std::vector<std::string>{"START text offset 0x100"}));
  EXPECT_EQ(lines_with(out, "SYM _f "), (std::vector<std::string>{"SYM _f value 0x104 kind 0 global psect text"}));
  EXPECT_EQ(lines_with(out, "SYM __Htext"), (std::vector<std::string>{"SYM __Htext value 0x106 kind 0 global psect text"}));
  EXPECT_EQ(lines_with(out, "IDENT").size(), 1u);
  EXPECT_EQ(lines_with(out, "END").size(), 1u);
}

struct option_case {
  std::vector<std::string> args;
  std::vector<unsigned> messages;
  int status;
};

TEST(JointaCommandLine, BadOptionsAreReported) {
  workdir d;
  d.put("a.obj", caller());
  d.put("b.obj", callee());
  const option_case cases[] = {
      {{"-M"}, {397}, 1},
      {{"-Cnx", "a.obj", "b.obj"}, {168}, 1},
      {{"-C0", "-R", "a.obj"}, {616}, 1},
      {{"-C0", "-L", "a.obj"}, {616}, 1},
      {{"-O", "a.obj", "b.obj"}, {389}, 1},
      {{"-Ox.obj", "-Oy.obj", "a.obj", "b.obj"}, {389}, 1},
      {{"-P", "a.obj", "b.obj"}, {390}, 1},
      {{"-Q", "a.obj", "b.obj"}, {391}, 1},
      {{"-U", "a.obj", "b.obj"}, {392}, 1},
      {{"-Wx", "a.obj", "b.obj"}, {393}, 1},
      {{"-Jx", "a.obj", "b.obj"}, {395}, 1},
      {{"-W-10", "a.obj", "b.obj"}, {523}, 1},
      {{"--bogus", "a.obj", "b.obj"}, {168}, 1},
      {{"-Y", "a.obj", "b.obj"}, {168}, 1},
      {{"-Gx", "-Gy", "a.obj", "b.obj"}, {387}, 1},
      {{"-Ma.map", "-Mb.map", "a.obj", "b.obj"}, {388}, 1},
      {{"-Ha.sym", "-Hb.sym", "a.obj", "b.obj"}, {394}, 1},
      // Letters without values run together; -B is ignored with its rest.
      {{"-XZ", "-Bwhatever", "-Ptext=0", "a.obj", "b.obj"}, {}, 0},
      {{"-cs", "-z", "-w9", "--norlf", "-ptext=0", "a.obj", "b.obj"}, {}, 0},
  };
  for (const option_case &c : cases) {
    link_result r = link(d, c.args);
    std::string text;
    for (const std::string &a : c.args) text += a + " ";
    // The option's own message comes first; the link may add its own after it.
    if (c.messages.empty()) {
      EXPECT_EQ(r.messages, none) << text << r.err;
    } else {
      ASSERT_FALSE(r.messages.empty()) << text;
      EXPECT_EQ(r.messages[0], c.messages[0]) << text << r.err;
    }
    EXPECT_EQ(r.status, c.status) << text;
  }
}

TEST(JointaCommandLine, AnInputThatIsTheOutputIsNeitherReadNorOverwritten) {
  workdir d;
  d.put("a.obj", caller());
  bytes before = read_bytes(d / "a.obj");
  link_result r = link(d, {"-Oa.obj", "a.obj"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.messages, (std::vector<unsigned>{398}));
  EXPECT_EQ(read_bytes(d / "a.obj"), before);
  r = link(d, {"-O./a.obj", "a.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{398}));
  EXPECT_EQ(read_bytes(d / "a.obj"), before);
}

TEST(JointaCommandLine, ArgumentsComeFromAnAtFileOrStandardInput) {
  workdir d;
  d.put("a.obj", caller());
  d.put("b.obj", callee());
  std::string words = "-Ptext=0 -Ofrom_file.obj a.obj\nb.obj\n";
  write_file(d / "cmd", bytes(words.begin(), words.end()));
  link_result r = link(d, {"@cmd"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(exists(d / "from_file.obj"));
  words = "-Ptext=0 -Ofrom_stdin.obj a.obj b.obj\n";
  write_file(d / "stdin", bytes(words.begin(), words.end()));
  std::string cmd = "cd '" + d.path + "' && '" TOVRA_STAGE "/bin/jointa' < stdin >/dev/null 2>&1";
  EXPECT_EQ(system(cmd.c_str()), 0);
  EXPECT_TRUE(exists(d / "from_stdin.obj"));
  r = link(d, {"@nofile"});
  EXPECT_EQ(r.messages[0], 141u);
  EXPECT_EQ(r.status, 1);
}

TEST(JointaCommandLine, AWideMapWidthIsNotAWarningLevel) {
  workdir d;
  d.put("a.obj", caller());
  d.put("b.obj", callee());
  link_result r = link(d, {"-W12", "-Mm.map", "-Ptext=0", "a.obj", "b.obj"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string map = read_file(d / "m.map");
  // Each argument that would reach the narrow margin starts a continued line.
  EXPECT_NE(map.find("-W12 \\\n  -Mm.map \\\n  -Ptext=0 \\\n  a.obj \\\n  b.obj \n"), std::string::npos) << map;
  // The warning level is untouched: 528 (level 0) still shows.
  d.put("nostart.obj", callee());
  r = link(d, {"-W12", "-Ptext=0", "nostart.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{528}));
  r = link(d, {"-W1", "-Ptext=0", "nostart.obj"});
  EXPECT_EQ(r.messages, none);
}

TEST(JointaPasses, AnObjectFileContributesOnlyItsFirstModule) {
  workdir d;
  module two = caller();
  module second = callee("_g", 0xEE);
  two.data.insert(two.data.end(), second.data.begin(), second.data.end());
  d.put("two.obj", two);
  d.put("b.obj", callee());
  link_result r = link(d, {"-Ptext=0", "-U_g", "two.obj", "b.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{499}));
  EXPECT_EQ(dump(d / "l.obj").find("EE"), std::string::npos);
}

TEST(JointaPasses, AFalseConditionSkipsTheRestOfItsModuleOnly) {
  workdir d;
  module skipped;
  skipped.ident().psect("text").condexpr(expr().constant(1).constant(1).op(IO_OP_SUB).end());
  skipped.text("text", 0, {0x55}).sym({def("_gone", "text", 0)}).end();
  module kept;
  kept.ident().psect("text").condexpr(expr().constant(2).end()).text("text", 0, {0x66});
  kept.sym({def("_here", "text", 0)}).start("text", 0).end();
  d.put("skipped.obj", skipped);
  d.put("kept.obj", kept);
  link_result r = link(d, {"-Ptext=10h", "skipped.obj", "kept.obj"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string out = dump(d / "l.obj");
  EXPECT_EQ(lines_with(out, "TEXT"), (std::vector<std::string>{"TEXT text offset 0x10 bytes 1 66"}));
  EXPECT_TRUE(lines_with(out, "SYM _gone").empty());
  EXPECT_EQ(lines_with(out, "SYM _here"), (std::vector<std::string>{"SYM _here value 0x10 kind 0 global psect text"}));
}

TEST(JointaSymbols, UndefinedAndDoublyDefinedSymbolsFailTheLink) {
  workdir d;
  d.put("a.obj", caller());
  d.put("b.obj", callee());
  d.put("c.obj", callee());
  module refs;
  refs.ident().psect("text").sym({ref("_x"), ref("_y")}).end();
  d.put("refs.obj", refs);
  struct {
    std::vector<std::string> args;
    std::vector<unsigned> messages;
    int status;
  } cases[] = {
      {{"-Ptext=0", "a.obj"}, {499}, 1},
      {{"-Ptext=0", "a.obj", "b.obj", "refs.obj"}, {500}, 1},
      {{"-I", "-Ptext=0", "a.obj"}, {594}, 0},
      {{"-I", "-Ptext=0", "a.obj", "b.obj", "refs.obj"}, {595}, 0},
      {{"-Ptext=0", "a.obj", "b.obj", "c.obj"}, {482}, 1},
  };
  for (const auto &c : cases) {
    remove((d / "l.obj").c_str());
    link_result r = link(d, c.args);
    EXPECT_EQ(r.messages, c.messages) << r.err;
    EXPECT_EQ(r.status, c.status);
    // A failed link leaves no object behind.
    EXPECT_EQ(exists(d / "l.obj"), c.status == 0);
  }
}

TEST(JointaSymbols, EquatesAndCommonsAreResolved) {
  workdir d;
  module a;
  a.ident().psect("text").psect("bss").text("text", 0, {0, 0, 0, 0});
  a.reloc({{0, 0x22, "_alias", {}}, {2, 0x22, "_buf", {}}});
  a.sym({def("_base", "text", 2), {3, IO_SYM_EQUATE | IO_SYM_GLOBAL, "_base", "_alias"},
         {4, IO_SYM_COMMON | IO_SYM_GLOBAL, "bss", "_buf"}});
  a.start("text", 0).end();
  module b;
  b.ident().psect("bss").sym({{8, IO_SYM_COMMON | IO_SYM_GLOBAL, "bss", "_buf"}}).end();
  d.put("a.obj", a);
  d.put("b.obj", b);
  link_result r = link(d, {"-Ptext=100h,bss=200h", "a.obj", "b.obj"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string out = dump(d / "l.obj");
  // _alias = _base + 3 = 0x105; _buf: the larger common, at bss's start.
  EXPECT_EQ(lines_with(out, "TEXT"), (std::vector<std::string>{"TEXT text offset 0x100 bytes 4 05 01 00 02"}));
  EXPECT_EQ(lines_with(out, "SYM __Hbss"), (std::vector<std::string>{"SYM __Hbss value 0x208 kind 0 global psect bss"}));
}

TEST(JointaRelocation, ValuesThatDoNotFitTheirFieldsAreReported) {
  workdir d;
  module far;
  far.ident().psect("text").text("text", 0, {0, 0, 0}).reloc({{0, 0x21, "_f", {}}});
  far.reloc({}).text("text", 3, {0});
  far.reloc({{0, 0x31, "", expr().constant(0x1FF).end()}}).start("text", 0).end();
  d.put("far.obj", far);
  module f;
  f.ident().psect("data").text("data", 0, {1}).sym({def("_f", "data", 0)}).end();
  d.put("f.obj", f);
  link_result r = link(d, {"-Ptext=0,data=300h", "far.obj", "f.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{1267, 1268}));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(exists(d / "l.obj"));
}

TEST(JointaRelocation, PsectSelectorAndPcRelativeKinds) {
  workdir d;
  module m;
  m.ident().psect("text").text("text", 0, {0, 0, 0, 0, 0, 0});
  // 0x42: the distance from the field to text's start; 0x62 to _t; 0x11 text's low byte.
  m.reloc({{0, 0x42, "text", {}}, {2, 0x62, "_t", {}}, {4, 0x11, "text", {}}, {5, 0x01, "", {}}});
  m.sym({def("_t", "text", 6)}).start("text", 0).end();
  d.put("m.obj", m);
  link_result r = link(d, {"-Ptext=20h", "m.obj"});
  EXPECT_EQ(r.status, 0) << r.err;
  // At 0x20: 0x20 - 0x20 - 0 = 0; at 0x22: 0x26 - 0x20 - 2 = 4; low byte 0x20.
  EXPECT_EQ(lines_with(dump(d / "l.obj"), "TEXT"),
            (std::vector<std::string>{"TEXT text offset 0x20 bytes 6 00 00 04 00 20 00"}));
}

TEST(JointaRelocation, RelocationsCanBeKeptInAFinalLink) {
  workdir d;
  d.put("a.obj", caller());
  d.put("b.obj", callee());
  link_result r = link(d, {"-L", "-Ptext=100h", "a.obj", "b.obj"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string out = dump(d / "l.obj");
  EXPECT_EQ(lines_with(out, "RELOC"), (std::vector<std::string>{"RELOC 0x2 type 0x02 name text"}));
  // The RELOC record follows the TEXT record it belongs to.
  EXPECT_LT(out.find("TEXT text offset 0x100"), out.find("RELOC"));
}

TEST(JointaLibraries, ModulesArePulledForUndefinedSymbolsOnly) {
  workdir d;
  d.put("main.obj", caller());
  module b = callee("_f", 0xB0);
  module unused = callee("_u", 0xCC);
  // C comes first but is needed only by A (refers _g): pulled in round two.
  module c = callee("_g", 0xC0);
  module a2;
  a2.ident().psect("text").text("text", 0, {0xA0, 0xA0}).sym({def("_f", "text", 0), ref("_g")}).end();
  d.put("lib1.lib", library({{"c.obj", c, {"_g"}, {}},
                             {"a.obj", a2, {"_f"}, {"_g"}},
                             {"b.obj", b, {"_f"}, {}},
                             {"unused.obj", unused, {"_u"}, {}}}));
  link_result r = link(d, {"-Ptext=0", "main.obj", "lib1.lib"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_with(dump(d / "l.obj"), "TEXT"),
            (std::vector<std::string>{"TEXT text offset 0x0 bytes 4 A1 A2 06 00", "TEXT text offset 0x4 bytes 2 C0 C0",
                                      "TEXT text offset 0x6 bytes 2 A0 A0"}));

  // A library before the object that needs it contributes nothing.
  r = link(d, {"-Ptext=0", "lib1.lib", "main.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{499}));
  // A library nothing needs is passed over in every pass.
  d.put("b.obj", callee());
  r = link(d, {"-Ptext=0", "main.obj", "b.obj", "lib1.lib"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_with(dump(d / "l.obj"), "TEXT").size(), 2u);
}

TEST(JointaOutput, ARawImageHoldsTheCodeAtItsAddressLessTheBase) {
  workdir d;
  module m;
  m.ident().psect("text").text("text", 4, {0x11, 0x22}).sym({def("_x", "text", 0)}).end();
  d.put("m.obj", m);
  link_result r = link(d, {"-C1000h", "-Ptext=1000h", "m.obj"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_bytes(d / "l.bin"), (bytes{0, 0, 0, 0, 0x11, 0x22}));
  r = link(d, {"-C0x1000", "-Ptext=0FF8h", "m.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{989}));
}

TEST(JointaOutput, RelocatableOutputKeepsPiecesAndTheirRelocations) {
  workdir d;
  // Two fields: the record is written whole, followed by one RELOC record.
  module small;
  small.ident().psect("text").text("text", 0, {0, 0, 0, 0}).reloc({{0, 0x12, "text", {}}, {2, 0x22, "_ext", {}}});
  small.sym({ref("_ext")}).end();
  d.put("small.obj", small);
  link_result r = link(d, {"-R", "-Ox.obj", "small.obj"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::string out = dump(d / "x.obj");
  EXPECT_EQ(lines_with(out, "TEXT text offset 0x0 bytes 4").size(), 1u);
  EXPECT_EQ(lines_with(out, "RELOC"), (std::vector<std::string>{"RELOC 0x0 type 0x12 name text",
                                                               "RELOC 0x2 type 0x22 name _ext"}));

  // Entries that overflow one RELOC record split the data into pieces.
  module big;
  bytes code(400, 0);
  std::vector<reloc_entry> entries;
  for (uint16_t i = 0; i < 200; i++) entries.push_back({(uint16_t)(2 * i), 0x22, "_a_long_external_name", {}});
  big.ident().psect("text").text("text", 0, code).reloc(entries).sym({ref("_a_long_external_name")}).end();
  d.put("big.obj", big);
  r = link(d, {"-R", "-Oy.obj", "big.obj"});
  EXPECT_EQ(r.status, 0) << r.err;
  out = dump(d / "y.obj");
  // Records without data carry the psect sizes for the next link.
  std::vector<std::string> texts;
  for (const std::string &t : lines_with(out, "TEXT text"))
    if (t.find(" bytes 0") == std::string::npos) texts.push_back(t);
  ASSERT_GE(texts.size(), 2u);
  uint32_t expected_offset = 0, total = 0;
  for (const std::string &t : texts) {
    unsigned offset, count;
    ASSERT_EQ(sscanf(t.c_str(), "TEXT text offset 0x%X bytes %u", &offset, &count), 2) << t;
    EXPECT_EQ(offset, expected_offset);
    expected_offset += count;
    total += count;
  }
  EXPECT_EQ(total, 400u);
  // Each piece's entries count from the piece's own start.
  std::vector<std::string> relocs = lines_with(out, "RELOC 0x0 ");
  EXPECT_EQ(relocs.size(), texts.size());
}

TEST(JointaOutput, StartRecords) {
  workdir d;
  module both;
  both.ident().psect("text").text("text", 0, {1}).start("text", 0, IO_SEGSTART).start("text", 0).end();
  d.put("both.obj", both);
  link_result r = link(d, {"-Ptext=0", "both.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{501}));

  d.put("none.obj", callee());
  r = link(d, {"-Ptext=0", "none.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{528}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(lines_with(dump(d / "l.obj"), "START"), (std::vector<std::string>{"START - offset 0x0"}));
  // Relocatable output needs no start address.
  r = link(d, {"-R", "none.obj"});
  EXPECT_EQ(r.messages, none);
}

struct bad_case {
  const char *what;
  bytes data;
  std::vector<unsigned> messages;
};

TEST(JointaBadInput, CorruptObjectsAreReportedAndLeaveNoOutput) {
  workdir d;
  module good = caller();
  bytes truncated(good.data.begin(), good.data.end() - 4);
  module bad_kind;
  bad_kind.ident().record(40, {1, 2});
  module long_body;
  long_body.ident();
  long_body.data.insert(long_body.data.end(), {0xFE, 0x01, IO_SYM});
  long_body.data.resize(long_body.data.size() + 510);
  module sym_cut;
  sym_cut.ident().record(IO_SYM, {1, 0, 0, 0, 0x10, 0, 't', 'e'}).end();
  module text_short;
  text_short.ident().psect("text").record(IO_TEXT, {0, 0, 0, 0, 't', 'e', 'x', 't'}).end();
  module unknown_psect;
  unknown_psect.ident().text("nowhere", 0, {1}).end();
  module bad_kind_sym;
  bad_kind_sym.ident().sym({{0, 9 | IO_SYM_GLOBAL, "", "_k"}}).end();
  module bad_ident;
  bad_ident.record(IO_IDENT, {0, 0, 0, 0, 0, 0, 'x', 0}).end();
  module reloc_type;
  reloc_type.ident().psect("text").text("text", 0, {0}).reloc({{0, 0xB1, "text", {}}}).end();
  // Entry-kind bits in a record's flags, and an equate on a name the module
  // keeps locally, would each leave a psect without its psect record.
  constexpr uint16_t psect_bit = LS_PSECT, class_bit = LS_CLASS;
  module sym_as_psect;
  sym_as_psect.ident().psect("text").sym({{0, psect_bit | IO_SYM_EQUATE | IO_SYM_GLOBAL, "_x", "text"}});
  sym_as_psect.text("text", 0, {1}).end();
  module psect_as_class;
  psect_as_class.ident().sym({ref("_f")}).psect("_f", class_bit | IO_PSECT_GLOBAL).end();
  module bound_as_class;
  bound_as_class.ident().sym({ref("_f")});
  bytes bound = {11};
  module::add(bound, bound_as_class.u16(class_bit | IO_PSECT_ABS | IO_PSECT_OVRLD));
  module::add(bound, bound_as_class.u32(0));
  module::add(bound, bound_as_class.u32(1));
  module::add(bound, std::string("_f"));
  bound_as_class.record(IO_PSECTBOUND, bound).end();
  module local_equate;
  local_equate.ident().sym({{0, IO_SYM_REF, "", "_q"}, {0, IO_SYM_EQUATE | IO_SYM_GLOBAL, "_f", "_q"}}).end();
  const bad_case cases[] = {
      {"truncated", truncated, {505}},
      {"unknown kind", bad_kind.data, {380}},
      {"body too long", long_body.data, {506}},
      {"SYM entry cut short", sym_cut.data, {517}},
      {"TEXT without data room", text_short.data, {516}},
      {"TEXT of an unknown psect", unknown_psect.data, {519}},
      {"symbol kind above 8", bad_kind_sym.data, {515}},
      {"IDENT maps that are no permutation", bad_ident.data, {517}},
      {"relocation type not allowed", reloc_type.data, {514}},
      {"SYM entry flagged as a psect", sym_as_psect.data, {517}},
      {"PSECT flagged as a class", psect_as_class.data, {517}},
      {"PSECTBOUND flagged as a class", bound_as_class.data, {517}},
      {"global equate on a local name", local_equate.data, {517}},
      {"empty file", {}, {505}},
  };
  d.put("b.obj", callee());
  for (const bad_case &c : cases) {
    d.put("bad.obj", c.data);
    remove((d / "l.obj").c_str());
    link_result r = link(d, {"-Ptext=0", "-U_f", "bad.obj", "b.obj"});
    ASSERT_FALSE(r.messages.empty()) << c.what;
    EXPECT_EQ(r.messages[0], c.messages[0]) << c.what << "\n" << r.err;
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_FALSE(exists(d / "l.obj")) << c.what;
  }
}

TEST(JointaBadInput, MissingInputsAndBrokenLibraries) {
  workdir d;
  d.put("a.obj", caller());
  d.put("b.obj", callee());
  link_result r = link(d, {"-Ptext=0", "a.obj", "missing.obj", "b.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{141}));
  EXPECT_EQ(r.status, 1);
  bytes lib = library({{"b.obj", callee(), {"_f"}, {}}});
  d.put("short.lib", bytes(lib.begin(), lib.begin() + 10));
  r = link(d, {"-Ptext=0", "a.obj", "short.lib"});
  EXPECT_EQ(r.messages[0], 507u);
  EXPECT_EQ(r.status, 1);
  // A module whose records run past its length ends at its own end.
  bytes cut = library({{"b.obj", callee(), {"_f"}, {}}});
  cut[4 + 4] -= 3;  // the module's length
  d.put("cut.lib", cut);
  r = link(d, {"-Ptext=0", "a.obj", "cut.lib"});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(r.messages.empty());
}

TEST(JointaBadInput, ModulesThatDisagreeAboutAPsect) {
  workdir d;
  module a, b;
  a.ident().psect("data").xpsect("data", "RAM", 0, 0, 1, 1).sym({def("_a", "data", 0)}).end();
  b.ident().psect("data").xpsect("data", "RAM", 0, 0, 2, 2).sym({def("_b", "data", 0)}).end();
  d.put("a.obj", a);
  d.put("b.obj", b);
  link_result r = link(d, {"-R", "a.obj", "b.obj"});
  EXPECT_EQ(r.messages, (std::vector<unsigned>{488, 489}));
  EXPECT_EQ(r.status, 1);
}

}  // namespace

namespace {

using namespace fixture;

// PIC18 instruction fields as an assembler would relocate them: word
// addresses split over two instruction words, 11-bit branch distances,
// 12-bit file registers.
expr word_address_low(const std::string &s) { return expr().constant(1).named(IO_OP_SYM, s).op(IO_OP_SHR).op(IO_OP_LOW); }
expr word_address_high(const std::string &s) { return expr().constant(9).named(IO_OP_SYM, s).op(IO_OP_SHR); }
expr branch_distance(const std::string &s) {
  return expr().constant(1).constant(2).named(IO_OP_SYM_PCREL, s).op(IO_OP_SUB).op(IO_OP_ASR);
}

TEST(JointaPic18, CrossModuleInstructionsDisassembleToTheirTargets) {
  if (!have_tool("gpdasm") || !have_tool("srec_cat")) GTEST_SKIP() << "gputils or srecord missing";
  workdir d;
  module main;
  main.ident().psect("text").psect("bss");
  main.text("text", 0, {0x00, 0xEC, 0x00, 0xF0,    // call _func
                        0x00, 0xEF, 0x00, 0xF0,    // goto _loop
                        0x00, 0xD0,                // bra _near
                        0x10, 0xEE, 0x00, 0xF0,    // lfsr 1, _buffer
                        0x00, 0xC0, 0x00, 0xF0});  // movff _src, _dst
  main.reloc({{0, 0x31, "", word_address_low("_func").end()},
              {2, 0xFC, "", word_address_high("_func").end()},
              {4, 0x31, "", word_address_low("_loop").end()},
              {6, 0xFC, "", word_address_high("_loop").end()},
              {8, 0xFB, "", branch_distance("_near").end()},
              {10, 0xF4, "", expr().constant(8).named(IO_OP_SYM, "_buffer").op(IO_OP_SHR).end()},
              {12, 0x31, "", expr().named(IO_OP_SYM, "_buffer").op(IO_OP_LOW).end()},
              {14, 0xFC, "", expr().named(IO_OP_SYM, "_src").end()},
              {16, 0xFC, "", expr().named(IO_OP_SYM, "_dst").end()}});
  main.sym({def("_main", "text", 0), ref("_func"), ref("_loop"), ref("_near"), ref("_buffer"), ref("_src"),
            ref("_dst")});
  main.start("text", 0).end();
  module other;
  other.ident().psect("text").psect("bss");
  other.text("text", 0, {0x00, 0x00, 0x00, 0x00, 0x12, 0x00, 0x12, 0x00});
  // bss holds no data: a TEXT record without bytes gives its size.
  other.text("bss", 18, {});
  other.sym({def("_near", "text", 0), def("_func", "text", 4), def("_loop", "text", 6), def("_buffer", "bss", 0),
             def("_src", "bss", 16), def("_dst", "bss", 17)});
  other.end();
  d.put("main.obj", main);
  d.put("other.obj", other);
  link_result r = link(d, {"-C0", "-Ptext=0", "-Pbss=100h", "main.obj", "other.obj"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string cmd = "cd '" + d.path + "' && srec_cat l.bin -binary -o l.hex -intel >/dev/null 2>&1 && "
                    "gpdasm -p p18f452 l.hex > l.dis 2>&1";
  ASSERT_EQ(system(cmd.c_str()), 0);
  std::string listing = read_file(d / "l.dis");
  for (const char *line : {"000000:  ec0b  call    0x000016, 0x0", "000004:  ef0c  goto    0x000018",
                           "000008:  d004  bra     0x000012", "00000a:  ee11  lfsr    0x1, 0x100",
                           "00000e:  c110  movff   0x110, 0x111"})
    EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
}

}  // namespace
