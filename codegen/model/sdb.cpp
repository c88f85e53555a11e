#include "codegen/model/sdb.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "codegen/model/progstate.h"
#include "codegen/model/regs.h"
#include "codegen/model/symbols.h"
#include "codegen/model/target_services.h"
#include "codegen/model/types.h"
#include "common/vector.h"

namespace {

constexpr size_t FILE_COMPARED = 255;
const char CLASS_LETTERS[] = "tpares";

struct sdb_state {
  FILE *file;
  std::string last_file;
  int last_line;
  bool marked;  // a line marker has been written
};
sdb_state &sd() {
  static sdb_state &state = *new sdb_state();
  return state;
}

void put(const std::string &text) {
  if (sd().file) fputs(text.c_str(), sd().file);
}

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *fmt, ...) {
  char buffer[512];
  va_list args;
  va_start(args, fmt);
  vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  return buffer;
}

symbol *member(ctype *t, uint32_t k) { return static_cast<symbol *>(vec_get(t->members, k)); }

const char *source_or_dot(const symbol *s) { return s->source_name && *s->source_name ? s->source_name : "."; }

// The basic type of a size and class, without the complaint of type_for_size.
const char *basic_name(uint32_t size, uint8_t arith) {
  vec *basics = type_basic_list();
  for (uint32_t k = 0; k < vec_size(basics); k++) {
    ctype *b = static_cast<ctype *>(vec_get(basics, k));
    if (b->size == size && b->arith == arith) return b->name;
  }
  return nullptr;
}

std::string location(symbol *s) {
  switch (s->sclass) {
    case SC_PARAM:
    case SC_AUTO:
      if (s->reg) return format("%s ]\n", register_name(s->reg));
      return format("%ld ]\n", long(int16_t(s->offset)));
    case SC_REGISTER:
      return format("%s ]\n", register_name(s->reg));
    case SC_EXTERN:
      if (s->flags & SYM_ABSOLUTE) return format("@%lu ]\n", (unsigned long)s->address);
      return "0 ]\n";
    case SC_STATIC:
      if (s->flags & SYM_ABSOLUTE) return format("@%lu ]\n", (unsigned long)s->address);
      return format("%s ]\n", s->label ? s->label : "0");
  }
  return "]\n";
}

void write_struct(symbol *tag, ctype *t) {
  unsigned number = unsigned(strtoul(tag->key + 1, nullptr, 10));
  std::string text = format("[%c S%u %s %ld ", t->is_union ? 'u' : 's', number, source_or_dot(tag), long(type_size(t)));
  for (uint32_t k = 0; k < vec_size(t->members); k++) {
    symbol *m = member(t, k);
    text += sdb_type_text(m->type);
    text += format("1 %s %ld %ld ", source_or_dot(m), long(type_size(m->type)), long(m->offset));
    if (m->bitfield) text += format(":%d:%d \n", m->bf_width, m->bf_offset);
  }
  put(text + "]\n");
}

void write_enum(symbol *tag, ctype *t) {
  std::string text = format("[e %s %s", tag->name, source_or_dot(tag));
  if (const char *base = basic_name(t->size, t->arith)) text += format(" `%s", base);
  text += "\n";
  for (uint32_t k = 0; k < vec_size(t->members); k++) {
    symbol *e = member(t, k);
    text += format("%s %ld\n", source_or_dot(e), long(int64_t(e->address)));
  }
  put(text + "]\n");
}

}  // namespace

bool sdb_open(const char *path) {
  sdb_close();
  sd().file = fopen(path, "w");
  return sd().file != nullptr;
}

bool sdb_close() {
  if (!sd().file) return true;
  bool ok = fclose(sd().file) == 0;
  sd().file = nullptr;
  return ok;
}

bool sdb_is_open() { return sd().file != nullptr; }

void sdb_write_header() {
  std::string modes = "[p ";
  for (int bit = 0; bit < MODE_BITS; bit++)
    if ((mode_word & (1u << bit)) && mode_names[bit]) modes += std::string(mode_names[bit]) + " ";
  put(modes + "]\n");
  put("[d version 1.1 ]\n");
  put("[d edition pro ]\n");
  put(format("[d chip %s ]\n", emit_processor_name()));
}

