// Small object files for the converters' tests, written through the record
// writer.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "linker/io.h"
#include "tests/support/test_support.h"

using bytes = std::vector<uint8_t>;

// n bytes counting up from first.
inline bytes seq_bytes(size_t n, uint8_t first = 0) {
  bytes b(n);
  for (size_t i = 0; i < n; i++) b[i] = (uint8_t)(first + i);
  return b;
}

// Builds a module record by record in one target byte order.
struct obj_fixture {
  io_maps maps = io_little_endian;
  bytes data;

  // Appends one record as the record writer frames it.
  void record(uint8_t kind, const io_builder &b) {
    char *buffer = nullptr;
    size_t size = 0;
    FILE *f = open_memstream(&buffer, &size);
    io_writer w;
    io_writer_init(&w, f, "fixture");
    EXPECT_EQ(write_record(&w, kind, b.length, b.data), 1);
    fclose(f);
    data.insert(data.end(), buffer, buffer + size);
    free(buffer);
  }
  io_builder begin() {
    io_builder b;
    io_builder_init(&b, &maps);
    return b;
  }
  obj_fixture &ident(const io_maps &m = io_little_endian, const char *machine = "18F452") {
    maps = m;
    io_builder b = begin();
    io_add_bytes(&b, m.m32, 4);
    io_add_bytes(&b, m.m16, 2);
    io_add_string(&b, machine);
    record(IO_IDENT, b);
    return *this;
  }
  obj_fixture &text(uint32_t address, const bytes &code, const char *psect = "text") {
    io_builder b = begin();
    io_add_u32(&b, address);
    io_add_string(&b, psect);
    io_add_bytes(&b, code.data(), (uint32_t)code.size());
    record(IO_TEXT, b);
    return *this;
  }
  struct sym_entry {
    uint32_t value;
    uint32_t flags;
    const char *psect;
    const char *name;
  };
  obj_fixture &syms(const std::vector<sym_entry> &entries) {
    io_builder b = begin();
    for (const sym_entry &e : entries) {
      io_add_u32(&b, e.value);
      io_add_u16(&b, e.flags);
      io_add_string(&b, e.psect);
      io_add_string(&b, e.name);
    }
    record(IO_SYM, b);
    return *this;
  }
  struct reloc_entry {
    uint32_t offset;  // within the last TEXT record's data
    uint8_t type;
    const char *name;
  };
  obj_fixture &relocs(const std::vector<reloc_entry> &entries) {
    io_builder b = begin();
    for (const reloc_entry &e : entries) {
      io_add_u16(&b, e.offset);
      io_add_u8(&b, e.type);
      io_add_string(&b, e.name);
    }
    record(IO_RELOC, b);
    return *this;
  }
  obj_fixture &segment(uint32_t length, uint32_t address, uint32_t selector, const char *name) {
    io_builder b = begin();
    io_add_u32(&b, length);
    io_add_u32(&b, address);
    io_add_u16(&b, selector);
    io_add_u16(&b, 0);
    io_add_u32(&b, address);
    io_add_string(&b, name);
    record(IO_SEGMENT, b);
    return *this;
  }
  obj_fixture &start(uint32_t value, const char *psect = "text") {
    io_builder b = begin();
    io_add_u32(&b, value);
    io_add_string(&b, psect);
    record(IO_START, b);
    return *this;
  }
  obj_fixture &end() {
    io_builder b = begin();
    io_add_u16(&b, 0);
    record(IO_END, b);
    return *this;
  }
};
