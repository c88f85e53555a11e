#include "symconv/coff.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/coffcore.h"
#include "symconv/encdec.h"
#include "symconv/model.h"
#include "symconv/sdb.h"
#include "symconv/type.h"

namespace {

enum {
  FILE_HEADER = 20,
  AOUT_HEADER = 28,
  MAX_SECTIONS = 1000,
  DSPIC_MAGIC = 0x3612,
  PIC_MAGIC = 0x3412,
  FLAGS_WRITTEN = 3,  // stripped, executable
  FP_VALUE = 15,
  MSG_NO_CLASSES = 599,
  MSG_NO_TARGET = 601,
};

// Sizes by base type 0-16: null, void, char, short, int, long, float,
// double, struct, union, enum, moe, uchar, ushort, uint, ulong, 16.
const uint8_t pic_sizes[] = {0, 0, 1, 2, 2, 4, 3, 4, 0, 0, 0, 0, 1, 2, 2, 4, 8};
const uint8_t h8_sizes[] = {0, 0, 1, 2, 2, 4, 4, 4, 0, 0, 0, 0, 1, 2, 2, 4, 8};
const uint8_t wide_sizes[] = {0, 0, 1, 2, 4, 4, 4, 8, 0, 0, 0, 0, 1, 2, 4, 4, 8};

// Integers of 1, 2 and 4 bytes: char, short, long, and their unsigned
// kinds; enumerations as short, long or char.
#define PLAIN_FLAVOUR(sizes, pointer, line)                                                                   \
  {false, 18, line, 4, sizes, sizeof sizes, pointer, {0, 2, 3, 0, 5}, {0, 12, 13, 0, 15}, 3, 5, 2, COFF_SECTION_DEBUG, \
   COFF_SECTION_ABSOLUTE, false}

const coff_flavour wide_6 = PLAIN_FLAVOUR(wide_sizes, 4, 6);
const coff_flavour h8_8 = PLAIN_FLAVOUR(h8_sizes, 2, 8);
const coff_flavour wide_8 = PLAIN_FLAVOUR(wide_sizes, 4, 8);
const coff_flavour pic_8 = PLAIN_FLAVOUR(pic_sizes, 4, 8);

struct coff_target {
  const char *name;
  uint32_t magic;  // the first two bytes, most significant first
  uint32_t flags;
  int order;  // 0 little-endian, 1 big-endian
  const coff_flavour *flavour;
  // Bytes of the data blocks per unit of the addresses in the file, which
  // are the program counter's: PIC18 counts bytes, the others words.
  uint32_t code_unit;
};

// Row 0 stands for none chosen.
const coff_target targets[] = {
    {"", 0, 0, 0, nullptr, 1},
    {"Motorola 68K", 0x0150, 0x200, 1, &wide_6, 1},
    {"Tower", 0x0198, 0x200, 1, &wide_6, 1},
    {"Hitachi H8/300", 0x8300, 0x200, 1, &h8_8, 1},
    {"Hitachi H8/300H", 0x8301, 0x200, 1, &wide_8, 1},
    {"Hitachi SH", 0x0500, 0x200, 1, &wide_8, 1},
    {"PIC30", DSPIC_MAGIC, 0x100, 0, &wide_8, 2},
    {"PIC24", DSPIC_MAGIC, 0x100, 0, &wide_8, 2},
    {"PIC12", PIC_MAGIC, 0x100, 0, &pic_8, 2},
    {"PIC14", PIC_MAGIC, 0x100, 0, &pic_8, 2},
    {"PIC16", PIC_MAGIC, 0x100, 0, &pic_8, 2},
    {"PIC18", PIC_MAGIC, 0x100, 0, &pic_8, 1},
};
constexpr int TARGET_COUNT = int(sizeof targets / sizeof targets[0]);

int chosen_target;

// The first row whose magic begins the file; 0 when none.
int target_of(const uint8_t *header) {
  uint32_t magic = uint32_t(header[0]) << 8 | header[1];
  for (int k = 1; k < TARGET_COUNT; k++)
    if (targets[k].magic == magic) return k;
  return 0;
}

// ---- writing ----

struct plain_function {
  const sdb_record *scope;
  uint32_t symbol_index;
  int section;
  uint32_t address;
  std::vector<const model_line *> lines;
};

struct plain_writer {
  const coff_target *target = nullptr;
  std::vector<plain_function> functions;
  std::map<const sdb_record *, std::pair<uint32_t, int>> written;  // a variable's entry and section
  uint32_t last_bf_aux = 0;
  bool any_bf = false;
};

plain_writer *writer;

// An address in no section is absolute.
int section_of(uint32_t address, uint32_t segment) {
  int s = coff_section_of(address, segment);
  return s ? s : COFF_SECTION_ABSOLUTE;
}

bool dspic() { return writer->target->magic == DSPIC_MAGIC; }

void variable_entry(sdb_record *var, sdb_record *scope) {
  uint32_t address = 0, segment = 0;
  if (!mach_resolve(var, scope, &address, &segment)) return;
  coff_emit_tags(var->type);
  coff_type t = coff_type_of(var->type);
  coff_patch_pending();
  coff_mark_written(var->kind == SDB_STATIC && var->label ? var->label : var->name);
  int cls = COFF_C_STAT;
  if (var->kind == SDB_EXTERN) cls = var->size_flags ? COFF_C_EXT : COFF_C_EXTDEF;
  int section = section_of(address, segment);
  uint32_t index = coff_add_entry(var->name ? var->name : "", address, section, t.word, cls, t.aux.present ? 1 : 0);
  if (t.aux.present) {
    coff_add_type_aux(t.aux);
    coff_patch_pending();
  }
  writer->written[var] = {index, section};
}

void local_entry(sdb_record *var, sdb_record *scope) {
  uint32_t address = 0, segment = 0;
  if (!mach_resolve(var, scope, &address, &segment)) return;
  coff_emit_tags(var->type);
  coff_type t = coff_type_of(var->type);
  coff_patch_pending();
  int cls = var->kind == SDB_AUTO ? COFF_C_AUTO : var->kind == SDB_PARAM ? COFF_C_ARG : COFF_C_REG;
  coff_add_entry(var->name ? var->name : "", address, COFF_SECTION_ABSOLUTE, t.word, cls, t.aux.present ? 1 : 0);
  if (t.aux.present) {
    coff_add_type_aux(t.aux);
    coff_patch_pending();
  }
}

void walk(sdb_record *scope);

// A block's end index names the entry after its .eb, as readers of the
// layout expect.
void block(sdb_record *b) {
  uint32_t begin = coff_add_block_entry(".bb", 0, COFF_SECTION_DEBUG, COFF_C_BLOCK, b->first_line);
  walk(b);
  uint32_t end = coff_add_block_entry(".eb", 0, COFF_SECTION_DEBUG, COFF_C_BLOCK, b->last_line);
  put32(coff_entry(begin) + 12, end + 1);
}

// The function's last address: that of its end line, else just before
// the first line past it (in the file's line order); one unit past its
// start when there is none.
uint32_t function_end(const sdb_record *func, uint32_t address) {
  int64_t unit = writer->target->code_unit;
  const model_file *file = func->source ? model_find_file(func->source) : nullptr;
  for (uint32_t k = 0; file && k < file->line_count; k++) {
    const model_line *l = file->lines[k];
    if (int(l->line) < func->last_line) continue;
    int64_t end = int(l->line) == func->last_line ? int64_t(l->start) : int64_t(l->start) - unit;
    if (end > 0 && end >= int64_t(address)) return uint32_t(end);
    break;
  }
  return address + uint32_t(unit);
}

void function(sdb_record *func) {
  sdb_record *var = func->function;
  uint32_t address = 0, segment = 0;
  if (!var || !mach_resolve(var, func->parent, &address, &segment)) return;
  auto found = writer->written.find(var);
  uint32_t index = found != writer->written.end() ? found->second.first : 0;
  int section = found != writer->written.end() ? found->second.second : section_of(address, segment);
  uint32_t bf_entry = uint32_t(coff_out->entries.size());
  uint32_t bf = coff_add_block_entry(".bf", address, COFF_SECTION_DEBUG, COFF_C_FCN, func->first_line);
  if (writer->any_bf) put32(coff_entry(writer->last_bf_aux) + 12, bf_entry);
  writer->last_bf_aux = bf;
  writer->any_bf = true;
  if (dspic()) coff_add_entry("___FP", FP_VALUE, COFF_SECTION_ABSOLUTE, COFF_T_INT, COFF_C_REG, 0);
  walk(func);
  coff_add_block_entry(".ef", function_end(func, address), COFF_SECTION_DEBUG, COFF_C_FCN, func->last_line);
  writer->functions.push_back({func, index, section, address, {}});
}

void file_entry(const char *name) {
  std::string text = name ? name : "";
  if (dspic()) {
    char *mapped = path_remap(text.c_str());
    text = mapped;
    xfree(mapped);
    std::replace(text.begin(), text.end(), '/', '\\');
  }
  uint32_t index = coff_add_entry(".file", 0, COFF_SECTION_DEBUG, 0, COFF_C_FILE, 1);
  coff_put_name(coff_entry(coff_add_aux()), text);
  if (model_file *f = name ? model_find_file(name) : nullptr) f->coff_file_index = index;
}

void walk(sdb_record *scope) {
  for (uint32_t k = 0; k < vec_size(scope->items); k++) {
    sdb_record *item = static_cast<sdb_record *>(vec_get(scope->items, k));
    switch (item->kind) {
      case SDB_EXTERN:
      case SDB_STATIC:
        variable_entry(item, scope);
        break;
      case SDB_AUTO:
      case SDB_PARAM:
      case SDB_REG:
        local_entry(item, scope);
        break;
      case SDB_BLOCK:
        block(item);
        break;
      case SDB_FUNC:
        function(item);
        break;
      case SDB_FILENAME:
        file_entry(item->name);
        break;
      default:
        break;
    }
  }
}

bool in_class(const char *name, uint32_t address) {
  const model_class *c = model_find_class(name);
  return c && address >= c->low && address <= c->high;
}

// The function's lines in program memory; on dsPIC rows without those of
// the initialised-data classes, one per line number, by address.
void gather_lines(plain_function *f) {
  const sdb_record *scope = f->scope;
  const model_file *file = scope->source ? model_find_file(scope->source) : nullptr;
  for (uint32_t k = 0; file && k < file->line_count; k++) {
    const model_line *l = file->lines[k];
    if (!segment_is_program(l->segment) || int(l->line) < scope->first_line || int(l->line) > scope->last_line)
      continue;
    if (dspic()) {
      bool data = false;
      for (const char *cls : {"idata", "nearidata", "yidata", "nearyidata", "ctext"}) data |= in_class(cls, l->start);
      if (data) continue;
    }
    f->lines.push_back(l);
  }
  if (!dspic()) return;
  std::stable_sort(f->lines.begin(), f->lines.end(), [](const model_line *a, const model_line *b) {
    return a->line != b->line ? a->line < b->line : a->start < b->start;
  });
  f->lines.erase(std::unique(f->lines.begin(), f->lines.end(),
                             [](const model_line *a, const model_line *b) { return a->line == b->line; }),
                 f->lines.end());
  std::stable_sort(f->lines.begin(), f->lines.end(),
                   [](const model_line *a, const model_line *b) { return a->start < b->start; });
}

void put_line(std::vector<uint8_t> *image, uint32_t word, uint32_t line) {
  uint8_t e[8] = {};
  put32(e, word);
  if (writer->target->flavour->line_entry == 8)
    put32(e + 4, line);
  else
    put16(e + 4, line);
  image->insert(image->end(), e, e + writer->target->flavour->line_entry);
}

void write_lines(std::vector<uint8_t> *image) {
  for (uint32_t s = coff_out->first_block_section; s <= coff_out->sections.size(); s++) {
    coff_section &section = coff_out->sections[s - 1];
    section.line_offset = uint32_t(image->size());
    uint32_t count = 0;
    for (const plain_function &f : writer->functions) {
      if (f.lines.empty() || f.section != int(s)) continue;
      put_line(image, f.symbol_index, 0);
      for (const model_line *l : f.lines) put_line(image, l->start, l->line);
      count += uint32_t(1 + f.lines.size());
    }
    section.line_count = count;
  }
}

// The row a write uses: the one an input chose, else the first whose
// name holds the processor's second field (or its name); 0 when none.
int write_target() {
  if (chosen_target) return chosen_target;
  const char *text = settings.extra_count >= 1 ? settings.extra_names[0] : settings.processor;
  if (!text) text = "";
  for (int k = 1; *text && k < TARGET_COUNT; k++)
    if (stristr(targets[k].name, text)) return k;
  msg(MSG_NO_TARGET, text);
  return 0;
}

}  // namespace

