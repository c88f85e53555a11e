// Helpers of the end-to-end tests: a scratch folder, source files written
// into it, and the staged programs (and outside tools) run in it.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace e2e {

struct folder {
  std::string path;
  folder() {
    char templ[] = "/tmp/tovra_e2e_XXXXXX";
    path = mkdtemp(templ);
  }
  ~folder() {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str())) {
    }
  }
  folder(const folder &) = delete;
  folder &operator=(const folder &) = delete;
  std::string operator/(const std::string &name) const { return path + "/" + name; }

  void write(const std::string &name, const std::string &text) const { write_file(*this / name, text); }
  std::string read(const std::string &name) const { return read_file(*this / name); }
  bool exists(const std::string &name) const { return file_exists(*this / name); }

  // Runs a shell command line in the folder; its exit status, with standard
  // output and standard error kept in the files "out" and "err".
  int run(const std::string &command) const {
    std::string cmd = "cd '" + path + "' && (" + command + ") > out 2> err";
    int raw = system(cmd.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
};

// The staged program of that name, quoted for a command line.
inline std::string program(const std::string &name) { return "'" + staged_program(name) + "'"; }

using ::have_tool;

// The file registers of gpsim's "dump r" output, by address.
inline std::map<unsigned, unsigned> ram_dump(const std::string &text) {
  std::map<unsigned, unsigned> ram;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    unsigned row, b[16];
    if (line.find(':') != 4 ||
        sscanf(line.c_str(), "%x: %x %x %x %x %x %x %x %x %x %x %x %x %x %x %x %x", &row, &b[0], &b[1], &b[2], &b[3],
               &b[4], &b[5], &b[6], &b[7], &b[8], &b[9], &b[10], &b[11], &b[12], &b[13], &b[14], &b[15]) != 17)
      continue;
    for (unsigned i = 0; i < 16; i++) ram[row + i] = b[i];
  }
  return ram;
}

// The bytes of an Intel hex file by address.
inline std::map<uint32_t, unsigned> hex_bytes(const std::string &text) {
  std::map<uint32_t, unsigned> bytes;
  std::istringstream lines(text);
  uint32_t upper = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.size() < 11 || line[0] != ':') continue;
    auto byte_at = [&](size_t i) { return unsigned(std::stoul(line.substr(1 + 2 * i, 2), nullptr, 16)); };
    unsigned count = byte_at(0), type = byte_at(3);
    uint32_t address = byte_at(1) << 8 | byte_at(2);
    if (type == 4) upper = (byte_at(4) << 8 | byte_at(5)) << 16;
    if (type == 0)
      for (unsigned i = 0; i < count; i++) bytes[upper + address + i] = byte_at(4 + i);
  }
  return bytes;
}

// The value of a symbol in a link's symbol file (hexadecimal), or -1.
inline long symbol_value(const std::string &symbols, const std::string &name) {
  std::istringstream lines(symbols);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string first, value;
    if (fields >> first >> value && first == name) return long(std::stoul(value, nullptr, 16));
  }
  return -1;
}

// The value of a symbol that must be in the symbol file; a test failure
// (and 0) when it is not.
inline unsigned required_symbol(const std::string &symbols, const std::string &name) {
  long value = symbol_value(symbols, name);
  if (value < 0) ADD_FAILURE() << "no symbol " << name;
  return value < 0 ? 0 : unsigned(value);
}

}  // namespace e2e
