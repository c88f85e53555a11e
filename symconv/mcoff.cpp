#include "symconv/mcoff.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/coffcore.h"
#include "symconv/encdec.h"
#include "symconv/machine.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

enum {
  FILE_HEADER = 20,
  OPT_HEADER = 18,
  LINE_ENTRY = 16,
  // The first two bytes of the file, 0x1240 little-endian.
  COFF_MAGIC_BYTES = 0x4012,
  // The optional-header magic that gputils' readers accept.
  OPT_MAGIC = 0x5678,
  OWN_MAGIC_LOW = 5000,
  OWN_MAGIC_HIGH = 5999,
  OPT_VERSION = 96303,
  FILE_EXECUTABLE = 2,
  MAX_SECTIONS = 1000,
  ABS_SECTION = 1,
};

enum {
  MSG_NO_CLASSES = 599,
  MSG_BAD_PROCESSOR = 600,
  MSG_BAD_VERSION = 638,
  MSG_NO_WIDTH = 639,
  MSG_HEADER_SIZE = 1036,
  MSG_NO_OPT_HEADER = 1043,
};

const uint8_t base_sizes[] = {0, 0, 1, 2, 2, 4, 3, 4, 0, 0, 0, 0, 1, 2, 2, 4, 8, 3, 3};

// Base types: 2 char, 4 int, 17 slong, 5 long; 12 uchar, 14 uint, 18
// uslong, 15 ulong; enumerations as int, long or char.
const coff_flavour pic_flavour = {
    true, 20, LINE_ENTRY, 5, base_sizes, sizeof base_sizes, 2, {0, 2, 4, 17, 5}, {0, 12, 14, 18, 15}, 4, 5, 2,
    0, 0, true,
};

struct coff_function {
  const sdb_record *scope;
  uint32_t symbol_index;
  std::vector<const model_line *> lines;
};

struct bit_variable {
  std::string name;
};

// What only the PIC COFF writer keeps; the layout's state is coff_out.
struct pic_writer {
  std::vector<coff_function> functions;
  std::map<uint32_t, bit_variable> bits;
  std::string open_file;
  uint32_t processor_id = 0, rom_width = 8, ram_width = 8;
};

pic_writer *writer;

std::string entry_name(const char *name) {
  if (!name) return "";
  if (settings.strip_underscore && name[0] == '_') return name + 1;
  return name;
}

// An address in no section lies in "ABS".
int section_of(uint32_t address, uint32_t segment) {
  int s = coff_section_of(address, segment);
  return s ? s : ABS_SECTION;
}

bool processor_settings() {
  if (!settings.class_count) msg(MSG_NO_CLASSES);
  const char *name = settings.processor ? settings.processor : "";
  if (!*name) {
    msg(MSG_BAD_PROCESSOR, name);
    return false;
  }
  writer->processor_id = 0;
  if (settings.extra_count >= 1 && *settings.extra_names[0]) {
    char *end = nullptr;
    unsigned long id = strtoul(settings.extra_names[0], &end, 16);
    if (*end || !isxdigit(uint8_t(settings.extra_names[0][0]))) {
      msg(MSG_BAD_PROCESSOR, settings.extra_names[0]);
      return false;
    }
    writer->processor_id = uint32_t(id);
  }
  coff_out->code_unit = coff_out->data_unit = 1;
  writer->ram_width = writer->rom_width = 8;
  const char *family = settings.extra_count >= 2 ? settings.extra_names[1] : nullptr;
  if (family && strlen(family) > 4 && !strncmp(family, "PIC", 3)) {
    int number = atoi(family + 3);
    if (number == 12 || number == 14 || number == 16) {
      writer->rom_width = uint32_t(number);
      coff_out->code_unit = 2;
    } else if (number != 18) {
      msg(MSG_BAD_PROCESSOR, family);
      return false;
    }
  } else if (name[0] && name[1] != '8') {
    coff_out->code_unit = 2;
    writer->rom_width = 0;
  }
  return true;
}


// ---- the debug tree ----

void coff_mark_written(const char *name) {
  if (model_symbol *s = name ? model_find_symbol(name) : nullptr) s->flags |= COFF_SYM_WRITTEN;
}

