#include "symconv/quenlor.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "symconv/model.h"
#include "symconv/sdb.h"

enum {
  MSG_LINE_TOO_LONG = 617,
  // Far beyond any line the linker writes (paths and names included).
  LINE_ROOM = 16383,
};

namespace {

bool hex_number(const std::string &t) {
  size_t k = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
  if (k == t.size()) return false;
  for (; k < t.size(); k++)
    if (!isxdigit(uint8_t(t[k]))) return false;
  return true;
}

uint32_t hex_value(const std::string &t) { return uint32_t(strtoul(t.c_str(), nullptr, 16)); }

// Fields at single blanks, so that an empty field (a segment without a
// class) keeps the place of the ones after it.
std::vector<std::string> fields_of(const std::string &line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t blank = line.find_first_of(" \t", start);
    fields.push_back(line.substr(start, blank == std::string::npos ? std::string::npos : blank - start));
    if (blank == std::string::npos) break;
    start = blank + 1;
  }
  while (!fields.empty() && fields.back().empty()) fields.pop_back();
  return fields;
}

std::vector<std::string> tokens_of(const std::string &line) {
  std::vector<std::string> tokens;
  for (const std::string &f : fields_of(line))
    if (!f.empty()) tokens.push_back(f);
  return tokens;
}

bool names_file(const std::string &line) {
  static const char *const marks[] = {".obj", ".OBJ", ".c", ".C", ".as", ".AS"};
  for (const char *m : marks)
    if (line.find(m) != std::string::npos) return true;
  return false;
}

bool names_object(const std::string &line) {
  return line.find(".obj") != std::string::npos || line.find(".OBJ") != std::string::npos;
}

uint32_t segment_named(const std::string &name) {
  uint32_t index = model_segment_index(name.c_str());
  if (index) return index;
  return model_add_segment(name.c_str(), 0, 0, 0, vec_size(model.segments) + 1);
}

void class_bound(const std::string &name, uint32_t value) {
  std::string class_name = name.substr(3);
  model_class *c = model_find_class(class_name.c_str());
  if (!c) c = model_add_class(class_name.c_str(), 0, 0, 0, 0);
  switch (name[2]) {
    case 'L':
      c->low = value;
      break;
    case 'H':
      c->high = value;
      break;
    case 'B':
      c->base = value;
      break;
    default:
      c->init = value;
      break;
  }
}

struct reader {
  const char *input;
  uint32_t file;
  bool segments, locals;
  sdb_record *debug_module;
};

void read_entry(reader &r, const std::string &line) {
  if (!r.file) r.file = model_add_file(r.input);
  std::vector<std::string> f = fields_of(line);
  if (f.size() < 2 || f[0].empty()) return;
  const std::string &name = f[0];
  // Stack offsets (signed decimal) and registers (hex) of the linker's
  // "stk" and "reg" lines belong to no segment.
  if (!r.segments && f.size() >= 3 && (f[1] == "stk" || f[1] == "reg")) {
    uint32_t value = f[1] == "stk" ? uint32_t(strtol(f[2].c_str(), nullptr, 10)) : hex_value(f[2]);
    model_add_symbol(name.c_str(), value, 0, r.file, MSYM_ABSOLUTE | (r.locals ? uint32_t(MSYM_LOCAL) : 0u));
    return;
  }
  uint32_t value = hex_value(f[1]);
  bool third = f.size() >= 3 && hex_number(f[2]);
  bool absolute = true;
  uint32_t segment = 0;
  if (third && f.size() >= 4 && !f[3].empty() && f[3] != "ABS") {
    segment = segment_named(f[3]);
    absolute = false;
  }
  if (r.segments) {
    uint32_t end = third ? hex_value(f[2]) : value - 1;
    uint32_t load = f.size() >= 5 && hex_number(f[4]) ? hex_value(f[4]) : value;
    model_add_segment(name.c_str(), value, end - value + 1, load, segment);
    return;
  }
  if (isdigit(uint8_t(name[0]))) {
    model_add_line(uint32_t(strtoul(name.c_str(), nullptr, 10)), value, segment, r.file, 2);
    return;
  }
  if (name.size() >= 3 && name[0] == '_' && name[1] == '_' && strchr("LHBI", name[2])) {
    class_bound(name, value);
    return;
  }
  uint32_t flags = (absolute ? uint32_t(MSYM_ABSOLUTE) : 0u) | (r.locals ? uint32_t(MSYM_LOCAL) : 0u);
  model_add_symbol(name.c_str(), value, segment, r.file, flags);
}

