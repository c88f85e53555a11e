#include "linker/tests/objdump.h"

#include <strings.h>

#include <cstdarg>
#include <cstring>
#include <vector>

#include "linker/io.h"
#include "linker/lib.h"

namespace {

void add(std::string *out, const char *format, ...) __attribute__((format(printf, 2, 3)));

void add(std::string *out, const char *format, ...) {
  char buf[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  *out += buf;
}

// A bounds-checked cursor over one body; every read past the end marks it bad.
struct cursor {
  const uint8_t *body;
  uint32_t length;
  uint32_t pos;
  const io_maps *maps;
  bool bad;
};

uint32_t take_fixed(cursor *c, uint32_t size) {
  if (c->bad || c->pos > c->length || c->length - c->pos < size) {
    c->bad = true;
    return 0;
  }
  const uint8_t *p = c->body + c->pos;
  c->pos += size;
  switch (size) {
    case 1: return p[0];
    case 2: return io_get16(c->maps, p);
    case 3: return io_get24(c->maps, p);
    default: return io_get32(c->maps, p);
  }
}

std::string take_string(cursor *c) {
  if (c->bad) return "";
  long next = io_skip_string(c->body, c->length, c->pos);
  if (next < 0) {
    c->bad = true;
    return "";
  }
  std::string s((const char *)c->body + c->pos);
  c->pos = (uint32_t)next;
  return s;
}

// Takes a string when one is left, else gives "".
std::string take_optional_string(cursor *c) {
  return c->pos < c->length ? take_string(c) : "";
}

std::string quoted(const uint8_t *bytes, uint32_t n) {
  std::string s = "\"";
  for (uint32_t i = 0; i < n; i++) {
    uint8_t b = bytes[i];
    if (b == '"' || b == '\\') {
      s += '\\';
      s += (char)b;
    } else if (b >= 32 && b < 127) {
      s += (char)b;
    } else {
      char esc[8];
      snprintf(esc, sizeof esc, "\\x%02X", b);
      s += esc;
    }
  }
  return s + "\"";
}

std::string expr_text(cursor *c) {
  std::string s;
  while (!c->bad) {
    uint8_t op = (uint8_t)take_fixed(c, 1);
    if (c->bad) break;
    const char *name = io_expr_op_name(op);
    if (!name) {
      c->bad = true;
      break;
    }
    if (op == IO_OP_END) return s.empty() ? "end" : s;
    if (!s.empty()) s += ' ';
    s += name;
    switch (io_expr_operand(op)) {
      case IO_OPND_U32: {
        char num[16];
        snprintf(num, sizeof num, ":0x%X", take_fixed(c, 4));
        s += num;
        break;
      }
      case IO_OPND_NAME:
        s += ':' + take_string(c);
        break;
      default:
        break;
    }
  }
  return s;
}

void dump_entries(uint8_t kind, cursor *c, std::string *out) {
  const char *kname = io_kind_name(kind);
  while (!c->bad && c->pos < c->length) {
    switch (kind) {
      case IO_RELOC: {
        uint32_t offset = take_fixed(c, 2);
        uint32_t type = take_fixed(c, 1);
        std::string target = io_reloc_has_expr((uint8_t)type) ? "expr " + expr_text(c)
                                                                : "name " + take_string(c);
        if (!c->bad) add(out, "RELOC 0x%X type 0x%02X %s\n", offset, type, target.c_str());
        break;
      }
      case IO_SYM:
      case IO_XSYM: {
        uint32_t value = take_fixed(c, 4);
        uint32_t flags = take_fixed(c, 2);
        uint32_t selector = kind == IO_XSYM ? take_fixed(c, 2) : 0;
        std::string psect = take_string(c);
        std::string name = take_string(c);
        if (c->bad) break;
        add(out, "%s %s value 0x%X kind %u%s psect %s", kname, name.c_str(), value,
            flags & IO_SYM_KIND_MASK, flags & IO_SYM_GLOBAL ? " global" : "",
            psect.empty() ? "-" : psect.c_str());
        if (flags & ~(uint32_t)(IO_SYM_KIND_MASK | IO_SYM_GLOBAL)) add(out, " flags 0x%X", flags);
        if (kind == IO_XSYM) add(out, " selector 0x%X", selector);
        *out += '\n';
        break;
      }
      case IO_SIGNAT: {
        uint32_t signature = take_fixed(c, 2);
        std::string name = take_string(c);
        if (!c->bad) add(out, "SIGNAT %s 0x%X\n", name.c_str(), signature);
        break;
      }
      case IO_ABSRANGE: {
        uint32_t space = take_fixed(c, 1);
        uint32_t address = take_fixed(c, 4);
        uint32_t length = take_fixed(c, 4);
        if (!c->bad) add(out, "ABSRANGE space %u address 0x%X length 0x%X\n", space, address, length);
        break;
      }
      case IO_FNINFO: {
        uint32_t code = take_fixed(c, 1);
        std::string line;
        switch (code) {
          case IO_FN_CALL:
          case IO_FN_ARGCALL:
          case IO_FN_ROOTOF: {
            std::string a = take_string(c);
            std::string b = take_string(c);
            const char *word = code == IO_FN_CALL ? "call" : code == IO_FN_ARGCALL ? "argcall" : "rootof";
            line = std::string(word) + " " + a + " " + b;
            break;
          }
          case IO_FN_INDIRECT:
          case IO_FN_ARGINDIRECT: {
            std::string a = take_string(c);
            uint32_t group = take_fixed(c, 2);
            line = std::string(code == IO_FN_INDIRECT ? "indirect " : "argindirect ") + a + " " +
                   std::to_string(group);
            break;
          }
          case IO_FN_MEMBER:
            line = "member " + take_string(c);
            break;
          case IO_FN_ROOT:
            line = "root " + take_string(c);
            break;
          case IO_FN_SIZE: {
            std::string a = take_string(c);
            uint32_t autos = take_fixed(c, 4);
            uint32_t args = take_fixed(c, 4);
            line = "size " + a + " " + std::to_string(autos) + " " + std::to_string(args);
            break;
          }
          case IO_FN_GROUPCALL: {
            c->pos -= 1;  // the first group number begins with the code byte
            uint32_t first = take_fixed(c, 2);
            uint32_t second = take_fixed(c, 2);
            line = "groupcall " + std::to_string(first) + " " + std::to_string(second);
            break;
          }
          default:
            c->bad = true;
        }
        if (!c->bad) add(out, "FNINFO %s\n", line.c_str());
        break;
      }
    }
  }
}

}  // namespace

void objdump_record(uint8_t kind, const uint8_t *body, uint32_t length, io_maps *maps,
                    std::string *out) {
  cursor c = {body, length, 0, maps, false};
  const char *kname = io_kind_name(kind);
  switch (kind) {
    case IO_TEXT: {
      uint32_t offset = take_fixed(&c, 4);
      std::string psect = take_string(&c);
      if (c.bad) break;
      add(out, "TEXT %s offset 0x%X bytes %u", psect.c_str(), offset, length - c.pos);
      for (uint32_t i = c.pos; i < length; i++) add(out, " %02X", body[i]);
      *out += '\n';
      return;
    }
    case IO_PSECT: {
      uint32_t flags = take_fixed(&c, 2);
      std::string name = take_string(&c);
      if (!c.bad) add(out, "PSECT %s flags 0x%X\n", name.c_str(), flags);
      break;
    }
    case IO_RELOC:
    case IO_SYM:
    case IO_XSYM:
    case IO_SIGNAT:
    case IO_FNINFO:
    case IO_ABSRANGE:
      if (length == 0) add(out, "%s empty\n", kname);
      dump_entries(kind, &c, out);
      break;
    case IO_START:
    case IO_SEGSTART: {
      uint32_t offset = take_fixed(&c, 4);
      std::string psect = take_string(&c);
      if (!c.bad) add(out, "%s %s offset 0x%X\n", kname, psect.empty() ? "-" : psect.c_str(), offset);
      break;
    }
    case IO_END:
      add(out, "END bytes %u\n", length);
      return;
    case IO_IDENT: {
      io_ident ident;
      if (!io_ident_parse(body, length, &ident)) {
        c.bad = true;
        break;
      }
      *maps = ident.maps;
      add(out, "IDENT maps %u,%u,%u,%u %u,%u machine %s version %u.%u\n", ident.maps.m32[0],
          ident.maps.m32[1], ident.maps.m32[2], ident.maps.m32[3], ident.maps.m16[0],
          ident.maps.m16[1], ident.machine, ident.major, ident.minor);
      return;
    }
    case IO_XPSECT: {
      uint32_t max = take_fixed(&c, 4);
      uint32_t boundary = take_fixed(&c, 2);
      uint32_t selector = take_fixed(&c, 2);
      uint32_t space = take_fixed(&c, 1);
      uint32_t delta = take_fixed(&c, 1);
      uint32_t spare = take_fixed(&c, 1);
      uint32_t attr = take_fixed(&c, 1);
      std::string name = take_string(&c);
      std::string cls = take_optional_string(&c);
      std::string within = take_optional_string(&c);
      if (c.bad) break;
      add(out, "XPSECT %s max 0x%X boundary 0x%X selector 0x%X space %u delta %u spare %u attr %u",
          name.c_str(), max, boundary, selector, space, delta, spare, attr);
      if (!cls.empty()) add(out, " class %s", cls.c_str());
      if (!within.empty()) add(out, " within %s", within.c_str());
      *out += '\n';
      break;
    }
    case IO_SEGMENT: {
      uint32_t len = take_fixed(&c, 4);
      uint32_t load = take_fixed(&c, 4);
      uint32_t selector = take_fixed(&c, 2);
      uint32_t zero = take_fixed(&c, 2);
      uint32_t link = take_fixed(&c, 4);
      std::string name = take_string(&c);
      if (!c.bad)
        add(out, "SEGMENT %s length 0x%X load 0x%X selector 0x%X zero %u link 0x%X\n", name.c_str(),
            len, load, selector, zero, link);
      break;
    }
    case IO_FNCONF: {
      std::string psect = take_string(&c);
      std::string autos = take_string(&c);
      std::string args = take_string(&c);
      if (c.bad) break;
      add(out, "FNCONF %s auto %s arg %s", psect.c_str(), autos.c_str(), args.c_str());
      if (c.pos < length) add(out, " depth %u", take_fixed(&c, 2));
      if (c.bad) break;
      *out += '\n';
      break;
    }
    case IO_PSECTLIM: {
      uint32_t limit = take_fixed(&c, 4);
      c.pos = 16;
      std::string name = take_string(&c);
      if (!c.bad) add(out, "PSECTLIM %s limit 0x%X\n", name.c_str(), limit);
      break;
    }
    case IO_LISTRELOC: {
      std::string rel = take_string(&c);
      std::string final_name = take_string(&c);
      if (!c.bad) add(out, "LISTRELOC %s %s\n", rel.c_str(), final_name.c_str());
      break;
    }
    case IO_LISTTEXT:
      add(out, "LISTTEXT %s\n", quoted(body, length).c_str());
      return;
    case IO_LISTFIELD: {
      uint32_t value = take_fixed(&c, 4);
      uint32_t offset = take_fixed(&c, 1);
      uint32_t type = take_fixed(&c, 1);
      uint32_t digits = take_fixed(&c, 1);
      std::string e = expr_text(&c);
      if (!c.bad)
        add(out, "LISTFIELD value 0x%X offset %u type 0x%02X digits %u expr %s\n", value, offset,
            type, digits, e.c_str());
      break;
    }
    case IO_CONDEXPR: {
      std::string e = expr_text(&c);
      if (!c.bad) add(out, "CONDEXPR expr %s\n", e.c_str());
      break;
    }
    case IO_SPACELIM: {
      uint32_t space = take_fixed(&c, 1);
      uint32_t limit = take_fixed(&c, 4);
      if (!c.bad) add(out, "SPACELIM space %u limit 0x%X\n", space, limit);
      break;
    }
    case IO_FNGROUP: {
      uint32_t group = take_fixed(&c, 2);
      std::string line = "FNGROUP " + std::to_string(group);
      while (!c.bad && c.pos < length) line += " " + take_string(&c);
      if (!c.bad) add(out, "%s\n", line.c_str());
      break;
    }
    case IO_PSECTBOUND: {
      uint32_t name_at = take_fixed(&c, 1);
      uint32_t flags = take_fixed(&c, 2);
      uint32_t low = take_fixed(&c, 4);
      uint32_t high = take_fixed(&c, 4);
      if (c.bad || name_at < c.pos) {
        c.bad = true;
        break;
      }
      c.pos = name_at;
      std::string name = take_string(&c);
      std::string cls = take_optional_string(&c);
      if (c.bad) break;
      add(out, "PSECTBOUND %s flags 0x%X low 0x%X high 0x%X", name.c_str(), flags, low, high);
      if (!cls.empty()) add(out, " class %s", cls.c_str());
      *out += '\n';
      break;
    }
    default:
      c.bad = true;
  }
  if (c.bad) add(out, "%s malformed (%u bytes)\n", kname ? kname : "?", length);
}

bool objdump_records(FILE *fp, std::string *out) {
  io_maps maps = io_little_endian;
  uint8_t body[IO_BUFFER_SIZE];
  for (;;) {
    uint8_t header[IO_HEADER_SIZE];
    size_t got = fread(header, 1, IO_HEADER_SIZE, fp);
    if (got == 0) return true;
    if (got < IO_HEADER_SIZE) {
      add(out, "truncated header (%zu bytes)\n", got);
      return false;
    }
    uint32_t length = header[0] | (uint32_t)header[1] << 8;
    uint8_t kind = header[2];
    if (!io_kind_name(kind)) {
      add(out, "unknown record kind %u\n", kind);
      return false;
    }
    if (length > IO_BUFFER_SIZE) {
      add(out, "%s body of %u bytes is too long\n", io_kind_name(kind), length);
      return false;
    }
    if (fread(body, 1, length, fp) != length) {
      add(out, "%s body truncated\n", io_kind_name(kind));
      return false;
    }
    objdump_record(kind, body, length, &maps, out);
  }
}

bool objdump_library(FILE *fp, bool pcode, std::string *out) {
  lib_directory dir;
  int status = lib_read_directory(fp, &dir);
  if (status == LIB_OK) status = lib_read_contents(fp, &dir);
  if (status != LIB_OK) {
    add(out, "library: %s\n", lib_status_text(status));
    return false;
  }
  add(out, "LIBRARY directory %u modules %zu\n", dir.size, dir.modules.size());
  bool ok = true;
  for (lib_module &m : dir.modules) {
    add(out, "MODULE %s length %u spare %u\n", m.name.c_str(), m.length, m.spare);
    for (const lib_symbol &s : m.symbols)
      add(out, "  %s %s\n", s.flag == LIB_FLAG_DEFINES ? "defines" : "refers", s.name.c_str());
    if (pcode) {
      lib_pcode_scramble(m.contents.data(), m.contents.size());
      out->append((const char *)m.contents.data(), m.contents.size());
      continue;
    }
    FILE *mem = fmemopen(m.contents.data(), m.contents.size(), "rb");
    if (!mem) continue;
    ok = objdump_records(mem, out) && ok;
    fclose(mem);
  }
  return ok;
}

bool objdump_path(const char *path, std::string *out) {
  FILE *fp = fopen(path, "rb");
  if (!fp) {
    add(out, "cannot open %s\n", path);
    return false;
  }
  size_t n = strlen(path);
  bool ok;
  if (n >= 4 && strcasecmp(path + n - 4, ".lib") == 0)
    ok = objdump_library(fp, false, out);
  else if (n >= 4 && strcasecmp(path + n - 4, ".lpp") == 0)
    ok = objdump_library(fp, true, out);
  else
    ok = objdump_records(fp, out);
  fclose(fp);
  return ok;
}