const char *symbol_name(const sdb_record *var) {
  return var->kind == SDB_STATIC && var->label ? var->label : var->name;
}

// Symbol entry of a variable; its index, or -1 when none was written.
long variable_entry(sdb_record *var, sdb_record *scope, bool local) {
  uint32_t address = 0, segment = 0;
  if (!mach_resolve(var, scope, &address, &segment)) return -1;
  if (!local && type_is_bit(var->type)) {
    auto &slot = writer->bits[address];
    std::string name = entry_name(var->name);
    if (slot.name.empty())
      slot.name = name;
    else if (slot.name != name && slot.name.find(name + "/") != 0)
      slot.name = name + "/" + slot.name;
    coff_mark_written(symbol_name(var));
    return -1;
  }
  coff_emit_tags(var->type);
  coff_type t = coff_type_of(var->type);
  coff_patch_pending();
  coff_mark_written(symbol_name(var));
  if (!local && coff_outer(t.word) == COFF_DT_ARY && t.aux.size == 0) return -1;
  int cls = COFF_C_STAT;
  if (local)
    cls = var->kind == SDB_REG ? COFF_C_REG : COFF_C_STAT;
  else if (var->kind == SDB_EXTERN)
    cls = var->size_flags || type_is_function(var->type) ? COFF_C_EXT : COFF_C_EXTDEF;
  uint32_t index = coff_add_entry(entry_name(var->name), address, section_of(address, segment), t.word, cls,
                             t.aux.present ? 1 : 0);
  if (t.aux.present) {
    coff_add_type_aux(t.aux);
    coff_patch_pending();
  }
  return long(index);
}

void walk(sdb_record *scope, const uint32_t *function_address, int function_section);

void block_pair(sdb_record *block, const uint32_t *function_address, int section) {
  uint32_t value = function_address ? *function_address : 0;
  int at = function_address ? section : 0;
  uint32_t begin = coff_add_block_entry(".bb", value, at, COFF_C_BLOCK, block->first_line);
  walk(block, function_address, section);
  uint32_t end = coff_add_block_entry(".eb", value, at, COFF_C_BLOCK, block->last_line);
  put32(coff_entry(begin) + 12, end);
}

void function_group(sdb_record *func) {
  sdb_record *var = func->function;
  if (!var) return;
  uint32_t address = 0, segment = 0;
  if (!mach_resolve(var, func->parent, &address, &segment)) return;
  long index = variable_entry(var, func->parent, false);
  if (index < 0) return;
  int section = section_of(address, segment);
  uint32_t bf = coff_add_block_entry(".bf", address, section, COFF_C_FCN, func->first_line);
  for (uint32_t k = 0; k < vec_size(func->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(func->items, k));
    if (item->kind == SDB_PARAM) variable_entry(item, func, true);
  }
  block_pair(func, &address, section);
  uint32_t end_value = address;
  std::string end_name = std::string("__end_of") + var->name;
  if (model_symbol *end = model_find_symbol(end_name.c_str())) end_value = end->value - 1;
  uint32_t ef = coff_add_block_entry(".ef", end_value, section, COFF_C_FCN, func->last_line);
  put32(coff_entry(bf) + 12, ef);
  writer->functions.push_back({func, uint32_t(index), {}});
}

std::string file_text(const char *name) {
  char *mapped = path_remap(name);
  std::string text = mapped;
  xfree(mapped);
  return text;
}

// A .file entry and its name; the file's entry index is kept with the
// model file for its lines.
void file_entry(const char *name) {
  uint32_t index = coff_add_entry(".file", 0, COFF_SECTION_DEBUG, 0, COFF_C_FILE, 1);
  put32(coff_entry(coff_add_aux()), coff_string(file_text(name)));
  if (model_file *f = model_find_file(name)) f->coff_file_index = index;
}

