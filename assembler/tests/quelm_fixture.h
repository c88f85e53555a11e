// Runs the installed assembler on sources written by a test, in a scratch folder.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "linker/tests/objdump.h"
#include "tests/support/test_support.h"

// Bytes by address from an Intel HEX text (record types 00, 01, 04).
inline std::map<uint32_t, uint8_t> intel_hex_bytes(const std::string &text) {
  std::map<uint32_t, uint8_t> bytes;
  uint32_t upper = 0;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() < 11 || line[0] != ':') continue;
    auto byte = [&](size_t i) { return (uint32_t)std::stoul(line.substr(1 + 2 * i, 2), nullptr, 16); };
    uint32_t count = byte(0), address = byte(1) << 8 | byte(2), type = byte(3);
    if (type == 4) upper = (byte(4) << 8 | byte(5)) << 16;
    if (type == 0)
      for (uint32_t i = 0; i < count; i++) bytes[upper + address + i] = (uint8_t)byte(4 + i);
  }
  return bytes;
}

struct QuelmTest : ::testing::Test {
  std::filesystem::path dir;

  void SetUp() override {
    char tmpl[] = "/tmp/quelm_test.XXXXXX";
    dir = mkdtemp(tmpl);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string path(const std::string &name) const { return (dir / name).string(); }

  void write(const std::string &name, const std::string &text) const { write_file(path(name), text); }

  std::string read(const std::string &name) const { return read_file(path(name)); }

  bool exists(const std::string &name) const { return std::filesystem::exists(path(name)); }

  // Runs quelm with these arguments in the scratch folder; the exit status.
  int quelm(const std::string &args) const {
    std::string command = "cd " + dir.string() + " && " TOVRA_STAGE "/bin/quelm " + args + " 2>stderr";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string errors() const { return read("stderr"); }

  // Assembles source text into name.obj; the dumped records, or "" after a failure.
  std::string assemble(const std::string &name, const std::string &source, const std::string &options = "") {
    write(name + ".as", source);
    int status = quelm(options + " -o" + name + ".obj " + name + ".as");
    EXPECT_EQ(status, 0) << errors();
    if (status != 0) return "";
    std::string text;
    EXPECT_TRUE(objdump_path(path(name + ".obj").c_str(), &text)) << text;
    return text;
  }
};