void coff_reset() { chosen_target = 0; }

bool coff_write(FILE *out, const char *name) {
  int row = write_target();
  if (!row) return false;
  const coff_target &target = targets[row];
  byte_order = target.order;
  if (!settings.class_count) msg(MSG_NO_CLASSES);
  coff_writer_open(target.flavour);
  coff_out->code_unit = target.code_unit;
  delete writer;
  writer = new plain_writer;
  writer->target = &target;
  coff_make_sections(false);
  std::vector<uint8_t> image = coff_image_start(0);
  if (model.sdb_root)
    for (uint32_t k = 0; k < vec_size(model.sdb_root->items); k++) {
      sdb_record *module = static_cast<sdb_record *>(vec_get(model.sdb_root->items, k));
      if (module->kind == SDB_MODULE) walk(module);
    }
  for (uint32_t k = 0; k < vec_size(model.files); k++) {
    const model_file *file = model_file_at(k + 1);
    for (uint32_t j = 0; j < file->symbol_count; j++) {
      const model_symbol *s = file->symbols[j];
      if (!s || (s->flags & (uint32_t(MSYM_LOCAL) | COFF_SYM_WRITTEN))) continue;
      coff_add_entry(s->name, s->value, COFF_SECTION_ABSOLUTE, 0, COFF_C_LABEL, 0);
    }
  }
  for (plain_function &f : writer->functions) gather_lines(&f);
  write_lines(&image);
  bool ok = coff_image_finish(out, name, &image, target.magic, 0, target.flags | FLAGS_WRITTEN);
  coff_writer_close();
  delete writer;
  writer = nullptr;
  return ok;
}