void open_source(const char *name) {
  if (!writer->open_file.empty()) {
    size_t n = coff_out->entries.size();
    if (n >= 2 && coff_out->entries[n - 2][18] == COFF_C_FILE) {
      if (model_file *f = model_find_file(writer->open_file.c_str()))
        if (f->coff_file_index == n - 2) f->coff_file_index = 0;
      coff_out->entries.resize(n - 2);
    } else {
      coff_add_entry(".eof", 0, COFF_SECTION_DEBUG, 0, COFF_C_EOF, 0);
    }
  }
  writer->open_file = name ? name : "";
  file_entry(writer->open_file.c_str());
}

void walk(sdb_record *scope, const uint32_t *function_address, int function_section) {
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    switch (item->kind) {
      case SDB_EXTERN:
      case SDB_STATIC:
        if (!type_is_function(item->type)) variable_entry(item, scope, false);
        break;
      case SDB_AUTO:
      case SDB_REG:
        variable_entry(item, scope, true);
        break;
      case SDB_BLOCK:
        block_pair(item, function_address, function_section);
        break;
      case SDB_FUNC:
        function_group(item);
        break;
      case SDB_FILENAME:
        open_source(item->name);
        break;
      default:
        break;
    }
  }
}

// ---- bit variables ----

void emit_bits() {
  const uint32_t per_group = 8 * coff_out->data_unit;
  bool open = false;
  uint32_t group = 0, groups = 0, next_free = 0, tag = 0;
  auto close = [&] {
    coff_add_entry(".eos", 0, -1, 0, COFF_C_EOS, 1);
    uint32_t eos_aux = coff_add_aux();
    put32(coff_entry(eos_aux), tag);
    put16(coff_entry(eos_aux) + 6, uint16_t(coff_out->data_unit));
    put32(coff_entry(tag + 1) + 12, eos_aux);
    uint32_t byte = group;
    const char *prefix = settings.strip_underscore ? "" : "_";
    std::string name;
    if (model_symbol *s = model_symbol_at(byte))
      name = std::string(prefix) + s->name + "bits";
    else
      name = std::string(prefix) + "bitvars" + std::to_string(groups);
    coff_add_entry(name, byte, 1, COFF_T_STRUCT, COFF_C_EXT, 1);
    uint32_t aux = coff_add_aux();
    put32(coff_entry(aux), tag);
    put16(coff_entry(aux) + 6, uint16_t(coff_out->data_unit));
  };
  for (const auto &[bit, var] : writer->bits) {
    uint32_t this_group = bit / per_group;
    if (!open || this_group != group) {
      if (open) close();
      open = true;
      group = this_group;
      groups++;
      next_free = 0;
      tag = coff_add_entry(".u" + std::to_string(coff_out->tag_counter++), 0, COFF_SECTION_DEBUG, 0, COFF_C_STRTAG, 1);
      put16(coff_entry(coff_add_aux()) + 6, uint16_t(coff_out->data_unit));
    }
    uint32_t position = bit % per_group;
    if (position > next_free) {
      coff_add_entry("-", next_free, COFF_SECTION_DEBUG, COFF_T_UCHAR, COFF_C_FIELD, 1);
      put16(coff_entry(coff_add_aux()) + 6, uint16_t(position - next_free));
    }
    coff_add_entry(var.name, position, COFF_SECTION_DEBUG, COFF_T_UCHAR, COFF_C_FIELD, 1);
    put16(coff_entry(coff_add_aux()) + 6, 1);
    next_free = position + 1;
  }
  if (open) close();
}

// ---- lines ----

bool is_assembly(const char *name) {
  size_t n = strlen(name);
  return n >= 3 && !strcasecmp(name + n - 3, ".as");
}

void gather_function_lines() {
  for (coff_function &f : writer->functions) {
    const sdb_record *scope = f.scope;
    if (!scope->first_line || !scope->source) continue;
    int last = scope->last_line ? scope->last_line : scope->first_line;
    uint32_t segment = scope->function ? scope->function->segment : 0;
    for (uint32_t k = 0; k < vec_size(model.files); k++) {
      const model_file *file = model_file_at(k + 1);
      if (strcmp(file->name, scope->source)) continue;
      for (uint32_t j = 0; j < vec_size(model.lines); j++) {
        const model_line *l = model_line_nth(j);
        if (l->file == file->index && l->segment == segment && int(l->line) >= scope->first_line &&
            int(l->line) <= last)
          f.lines.push_back(l);
      }
    }
  }
}

