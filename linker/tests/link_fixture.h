// Small object modules and libraries built record by record, and a runner
// that links them with the staged jointa and collects what it wrote.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "linker/io.h"
#include "linker/lib.h"
#include "linker/tests/objdump.h"
#include "tests/support/test_support.h"

namespace fixture {

using bytes = std::vector<uint8_t>;

// Expression pieces: operators with their operands, in target order.
struct expr {
  bytes b;
  expr &op(uint8_t o) {
    b.push_back(o);
    return *this;
  }
  expr &constant(uint32_t v, const io_maps &m = io_little_endian) {
    b.push_back(IO_OP_CONST);
    uint8_t f[4];
    io_put32(&m, f, v);
    b.insert(b.end(), f, f + 4);
    return *this;
  }
  expr &named(uint8_t o, const std::string &name) {
    b.push_back(o);
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
    return *this;
  }
  bytes end() const {
    bytes r = b;
    r.push_back(IO_OP_END);
    return r;
  }
};

struct sym_entry {
  uint32_t value;
  uint16_t flags;
  std::string psect;
  std::string name;
};

struct reloc_entry {
  uint16_t offset;
  uint8_t type;
  std::string name;  // or an expression
  bytes expression;
};

// One object module, record by record.
struct module {
  io_maps maps = io_little_endian;
  bytes data;

  module &record(uint8_t kind, const bytes &body) {
    data.push_back((uint8_t)body.size());
    data.push_back((uint8_t)(body.size() >> 8));
    data.push_back(kind);
    data.insert(data.end(), body.begin(), body.end());
    return *this;
  }
  bytes u16(uint32_t v) const {
    uint8_t f[2];
    io_put16(&maps, f, v);
    return bytes(f, f + 2);
  }
  bytes u32(uint32_t v) const {
    uint8_t f[4];
    io_put32(&maps, f, v);
    return bytes(f, f + 4);
  }
  static void add(bytes &b, const bytes &more) { b.insert(b.end(), more.begin(), more.end()); }
  static void add(bytes &b, const std::string &s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
  }