void sdb_line_marker() {
  const char *file = sym_current_file();
  int line = sym_current_line();
  if (!sd().marked || strncmp(sd().last_file.c_str(), file, FILE_COMPARED) != 0) {
    put(format("\"%d %s\n", line, file));
    sd().last_file = file;
  } else if (line != sd().last_line) {
    put(format("\"%d\n", line));
  } else {
    return;
  }
  sd().last_line = line;
  sd().marked = true;
}

std::string sdb_type_text(ctype *t) {
  std::string text = "`";
  for (; t; t = t->sub) {
    switch (t->kind) {
      case TY_POINTER: {
        text += "*";
        if (char kind = emit_pointer_kind(t->ptr_data)) text += std::string(".") + kind;
        continue;
      }
      case TY_FUNCTION:
        text += "(";
        continue;
      case TY_ARRAY:
        text += format("[%lu]", (unsigned long)t->count);
        continue;
      case TY_QUALIFIED: {
        char letters[TYPE_QUALIFIER_LETTERS + 1];
        type_qualifier_letters(t->quals, letters);
        text += letters;
        continue;
      }
    }
    text += std::string(t->name ? t->name : "") + " ";
    break;
  }
  return text;
}

void sdb_write_variable(symbol *s) {
  if (!sd().file || (s->flags & SYM_COMPILER_MADE)) return;
  bool local = s->sclass == SC_PARAM || s->sclass == SC_AUTO || s->sclass == SC_REGISTER;
  if (local && !(s->flags2 & (SYM2_REG_ALLOCATED | SYM2_REG_HELD | SYM2_IN_MEMORY))) return;
  if (!local && s->sclass != SC_EXTERN && s->sclass != SC_STATIC) return;
  s->flags |= SYM_DEBUG_WRITTEN;
  sym_set_position(s->file, s->line);
  sdb_line_marker();
  char letter = CLASS_LETTERS[s->sclass];
  if (s->sclass == SC_AUTO && (s->flags & SYM_PARAM_IN_MEMORY)) letter = 'p';
  put(format("[v %s ", sym_asm_name(s)) + sdb_type_text(s->type) +
      format(" 1 %c %ld ", letter, long(type_size(s->type))) + location(s));
}

void sdb_write_type_name(symbol *s) {
  if (!sd().file) return;
  s->flags |= SYM_DEBUG_WRITTEN;
  sym_set_position(s->file, s->line);
  sdb_line_marker();
  ctype *t = type_unqual(s->type);
  std::string count = t && t->kind == TY_ARRAY ? format(" %lda ", long(t->count)) : " 1 ";
  put(format("[v %s ", s->name) + sdb_type_text(s->type) + count + format("t %ld ]\n", long(type_size(s->type))));
}

void sdb_write_tag(symbol *tag) {
  if (!sd().file || !tag->type) return;
  tag->flags |= SYM_DEBUG_WRITTEN;
  sdb_line_marker();
  ctype *t = type_unqual(tag->type);
  if (t->kind == TY_STRUCT)
    write_struct(tag, t);
  else if (t->kind == TY_ENUM)
    write_enum(tag, t);
}

void sdb_open_function(symbol *f) {
  if (!sd().file) return;
  sdb_write_variable(f);
  put("{\n");
}

void sdb_close_function(symbol *f, int end_line, uint32_t autos_size) {
  if (!sd().file) return;
  sym_set_position(f->file, end_line);
  sdb_line_marker();
  put(format("} %d\n", int(autos_size)));
}

void sym_write_feature_list() {
  for (uint32_t k = 0; k < SYM_TABLE_BUCKETS; k++) {
    for (symbol *s = sym_bucket(k); s; s = s->hash_next) {
      if (s->level != 0 || s->kind != SK_OBJECT || s->features == 0) continue;
      unsigned long word = s->features;
      if (s->flags & SYM_NEVER_USED) word |= 0x1000000;
      printf("%s\t%lu\n", sym_asm_name(s), word);
    }
  }
}

void sdb_reset() {
  sdb_close();
  sd() = sdb_state();
}