void assign_classes() {
  for (uint32_t k = 0; k < vec_size(model.symbols); k++) {
    model_symbol *s = model_symbol_nth(k);
    for (uint32_t c = 0; c < vec_size(model.classes); c++) {
      model_class *cls = model_class_nth(c);
      if (s->value >= cls->low && s->value <= cls->high) s->cls = cls;
    }
  }
}

void write_segment_name(FILE *out, uint32_t segment) {
  if (model_segment *s = model_segment_at(segment)) fprintf(out, " %s", s->name);
}

}  // namespace

bool symfile_identify(FILE *in) {
  std::string line;
  bool too_long;
  if (!read_text_line(in, &line, LINE_ROOM, &too_long)) return false;
  if (line == "%locals" || line == "%segments") return true;
  std::vector<std::string> t = tokens_of(line);
  return t.size() >= 3 && hex_number(t[1]) && hex_number(t[2]);
}

bool symfile_read(FILE *in, const char *name) {
  reader r = {name, 0, false, false, nullptr};
  std::string line;
  bool too_long;
  for (unsigned number = 1; read_text_line(in, &line, LINE_ROOM, &too_long); number++) {
    if (too_long) {
      msg(MSG_LINE_TOO_LONG, name, number, unsigned(LINE_ROOM));
      continue;
    }
    if (line == "%segments") {
      r.segments = true;
    } else if (line == "%locals") {
      r.segments = false;
      r.locals = true;
    } else if (names_file(line)) {
      r.file = model_add_file(line.c_str());
      if (names_object(line)) {
        r.debug_module = sdb_load(line.c_str());
      } else if (r.debug_module && r.debug_module->kind == SDB_EMPTY_MODULE) {
        sdb_record *f = sdb_new_record(SDB_FILENAME, line.c_str());
        sdb_scope_add(r.debug_module, f);
      }
    } else {
      read_entry(r, line);
    }
  }
  assign_classes();
  return true;
}

bool symfile_write(FILE *out, const char *) {
  std::vector<model_place> symbols, lines;
  model_places(&symbols, &lines);
  std::vector<model_place> all;
  size_t s = 0, l = 0;
  while (s < symbols.size() || l < lines.size()) {
    if (l < lines.size() && (s == symbols.size() || model_place_before(lines[l], symbols[s])))
      all.push_back(lines[l++]);
    else
      all.push_back(symbols[s++]);
  }
  uint32_t files_written = 0, previous_file = 0;
  for (size_t k = 0; k < all.size(); k++) {
    const model_place &r = all[k];
    if (k == 0) fputs("%locals\n", out);
    if (r.file != previous_file)
      for (; files_written < r.file && files_written < vec_size(model.files); files_written++)
        fprintf(out, "%s\n", model_file_at(files_written + 1)->name);
    previous_file = r.file;
    if (r.line) {
      fprintf(out, "%ld %lX %X", long(r.line->line), (unsigned long)r.line->start, unsigned(r.line->segment));
      write_segment_name(out, r.line->segment);
    } else if (r.symbol->flags & MSYM_ABSOLUTE) {
      fprintf(out, "%s %lX", r.symbol->name, (unsigned long)r.symbol->value);
    } else {
      fprintf(out, "%s %lX %X", r.symbol->name, (unsigned long)r.symbol->value, unsigned(r.symbol->segment));
      write_segment_name(out, r.symbol->segment);
    }
    fputc('\n', out);
  }
  return true;
}