  module &ident(const std::string &machine = "PIC18", int major = 3, int minor = 5) {
    bytes b(maps.m32, maps.m32 + 4);
    b.push_back(maps.m16[0]);
    b.push_back(maps.m16[1]);
    add(b, machine);
    if (major >= 0) {
      b.push_back((uint8_t)major);
      b.push_back((uint8_t)minor);
    }
    return record(IO_IDENT, b);
  }
  module &psect(const std::string &name, uint16_t flags = IO_PSECT_GLOBAL) {
    bytes b = u16(flags);
    add(b, name);
    return record(IO_PSECT, b);
  }
  module &xpsect(const std::string &name, const std::string &cls, uint32_t max = 0, uint16_t boundary = 0,
                 uint8_t space = 0, uint8_t delta = 1, const std::string &parent = "", uint16_t selector = 0,
                 uint8_t attribute = 0) {
    bytes b = u32(max);
    add(b, u16(boundary));
    add(b, u16(selector));
    b.push_back(space);
    b.push_back(delta);
    b.push_back(0);
    b.push_back(attribute);
    add(b, name);
    if (!cls.empty() || !parent.empty()) add(b, cls);
    if (!parent.empty()) add(b, parent);
    return record(IO_XPSECT, b);
  }
  module &text(const std::string &psect, uint32_t offset, const bytes &code) {
    bytes b = u32(offset);
    add(b, psect);
    add(b, code);
    return record(IO_TEXT, b);
  }
  // Entries go into as many records as their bodies need.
  module &entries(uint8_t kind, const std::vector<bytes> &items) {
    bytes b;
    for (const bytes &item : items) {
      if (!b.empty() && b.size() + item.size() > IO_MAX_BODY) {
        record(kind, b);
        b.clear();
      }
      add(b, item);
    }
    return record(kind, b);
  }
  module &reloc(const std::vector<reloc_entry> &list) {
    std::vector<bytes> items;
    for (const reloc_entry &e : list) {
      bytes b = u16(e.offset);
      b.push_back(e.type);
      if (io_reloc_has_expr(e.type))
        add(b, e.expression);
      else
        add(b, e.name);
      items.push_back(b);
    }
    return entries(IO_RELOC, items);
  }
  module &sym(const std::vector<sym_entry> &list) {
    std::vector<bytes> items;
    for (const sym_entry &e : list) {
      bytes b = u32(e.value);
      add(b, u16(e.flags));
      add(b, e.psect);
      add(b, e.name);
      items.push_back(b);
    }
    return entries(IO_SYM, items);
  }
  module &start(const std::string &psect, uint32_t offset, uint8_t kind = IO_START) {
    bytes b = u32(offset);
    add(b, psect);
    return record(kind, b);
  }
  module &condexpr(const bytes &expression) { return record(IO_CONDEXPR, expression); }
  module &signat(const std::string &name, uint16_t signature) {
    bytes b = u16(signature);
    add(b, name);
    return record(IO_SIGNAT, b);
  }
  module &fnconf(const std::string &psect, const std::string &autos, const std::string &args, int depth = -1) {
    bytes b;
    add(b, psect);
    add(b, autos);
    add(b, args);
    if (depth >= 0) add(b, u16((uint32_t)depth));
    return record(IO_FNCONF, b);
  }
  // FNINFO entries: each a code and its operands, already encoded.
  module &fninfo(const std::vector<bytes> &items) { return entries(IO_FNINFO, items); }
  bytes fn(uint8_t code, const std::string &a, const std::string &b = "") const {
    bytes e = {code};
    add(e, a);
    if (!b.empty()) add(e, b);
    return e;
  }
  bytes fn_size(const std::string &f, uint32_t autos, uint32_t args) const {
    bytes e = fn(IO_FN_SIZE, f);
    add(e, u32(autos));
    add(e, u32(args));
    return e;
  }
  module &absrange(uint8_t space, uint32_t address, uint32_t length) {
    bytes b = {space};
    add(b, u32(address));
    add(b, u32(length));
    return record(IO_ABSRANGE, b);
  }
  module &psectlim(const std::string &psect, uint32_t limit) {
    bytes b = u32(limit);
    b.resize(16);
    add(b, psect);
    return record(IO_PSECTLIM, b);
  }
  module &listreloc(const std::string &listing, const std::string &final_name) {
    bytes b;
    add(b, listing);
    add(b, final_name);
    return record(IO_LISTRELOC, b);
  }
  module &end() { return record(IO_END, u16(0)); }
};

// Globals, definitions and references in SYM entries.
inline sym_entry def(const std::string &name, const std::string &psect, uint32_t value) {
  return {value, IO_SYM_DEFINE | IO_SYM_GLOBAL, psect, name};
}
inline sym_entry ref(const std::string &name) { return {0, IO_SYM_REF | IO_SYM_GLOBAL, "", name}; }

inline bytes read_bytes(const std::string &path) {
  std::string s = read_file(path);
  return bytes(s.begin(), s.end());
}

// A library of (module name, module) pairs; the directory lists each
// module's global definitions and references.
struct lib_part {
  std::string name;
  module m;
  std::vector<std::string> defines;
  std::vector<std::string> refers;
};

inline bytes library(const std::vector<lib_part> &parts) {
  std::vector<lib_module> modules;
  for (const lib_part &p : parts) {
    lib_module lm;
    lm.name = p.name;
    for (const std::string &s : p.defines) lm.symbols.push_back({s, LIB_FLAG_DEFINES});
    for (const std::string &s : p.refers) lm.symbols.push_back({s, LIB_FLAG_REFERS});
    lm.contents = p.m.data;
    modules.push_back(lm);
  }
  char *buf = nullptr;
  size_t size = 0;
  FILE *fp = open_memstream(&buf, &size);
  lib_write(fp, modules);
  fclose(fp);
  bytes b(buf, buf + size);
  free(buf);
  return b;
}

// A scratch folder per test.
struct workdir {
  std::string path;
  workdir() {
    char templ[] = "/tmp/jointa_test_XXXXXX";
    path = mkdtemp(templ);
  }
  ~workdir() {
    std::string cmd = "rm -rf '" + path + "'";
    if (system(cmd.c_str())) {
    }
  }
  std::string operator/(const std::string &name) const { return path + "/" + name; }
  void put(const std::string &name, const module &m) const { write_file(*this / name, m.data); }
  void put(const std::string &name, const bytes &b) const { write_file(*this / name, b); }
};

// A jointa run, with the numbers of the messages it reported.
struct link_result : run_result {
  std::vector<unsigned> messages;
  bool has(unsigned number) const {
    for (unsigned n : messages)
      if (n == number) return true;
    return false;
  }
};

// Runs jointa in the folder with the arguments.
inline link_result link(const workdir &dir, const std::vector<std::string> &args) {
  std::string cmd = "'" + staged_program("jointa") + "'";
  for (const std::string &a : args) cmd += " '" + a + "'";
  link_result r{run_in(dir.path, cmd), {}};
  r.messages = message_numbers(r.err);
  return r;
}

inline std::string dump(const std::string &path) {
  std::string text;
  objdump_path(path.c_str(), &text);
  return text;
}

// The lines of a dump that begin with the prefix.
inline std::vector<std::string> lines_with(const std::string &text, const std::string &prefix) {
  std::vector<std::string> found;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(prefix, 0) == 0) found.push_back(line);
  return found;
}

}  // namespace fixture