void put_lines(std::vector<uint8_t> &out, const model_line *l, bool last_of_function, uint32_t function_index,
               uint32_t *count) {
  const machine_desc *m = model.machine;
  if (!m) return;
  uint32_t step = m->step ? m->step : 1;
  uint32_t end = last_of_function ? l->start + (m->span ? m->span : 1) - 1 : std::max(l->end, l->start);
  const model_file *file = model_file_at(l->file);
  for (uint64_t a = l->start; a <= end; a += step) {
    uint8_t e[LINE_ENTRY] = {};
    put32(e, file ? file->coff_file_index : 0);
    put16(e + 4, l->line);
    put32(e + 6, uint32_t(a));
    put32(e + 12, function_index);
    out.insert(out.end(), e, e + LINE_ENTRY);
    ++*count;
  }
}

void write_lines(std::vector<uint8_t> &out) {
  for (uint32_t s = coff_out->first_block_section; s <= coff_out->sections.size(); s++) {
    coff_section &section = coff_out->sections[s - 1];
    section.line_offset = uint32_t(out.size());
    uint32_t count = 0;
    // A function's lines may lie in several psects (an interrupt's entry
    // in its vector's): each goes in the section that holds it.
    for (const coff_function &f : writer->functions)
      for (size_t k = 0; k < f.lines.size(); k++)
        if (uint32_t(section_of(f.lines[k]->start, f.lines[k]->segment)) == s)
          put_lines(out, f.lines[k], k + 1 == f.lines.size(), f.symbol_index, &count);
    for (uint32_t k = 0; k < vec_size(model.files); k++) {
      const model_file *file = model_file_at(k + 1);
      if (!is_assembly(file->name)) continue;
      for (uint32_t j = 0; j < file->line_count; j++) {
        const model_line *l = file->lines[j];
        if (l->start && uint32_t(section_of(l->start, l->segment)) == s) put_lines(out, l, false, 0, &count);
      }
    }
    section.line_count = count;
    if (!count) section.line_offset = 0;
  }
}

void free_writer() {
  coff_writer_close();
  delete writer;
  writer = nullptr;
}

}  // namespace

bool mcoff_write(FILE *out, const char *name) {
  byte_order = 0;
  free_writer();
  coff_writer_open(&pic_flavour);
  writer = new pic_writer;
  if (!processor_settings()) {
    free_writer();
    return false;
  }
  coff_make_sections(true);
  std::vector<uint8_t> image = coff_image_start(OPT_HEADER);
  if (model.sdb_root)
    for (uint32_t k = 0; k < vec_size(model.sdb_root->items); k++) {
      sdb_record *module = static_cast<sdb_record *>(vec_get(model.sdb_root->items, k));
      if (module->kind == SDB_MODULE) walk(module, nullptr, 0);
    }
  emit_bits();
  if (!writer->open_file.empty()) coff_add_entry(".eof", 0, COFF_SECTION_DEBUG, 0, COFF_C_EOF, 0);
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    for (uint32_t j = 0; j < file->symbol_count; j++) {
      const model_symbol *s = file->symbols[j];
      if (!s || (s->flags & (uint32_t(MSYM_LOCAL) | COFF_SYM_WRITTEN))) continue;
      // A defined label in no section would read as undefined.
      int section = (s->flags & MSYM_ABSOLUTE) || !s->segment ? -1 : section_of(s->value, s->segment);
      coff_add_entry(entry_name(s->name), s->value, section, 0, COFF_C_LABEL, 0);
    }
  }
  gather_function_lines();
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    if (!file->line_count || !is_assembly(file->name)) continue;
    file_entry(file->name);
    coff_add_entry(".eof", 0, COFF_SECTION_DEBUG, 0, COFF_C_EOF, 0);
  }
  write_lines(image);
  uint8_t *p = image.data() + FILE_HEADER;
  put16(p, OPT_MAGIC);
  put32(p + 2, OPT_VERSION);
  put32(p + 6, writer->processor_id);
  put32(p + 10, writer->rom_width);
  put32(p + 14, writer->ram_width);
  coff_image_finish(out, name, &image, COFF_MAGIC_BYTES, OPT_HEADER, FILE_EXECUTABLE);
  free_writer();
  return true;
}