bool coff_identify(FILE *in) {
  uint8_t header[FILE_HEADER];
  if (fread(header, 1, FILE_HEADER, in) != FILE_HEADER) return false;
  int row = target_of(header);
  if (!row) return false;
  byte_order = targets[row].order;
  if (get16(header + 2) > MAX_SECTIONS || int32_t(get32(header + 8)) < 0 || int32_t(get32(header + 12)) < 0)
    return false;
  chosen_target = row;
  return true;
}

namespace {

// The file, its row and its string table; the failure reported.
bool read_image(FILE *in, coff_image *f, int *row) {
  if (!coff_read_header(in, f)) return false;
  *row = target_of(f->bytes.data());
  if (!*row) return coff_cant_read("COFF header");
  byte_order = targets[*row].order;
  coff_header_fields(f->bytes.data(), f);
  f->flavour = targets[*row].flavour;
  return true;
}

}  // namespace

bool coff_read(FILE *in, const char *name) {
  coff_image f;
  int row = 0;
  if (!read_image(in, &f, &row) || !coff_read_strings(&f)) return false;
  return coff_read_model(f, name, targets[row].code_unit);
}

bool coff_dump(FILE *in) {
  coff_image f;
  int row = 0;
  if (!read_image(in, &f, &row)) return false;
  const coff_target &target = targets[row];
  printf("COFF header:\n\tMagic:\t\t0x%X (%s)\n\tSections:\t%u\n\tDated:\t\t%s\tSymptr:\t\t0x%lX\n\tNsyms:\t\t%ld\n"
         "\tOpthdr:\t\t%u\n\tFlags:\t\t0x%X",
         target.magic, target.name, f.sections, coff_date(f.time_stamp).c_str(), (unsigned long)f.symbol_offset,
         long(f.symbol_count), f.opt_size, f.flags);
  for (int bit = 0; bit <= 12; bit++)
    if (f.flags & (1u << bit)) printf(" %s", coff_file_flag_names[bit]);
  printf("\n\n");
  if ((target.magic == PIC_MAGIC || target.magic == DSPIC_MAGIC) && f.opt_size == AOUT_HEADER) {
    if (!coff_has(f, FILE_HEADER, AOUT_HEADER)) return coff_cant_read("AOUT optional header");
    const uint8_t *o = f.bytes.data() + FILE_HEADER;
    printf("AOUT optional header:\n\tMagic:\t\t0x%X\n\tVersion:\t0x%X\n\tText size:\t0x%lX\n\tInit. data:\t0x%lX\n"
           "\tUninit. data:\t0x%lX\n\tEntry point:\t0x%lX\n\tText base:\t0x%lX\n\tData base:\t0x%lX\n",
           unsigned(get16(o)), unsigned(get16(o + 2)), (unsigned long)get32(o + 4), (unsigned long)get32(o + 8),
           (unsigned long)get32(o + 12), (unsigned long)get32(o + 16), (unsigned long)get32(o + 20),
           (unsigned long)get32(o + 24));
  }
  if (!coff_read_strings(&f)) return false;
  return coff_dump_body(f, true);
}
