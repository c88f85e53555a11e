// A small C program for every part of the chip database: a banked array, a
// call, a store to the part's lowest-addressed register and an object at
// _RAMSIZE - 4 build for each, and run in gpsim on every part gpsim models.
// Every part also takes each of its configuration settings by name. CTest
// builds a sample of the parts; scripts/chips builds and runs them all.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e.h"

namespace {

using e2e::folder;
using e2e::program;

std::string read_text(const std::string &path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> database_parts() {
  std::vector<std::string> names;
  std::istringstream in(read_text(std::string(TOVRA_STAGE) + "/dat/tovra-18.ini"));
  std::regex header(R"(^\s*\[([^\]]+)\])");
  std::smatch m;
  for (std::string line; std::getline(in, line);)
    if (std::regex_search(line, m, header)) names.push_back(m[1]);
  return names;
}

// The lowest-addressed register of the part's header at or above `from`.
std::string lowest_register(const std::string &part, unsigned from) {
  std::string file = "tovra18_" + part + ".h";
  for (char &c : file) c = char(tolower(uint8_t(c)));
  std::istringstream in(read_text(std::string(TOVRA_STAGE) + "/include/" + file));
  std::regex byte(R"(^volatile unsigned char (\w+) @ 0x([0-9A-F]+);)");
  std::smatch m;
  std::string best;
  unsigned lowest = 0x1000;
  for (std::string line; std::getline(in, line);)
    if (std::regex_search(line, m, byte) && std::stoul(m[2], nullptr, 16) < lowest &&
        std::stoul(m[2], nullptr, 16) >= from) {
      lowest = unsigned(std::stoul(m[2], nullptr, 16));
      best = m[1];
    }
  return best;
}

const char program_text[] =
    "#include <tovra18.h>\n"
    "unsigned char arr[100];\n"
    "volatile unsigned char top @ (RAMTOP - 4);\n"
    "volatile unsigned char result;\n"
    "unsigned char sum(unsigned char n) {\n"
    "  unsigned char s = 0, i;\n"
    "  for (i = 0; i < n; i++) s += arr[i];\n"
    "  return s;\n"
    "}\n"
    "void main(void) {\n"
    "  unsigned char i;\n"
    "  for (i = 0; i < 100; i++) arr[i] = i + 1;\n"
    "  LOWEST = 0;\n"
    "  top = 0xA5;\n"
    "  result = sum(100);\n"
    "  for (;;)\n"
    "    ;\n"
    "}\n";

std::set<std::string> gpsim_parts() {
  std::set<std::string> out;
  std::istringstream in(read_text(std::string(TOVRA_TEST_DIR) + "/gpsim_pic18_parts.txt"));
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') out.insert(line);
  return out;
}

// Where gpsim's model of a part has less than the part: less RAM (a write
// at _RAMSIZE - 4 is to an invalid file register there, and the run stops),
// or no registers below F80h (the CAN parts' F00h-F7Fh). The program then
// uses the top of the model's RAM and its lowest register, so the run still
// checks the highest bank and the lowest register the model has.
struct gpsim_model_gap {
  unsigned ram_size;
  unsigned registers_from;
};
const std::map<std::string, gpsim_model_gap> gpsim_model_gaps = {
    {"18F242", {0x200, 0}},   {"18F442", {0x200, 0}},     {"18F4420", {0x200, 0}},  {"18F2525", {0x600, 0}},
    {"18F248", {0x200, 0xF80}}, {"18F448", {0x200, 0xF80}}, {"18F258", {0x600, 0xF80}}, {"18F458", {0x600, 0xF80}},
};

// Builds the program for one part; runs it when gpsim models the part.
void build_and_run(const std::string &part, bool run) {
  folder dir;
  auto gap = gpsim_model_gaps.find(part);
  bool short_model = run && gap != gpsim_model_gaps.end();
  std::string text = std::regex_replace(std::string(program_text), std::regex("LOWEST"),
                                        lowest_register(part, short_model ? gap->second.registers_from : 0));
  text = std::regex_replace(text, std::regex("RAMTOP"),
                            short_model ? std::to_string(gap->second.ram_size) : std::string("_RAMSIZE"));
  dir.write("main.c", text);
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=" + part + " --output=intel main.c"), 0)
      << part << "\n" << dir.read("out") << dir.read("err");
  if (!run) return;
  dir.write("run.stc", "break c 200000\nrun\ndump r\nquit\n");
  std::string model = "p" + part;
  for (char &c : model) c = char(tolower(uint8_t(c)));
  ASSERT_EQ(dir.run("timeout 60 gpsim -i -p " + model + " -c run.stc main.hex < /dev/null"), 0) << part << dir.read("err");
  std::map<unsigned, unsigned> ram = e2e::ram_dump(dir.read("out"));
  std::string symbols = dir.read("main.sym");
  long result = e2e::symbol_value(symbols, "_result");
  ASSERT_GE(result, 0) << part << "\n" << symbols;
  EXPECT_EQ(ram[unsigned(result)], unsigned(5050 & 0xFF)) << part;
  long ram_size = e2e::symbol_value(symbols, "_top");
  ASSERT_GE(ram_size, 0) << part;
  EXPECT_EQ(ram[unsigned(ram_size)], 0xA5u) << part;
}

// Runs `check` on every part under TOVRA18_EVERY_CHIP=all (scripts/chips);
// otherwise on every part gpsim runs, every twelfth other one and the parts
// whose flash ends in sixteen bytes of configuration words (their flash
// buffer sits a block below the flash's end, not the code space's), which
// keeps the test's time within CTest's budget.
template <typename F> void for_each_part(const std::set<std::string> &modelled, F check) {
  std::vector<std::string> parts = database_parts();
  ASSERT_FALSE(parts.empty());
  const std::set<std::string> always = {"18F97J94", "18F66J99"};
  const char *every = getenv("TOVRA18_EVERY_CHIP");
  if (!every || std::string(every) != "all") {
    std::vector<std::string> sample;
    for (size_t i = 0; i < parts.size(); i++)
      if (i % 12 == 0 || modelled.count(parts[i]) || always.count(parts[i])) sample.push_back(parts[i]);
    parts = sample;
  }
  std::atomic<size_t> next{0};
  auto worker = [&] {
    for (size_t i; (i = next++) < parts.size();) check(parts[i]);
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; t++) threads.emplace_back(worker);
  for (std::thread &t : threads) t.join();
}

TEST(every_chip, a_small_program_builds_for_every_part_and_runs_where_gpsim_models_it) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  std::set<std::string> modelled = gpsim_parts();
  for_each_part(modelled, [&](const std::string &part) { build_and_run(part, modelled.count(part) > 0); });
}

// The values of each key of one part's section of the chip database.
std::map<std::string, std::vector<std::string>> part_keys(const std::string &part) {
  std::map<std::string, std::vector<std::string>> keys;
  std::istringstream in(read_text(std::string(TOVRA_STAGE) + "/dat/tovra-18.ini"));
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') {
      inside = line == "[" + part + "]";
      continue;
    }
    size_t eq = line.find('=');
    if (inside && eq != std::string::npos) keys[line.substr(0, eq)].push_back(line.substr(eq + 1));
  }
  return keys;
}