namespace {

struct pic_header {
  bool has_opt = false;
  uint32_t opt_magic = 0, version = 0, processor = 0, rom_width = 0, ram_width = 0;
};

// The headers and the string table; the failure reported.
bool read_headers(FILE *in, coff_image *f, pic_header *h, bool dumping) {
  byte_order = 0;
  f->flavour = &pic_flavour;
  if (!coff_read_header(in, f)) return false;
  if (f->opt_size == OPT_HEADER) {
    if (!coff_has(*f, FILE_HEADER, OPT_HEADER)) return coff_cant_read("PIC optional header");
    const uint8_t *o = f->bytes.data() + FILE_HEADER;
    h->has_opt = true;
    h->opt_magic = uint32_t(get16(o));
    h->version = uint32_t(get32(o + 2));
    h->processor = uint32_t(get32(o + 6));
    h->rom_width = uint32_t(get32(o + 10));
    h->ram_width = uint32_t(get32(o + 14));
  } else if (!dumping) {
    msg(MSG_NO_OPT_HEADER, f->opt_size);
  }
  return coff_read_strings(f);
}

uint32_t unit_of(uint32_t width) { return width ? (width + 7) / 8 : 1; }

}  // namespace

bool mcoff_identify(FILE *in) {
  uint8_t header[FILE_HEADER];
  if (fread(header, 1, FILE_HEADER, in) != FILE_HEADER) return false;
  if (header[0] != 0x40 || header[1] != 0x12) return false;
  byte_order = 0;
  return get16(header + 2) <= MAX_SECTIONS && int32_t(get32(header + 8)) >= 0 && int32_t(get32(header + 12)) >= 0;
}

bool mcoff_read(FILE *in, const char *name) {
  coff_image f;
  pic_header h;
  if (!read_headers(in, &f, &h, false)) return false;
  if (f.sections > MAX_SECTIONS) return coff_cant_read("COFF section header");
  if (!h.rom_width || !h.ram_width) msg(MSG_NO_WIDTH);
  return coff_read_model(f, name, unit_of(h.rom_width));
}

bool mcoff_dump(FILE *in) {
  coff_image f;
  pic_header h;
  if (!read_headers(in, &f, &h, true)) return false;
  printf("COFF header:\n\tMagic:\t\t0x%X\n\tSections:\t%u\n\tDated:\t\t%s\tSymptr:\t\t0x%lX\n\tNsyms:\t\t%ld\n"
         "\tOpthdr:\t\t%u\n\tFlags:\t\t0x%X",
         f.magic, f.sections, coff_date(f.time_stamp).c_str(), (unsigned long)f.symbol_offset, long(f.symbol_count),
         f.opt_size, f.flags);
  for (int bit = 0; bit <= 12; bit++)
    if (f.flags & (1u << bit)) printf(" %s", coff_file_flag_names[bit]);
  printf("\n\n");
  if (f.opt_size && f.opt_size != OPT_HEADER) {
    msg(MSG_HEADER_SIZE, "optional", f.opt_size, unsigned(OPT_HEADER));
  } else if (h.has_opt) {
    printf("Optional header:\n\tMagic:\t\t0x%X", h.opt_magic);
    if (h.opt_magic >= OWN_MAGIC_LOW && h.opt_magic <= OWN_MAGIC_HIGH) printf(" (Quenlor Software)");
    printf("\n\tVersion:\t%ld\n\tProcessor:\t0x%lX\n\tROM width:\t%lu\n\tRAM width:\t%lu\n", long(h.version),
           (unsigned long)h.processor, (unsigned long)h.rom_width, (unsigned long)h.ram_width);
    if (h.version != OPT_VERSION) msg(MSG_BAD_VERSION, (unsigned long)h.version, (unsigned long)OPT_VERSION);
  }
  return coff_dump_body(f, false);
}