std::vector<std::string> split_commas(const std::string &text) {
  std::vector<std::string> items;
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');) items.push_back(item);
  return items;
}

// Names every configuration setting of the part with a value other than its
// erased one (one setting of bits two settings share) and checks the
// configuration bytes in the hex file: the erased bytes with those fields
// changed in the words a setting reaches, no other word written.
void configure_every_setting(const std::string &part) {
  auto keys = part_keys(part);
  std::map<unsigned, unsigned> erased;  // configuration byte offset -> value
  std::vector<std::string> unprogrammed = split_commas(keys["CFGS_UNPROG"].at(0));
  for (size_t i = 0; i + 1 < unprogrammed.size(); i += 2) {
    unsigned word = unsigned(std::stoul(unprogrammed[i], nullptr, 16)) - 1;
    unsigned value = unsigned(std::stoul(unprogrammed[i + 1], nullptr, 16));
    erased[2 * word] = value & 0xFF;
    erased[2 * word + 1] = value >> 8;
  }
  std::map<unsigned, unsigned> expected = erased, taken;
  std::set<unsigned> words;
  std::string pragmas;
  std::set<std::string> named;
  for (const std::string &line : keys["CONFIG"]) {
    std::vector<std::string> f = split_commas(line);
    if (named.count(f[0])) continue;  // a later line of a setting already named
    unsigned byte = unsigned(std::stoul(f[1], nullptr, 16)), mask = unsigned(std::stoul(f[2], nullptr, 16));
    if (taken[byte] & mask) continue;
    // The last value of the setting's lines whose bits differ from the
    // erased ones, so a later line of a long setting is reached too.
    std::string value;
    unsigned bits = 0;
    for (const std::string &other : keys["CONFIG"]) {
      std::vector<std::string> g = split_commas(other);
      if (g[0] != f[0]) continue;
      for (size_t k = 3; k < g.size(); k++) {
        size_t slash = g[k].find('/');
        unsigned b = unsigned(std::stoul(g[k].substr(slash + 1), nullptr, 16)) & mask;
        if (b != (erased[byte] & mask)) value = g[k].substr(0, slash), bits = b;
      }
    }
    if (value.empty()) continue;
    named.insert(f[0]);
    taken[byte] |= mask;
    expected[byte] = (expected[byte] & ~mask) | bits;
    words.insert(byte / 2);
    pragmas += "#pragma config " + f[0] + " = " + value + "\n";
  }
  ASSERT_FALSE(words.empty()) << part;
  folder dir;
  dir.write("main.c", "#include <tovra18.h>\n" + pragmas + "void main(void) {}\n");
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=" + part + " --output=intel main.c"), 0)
      << part << "\n" << pragmas << dir.read("out") << dir.read("err");
  std::map<uint32_t, unsigned> hex = e2e::hex_bytes(dir.read("main.hex"));
  bool flash_words = part.find('J') != std::string::npos;
  uint32_t base = flash_words ? uint32_t(std::stoul(keys["ROMSIZE"].at(0), nullptr, 16)) : 0x300000;
  for (unsigned b = 0; b < 16; b++) {
    auto at = hex.find(base + b);
    if (!words.count(b / 2)) {
      EXPECT_TRUE(at == hex.end()) << part << " writes configuration byte " << b;
      continue;
    }
    ASSERT_TRUE(at != hex.end()) << part << " leaves out configuration byte " << b;
    EXPECT_EQ(at->second, expected[b]) << part << " configuration byte " << b << "\n" << pragmas;
  }
}

TEST(every_chip, every_part_takes_each_of_its_configuration_settings_by_name) {
  for_each_part(gpsim_parts(), configure_every_setting);
}

}  // namespace
