#include "symconv/forvane.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/registry.h"
#include "common/vector.h"
#include "symconv/coff.h"
#include "symconv/coffcore.h"
#include "symconv/dotcod.h"
#include "symconv/elf.h"
#include "symconv/eomf51.h"
#include "symconv/htk.h"
#include "symconv/encdec.h"
#include "symconv/intelhex.h"
#include "symconv/icoff.h"
#include "symconv/mcoff.h"
#include "symconv/omf51.h"
#include "symconv/pe.h"
#include "symconv/model.h"
#include "symconv/mothex.h"
#include "symconv/quenlor.h"
#include "symconv/sdb.h"
#include "symconv/titxt.h"

enum {
  MSG_CANT_OPEN = 141,
  MSG_CANT_WRITE = 378,
  MSG_BAD_WARN_LEVEL = 393,
  MSG_WARN_LEVEL_LOW = 523,
  MSG_EMPTY_KEY = 602,
  MSG_AMBIGUOUS_KEY = 603,
  MSG_UNKNOWN_KEY = 604,
  MSG_UNKNOWN_FORMAT = 605,
  MSG_SYMBOL_COUNT = 606,
  MSG_LINE_COUNT = 607,
  MSG_PATHSPEC = 608,
  MSG_NO_PROCESSOR = 609,
  MSG_NO_CLASSES = 610,
  MSG_TOO_MANY_INPUTS = 611,
  MSG_TOO_MANY_OUTPUTS = 612,
  MSG_NO_OUTPUT = 613,
  MSG_NO_INPUT = 614,
  MSG_FORMAT_NOT_BUILT = 615,
  MSG_NO_DUMP = 634,
  MSG_LINE_GAP = 1289,
  PROCESSOR_ROOM = 127,
  LINE_GAP_MAX = 256,
};

const format_desc format_table[FORMAT_COUNT] = {
    {symfile_identify, symfile_read, symfile_write, nullptr, "Quenlor Software", "quenlor", "sym", false},
    {pe_identify, pe_read, pe_write, nullptr, "P&E", "pe", "pe", true},
    {eomf51_identify, eomf51_read, eomf51_write, eomf51_dump, "Extended OMF-51", "eomf51", "abs", true},
    {omf51_identify, omf51_read, omf51_write, omf51_dump, "OMF-51", "omf51", "omf", true},
    {ihex_identify, ihex_read, ihex_write, nullptr, "Intel HEX", "ihex", "hex", false},
    {srec_identify, srec_read, srec_write, nullptr, "Motorola HEX", "s19", "hex", false},
    {cod_identify, cod_read, cod_write, cod_dump, ".COD", "cod", "cod", true},
    {mcoff_identify, mcoff_read, mcoff_write, mcoff_dump, "PIC COFF", "mcoff", "cof", true},
    {coff_identify, coff_read, coff_write, coff_dump, "COFF", "coff", "cof", true},
    {icoff_identify, icoff_read, icoff_write, icoff_dump, "ICOFF", "icoff", "cof", true},
    {elf_identify, elf_read, elf_write, elf_dump, "ELF/DWARF", "elf", "elf", true},
    {ubrof_identify, ubrof_read, ubrof_write, ubrof_dump, "UBROF", "ubrof", "d43", true},
    {htk_identify, htk_read, htk_write, htk_dump, "Holtek DBG", "htk", "dbg", true},
    {tsk_identify, tsk_read, nullptr, tsk_dump, "Holtek TSK", "tsk", "tsk", true},
    {titxt_identify, titxt_read, titxt_write, titxt_dump, "TI-.TXT", "titxt", "txt", false},
};

namespace {

const char usage_text[] =
    "FORVANE: the symbol file reformatter\n"
    "Usage: forvane [options] input_files ... -okey [-okey ... ] output_file\n"
    "Options:\n"
    "\t-v:\tverbose\n"
    "\t-d:\tdump input file\n"
    "\t-c:\tidentify input files only\n"
    "\t-f:\tfake local symbols as globals\n"
    "\t-k:\tfake variable redefinitions with inner blocks\n"
    "\t-okey:\tset output format\n"
    "\t-ikey:\tset input format\n"
    "\t-l:\tlist available formats\n"
    "\t-b:\tspecify big-endian byte ordering\n"
    "\t-m:\tstrip underscore character\n"
    "\t-e:\tstrip file extensions\n"
    "\t-pname:\tset processor name\n"
    "\n"
    "The output file type is required.\n"
    "The input file type(s) will be auto-detected if not specified.\n";

enum { GO_ON = -1 };

const format_desc &format_of(int number) { return format_table[number - 1]; }

void list_formats() {
  fputs("Formats available are:\n\nKey        Name\n\n", stderr);
  for (int k = 1; k <= FORMAT_COUNT; k++)
    if (format_available(k)) fprintf(stderr, "%-10s %s\n", format_of(k).key, format_of(k).name);
  fputs("\nKeys may be unambiguously abbreviated.\n", stderr);
}

// A format of the table whose module is built; 0 (reported) otherwise.
int usable_format(const char *key) {
  int format = format_lookup(key);
  if (format && !format_available(format)) {
    msg(MSG_FORMAT_NOT_BUILT, format_of(format).name, format_of(format).key);
    return 0;
  }
  return format;
}

void request_output(const char *key, bool *refused) {
  int format = usable_format(key);
  // A format read only (the TSK image) is refused as output.
  if (format && !format_of(format).write) {
    msg(MSG_FORMAT_NOT_BUILT, format_of(format).name, format_of(format).key);
    format = 0;
  }
  if (!format) {
    *refused = true;
    return;
  }
  for (int k = 0; k < settings.output_count; k++)
    if (settings.outputs[k].format == format) return;
  if (settings.output_count + 1 >= MODEL_MAX_OUTPUTS) {
    msg(MSG_TOO_MANY_OUTPUTS);
    return;
  }
  settings.outputs[settings.output_count++] = {format, nullptr};
}

// Splits "a,b,c" into its names.
std::vector<std::string> names_of(const char *list) {
  std::vector<std::string> names;
  std::string text = list;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    names.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return names;
}

void set_processor(const char *list) {
  std::vector<std::string> names = names_of(list);
  xfree(settings.processor);
  settings.processor = str_dup(names[0].substr(0, PROCESSOR_ROOM).c_str());
  for (size_t k = 1; k < names.size() && settings.extra_count < MODEL_MAX_PROC_NAMES - 1; k++)
    settings.extra_names[settings.extra_count++] = str_dup(names[k].c_str());
}

void add_classes(const char *list) {
  for (const std::string &name : names_of(list)) {
    if (settings.class_count == MODEL_MAX_CLASSES) {
      msg_report(0, "W", "Maximum number of program classes reached. List may be truncated.");
      return;
    }
    settings.classes[settings.class_count++] = str_dup(name.c_str());
  }
}

void warning_level(const char *arg, const char *text) {
  if (!isdigit(uint8_t(*text)) && *text != '-') {
    msg(MSG_BAD_WARN_LEVEL, arg);
    return;
  }
  int level = atoi(text);
  if (level < -9)
    msg(MSG_WARN_LEVEL_LOW, level);
  else
    msg_set_warn_level(level);
  if (strchr(arg, '!')) msg_set_warn_as_error(1);
}

void option_e(const char *rest) {
  if (!*rest) {
    settings.strip_extensions = true;
  } else if (isdigit(uint8_t(rest[0])) && !rest[1]) {
    msg_set_format_mode(rest[0] - '0');
  } else {
    if (freopen(rest, "a", stderr)) setvbuf(stderr, nullptr, _IOLBF, 512);
    msg_set_format_mode(1);
  }
}

void option_pathspec(const char *value) {
  const char *comma = strchr(value, ',');
  if (!comma || comma == value || !comma[1]) {
    msg(MSG_PATHSPEC);
    return;
  }
  xfree(settings.path_from);
  xfree(settings.path_to);
  settings.path_from = str_dup(std::string(value, size_t(comma - value)).c_str());
  settings.path_to = str_dup(comma + 1);
}

// A "--" option; GO_ON or the exit status.
int long_option(const char *arg) {
  if (msg_common_option(arg)) return GO_ON;
  if (!strcmp(arg, "--ver")) {
    print_product_banner();
    return 0;
  }
  if (!strncmp(arg, "--pathspec=", 11)) option_pathspec(arg + 11);
  return GO_ON;
}

int read_arguments(int argc, char **argv) {
  bool refused = false;
  for (int k = 1; k < argc; k++) {
    const char *arg = argv[k];
    if (arg[0] == '-' && arg[1] == '-') {
      int status = long_option(arg);
      if (status != GO_ON) return status;
      continue;
    }
    if (arg[0] != '-') {
      if (settings.output_count == 0) {
        if (settings.input_count + 1 >= MODEL_MAX_INPUTS)
          msg(MSG_TOO_MANY_INPUTS);
        else
          settings.inputs[settings.input_count++] = str_dup(arg);
      } else {
        output_request &o = settings.outputs[settings.output_count - 1];
        xfree(o.name);
        o.name = str_dup(arg);
      }
      continue;
    }
    const char *rest = arg + 2;
    switch (tolower(uint8_t(arg[1]))) {
      case 'v':
        settings.verbosity++;
        break;
      case 'd':
        settings.dump = true;
        break;
      case 'c':
        settings.identify_only = true;
        settings.verbosity++;
        break;
      case 'f':
        settings.fake_globals = true;
        break;
      case 'k':
        settings.fake_blocks = true;
        break;
      case 'o':
        if (!*rest && k + 1 < argc && argv[k + 1][0] != '-') rest = argv[++k];
        request_output(rest, &refused);
        break;
      case 'i':
        settings.input_format = usable_format(rest);
        break;
      case 'l':
        list_formats();
        return 0;
      case 'b':
        byte_order = 1;
        settings.big_endian = true;
        break;
      case 'm':
        settings.strip_underscore = true;
        break;
      case 'e':
        option_e(rest);
        break;
      case 'p':
        if (!*rest)
          msg(MSG_NO_PROCESSOR);
        else
          set_processor(rest);
        break;
      case 'n':
        if (!*rest)
          msg(MSG_NO_CLASSES);
        else
          add_classes(rest);
        break;
      case 'w':
        warning_level(arg, rest);
        break;
      case 'h':
        fputs(usage_text, stderr);
        return 1;
      default:
        fprintf(stderr, "Unrecognized option '%s'\n", arg);
        fputs(usage_text, stderr);
        return 1;
    }
  }
  msg_set_context(settings.input_count ? settings.inputs[0] : nullptr, nullptr, nullptr, nullptr);
  if (!settings.output_count && !settings.dump && !settings.identify_only && !refused) msg(MSG_NO_OUTPUT);
  if (!settings.input_count) msg(MSG_NO_INPUT);
  return GO_ON;
}

int identify(FILE *in, const char *name) {
  verbose_log("Checking '%s' file type ...", name);
  if (settings.input_format) {
    verbose_log("Defaulting to %s", format_of(settings.input_format).name);
    return settings.input_format;
  }
  for (int k = 1; k <= FORMAT_COUNT; k++) {
    rewind(in);
    if (format_of(k).identify && format_of(k).identify(in)) {
      verbose_log("Confirmed as %s", format_of(k).name);
      return k;
    }
    verbose_log("Not %s", format_of(k).name);
  }
  msg(MSG_UNKNOWN_FORMAT);
  return 0;
}

void read_inputs() {
  int opened = 0;
  for (int k = 0; k < settings.input_count; k++) {
    const char *name = settings.inputs[k];
    FILE *in = fopen(name, "rb");
    if (!in) {
      msg(MSG_CANT_OPEN, "input", name);
      continue;
    }
    opened++;
    model.input_name = name;
    input_context();
    int format = identify(in, name);
    if (format) {
      rewind(in);
      const format_desc &f = format_of(format);
      if (settings.dump) {
        if (!f.dump || !f.dump(in)) msg(MSG_NO_DUMP);
        fputc('\n', stdout);
      } else if (!settings.identify_only) {
        verbose_log("Reading '%s' as %s", name, f.name);
        f.read(in, name);
        fflush(stdout);
      }
    }
    fclose(in);
    model.input_name = nullptr;
  }
  msg_set_context(settings.input_count ? settings.inputs[0] : nullptr, nullptr, nullptr, nullptr);
  verbose_log("Read %d input files", opened);
}

size_t longest_segment_name() {
  size_t n = 0;
  for (uint32_t k = 0; k < vec_size(model.segments); k++) n = std::max(n, strlen(model_segment_at(k + 1)->name));
  return n;
}

const char *segment_name(uint32_t index) {
  model_segment *s = model_segment_at(index);
  return s ? s->name : "";
}

// The psect (a program segment of an extent of its own) that holds an
// address, by its load address or its link address; 0 for none.
uint32_t psect_holding(uint32_t address, bool by_load) {
  for (uint32_t s = 0; s < vec_size(model.segments); s++) {
    const model_segment *seg = model_segment_at(s + 1);
    uint32_t base = by_load ? seg->load : seg->start;
    if (seg->size && address >= base && address - base < seg->size && segment_is_program(s + 1)) return s + 1;
  }
  return 0;
}

// A line runs up to the next one; where psects are known it stops at the
// end of its own, and a far line is a gap worth a warning only within one
// psect: psects placed apart are no gap in anyone's code.
void complete_line_ends() {
  std::vector<model_line *> sorted;
  for (uint32_t k = 0; k < vec_size(model.lines); k++) sorted.push_back(model_line_nth(k));
  std::stable_sort(sorted.begin(), sorted.end(), [](const model_line *a, const model_line *b) {
    return a->start != b->start ? a->start < b->start : a->line < b->line;
  });
  for (size_t k = 0; k < sorted.size(); k++) {
    model_line *l = sorted[k];
    l->end = l->start;
    if (k + 1 == sorted.size()) break;
    const model_line *n = sorted[k + 1];
    if (n->start == l->start) continue;
    uint32_t psect = psect_holding(l->start, false);
    bool same_psect = !psect || psect == psect_holding(n->start, false);
    if (n->start - l->start < LINE_GAP_MAX) {
      l->end = n->start - 1;
      if (!same_psect) {
        const model_segment *seg = model_segment_at(psect);
        l->end = std::min(l->end, seg->start + seg->size - 1);
      }
    } else if (n->file == l->file && same_psect) {
      msg(MSG_LINE_GAP, (unsigned long)l->line, (unsigned long)l->start, (unsigned long)n->start);
    }
  }
}

void complete_files() {
  int pad = int(longest_segment_name());
  for (uint32_t f = 0; f < vec_size(model.files); f++) {
    model_file *file = model_file_at(f + 1);
    if (settings.verbosity >= 1) fprintf(stderr, "\nFile: %s\nSymbols: %u\n", file->name, file->symbol_count);
    xfree(file->symbols);
    file->symbols = static_cast<model_symbol **>(xalloc((file->symbol_count + 1) * sizeof(model_symbol *)));
    uint32_t n = 0;
    for (uint32_t k = 0; k < vec_size(model.symbols) && n < file->symbol_count; k++) {
      model_symbol *s = model_symbol_nth(k);
      if (s->file != file->index) continue;
      file->symbols[n++] = s;
      if (settings.verbosity >= 2)
        fprintf(stderr, "\t%-*s %-8lX %s\n", pad, segment_name(s->segment), (unsigned long)s->value, s->name);
    }
    if (n < file->symbol_count) msg(MSG_SYMBOL_COUNT, file->name);
    if (settings.verbosity >= 1) fprintf(stderr, "Lines: %u\n", file->line_count);
    xfree(file->lines);
    file->lines = static_cast<model_line **>(xalloc((file->line_count + 1) * sizeof(model_line *)));
    n = 0;
    for (uint32_t k = 0; k < vec_size(model.lines) && n < file->line_count; k++)
      if (model_line_nth(k)->file == file->index) file->lines[n++] = model_line_nth(k);
    if (n < file->line_count) msg(MSG_LINE_COUNT, file->name);
    std::stable_sort(file->lines, file->lines + n, [](const model_line *a, const model_line *b) {
      if (a->line != b->line) return a->line < b->line;
      if (a->start != b->start) return a->start < b->start;
      return a->end < b->end;
    });
    if (settings.verbosity >= 2)
      for (uint32_t k = 0; k < n; k++)
        fprintf(stderr, "\t%5.5lu: %lX-%lX %s\n", (unsigned long)file->lines[k]->line,
                (unsigned long)file->lines[k]->start, (unsigned long)file->lines[k]->end,
                segment_name(file->lines[k]->segment));
  }
}

// A block of the image that runs over the edges of psects is cut there, so
// that each psect's bytes make blocks (and sections) of their own.
void split_data_at_psects() {
  vec *pieces = vec_new(vec_size(model.data) + 8);
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    model_data *d = model_data_nth(k);
    if (d->segment || !d->length) {
      vec_push(pieces, d);
      continue;
    }
    uint64_t block_end = uint64_t(d->address) + d->length;
    uint32_t at = d->address;
    while (at < block_end) {
      uint64_t to = block_end;
      if (uint32_t s = psect_holding(at, true)) {
        const model_segment *seg = model_segment_at(s);
        to = std::min(to, uint64_t(seg->load) + seg->size);
      } else {
        for (uint32_t s = 0; s < vec_size(model.segments); s++) {
          const model_segment *seg = model_segment_at(s + 1);
          if (seg->size && seg->load > at && seg->load < to && segment_is_program(s + 1)) to = seg->load;
        }
      }
      if (at == d->address && to == block_end) {
        vec_push(pieces, d);
        break;
      }
      model_data *piece = static_cast<model_data *>(xalloc(sizeof(model_data)));
      piece->address = at;
      piece->length = uint32_t(to - at);
      piece->bytes = static_cast<uint8_t *>(xalloc(piece->length));
      memcpy(piece->bytes, d->bytes + (at - d->address), piece->length);
      piece->segment = d->segment;
      vec_push(pieces, piece);
      at = uint32_t(to);
      if (at == block_end) {
        xfree(d->bytes);
        xfree(d);
      }
    }
  }
  vec_free(model.data);
  model.data = pieces;
}

void complete_data() {
  if (!vec_size(model.data)) return;
  split_data_at_psects();
  uint64_t total = 0;
  for (uint32_t k = 0; k < vec_size(model.data); k++) {
    model_data *d = model_data_nth(k);
    total += d->length;
    for (uint32_t s = 0; !d->segment && s < vec_size(model.segments); s++) {
      model_segment *seg = model_segment_at(s + 1);
      if (d->address >= seg->load && uint64_t(seg->load) + seg->size >= uint64_t(d->address) + d->length)
        d->segment = s + 1;
    }
  }
  std::vector<model_data *> blocks;
  for (uint32_t k = 0; k < vec_size(model.data); k++) blocks.push_back(model_data_nth(k));
  std::stable_sort(blocks.begin(), blocks.end(), [](const model_data *a, const model_data *b) {
    return a->segment != b->segment ? a->segment < b->segment : a->address < b->address;
  });
  vec *kept = vec_new(100);
  model_data *last = nullptr;
  for (model_data *d : blocks) {
    if (last && d->segment == last->segment && d->address == last->address + last->length) {
      uint8_t *joined = static_cast<uint8_t *>(xalloc(size_t(last->length) + d->length));
      memcpy(joined, last->bytes, last->length);
      memcpy(joined + last->length, d->bytes, d->length);
      xfree(last->bytes);
      last->bytes = joined;
      last->length += d->length;
      xfree(d->bytes);
      xfree(d);
      continue;
    }
    vec_push(kept, d);
    last = d;
  }
  vec_free(model.data);
  model.data = kept;
  if (settings.verbosity >= 1)
    fprintf(stderr, "\nData blocks: %u, total size %lX\n", vec_size(kept), (unsigned long)total);
  for (uint32_t k = 0; settings.verbosity >= 2 && k < vec_size(kept); k++) {
    const model_data *d = model_data_nth(k);
    fprintf(stderr, "\t%lX-%lX", (unsigned long)d->address, (unsigned long)(d->address + d->length - 1));
    if (model_segment_at(d->segment))
      fprintf(stderr, " %s\n", segment_name(d->segment));
    else
      fprintf(stderr, " seg %d\n", int(d->segment) - 1);
  }
  for (uint32_t s = 0; s < vec_size(model.segments); s++) {
    model_segment *seg = model_segment_at(s + 1);
    uint64_t end = uint64_t(seg->load) + seg->size;
    bool first = true;
    for (uint32_t k = 0; k < vec_size(kept); k++) {
      const model_data *d = model_data_nth(k);
      if (d->segment != s + 1) continue;
      if (first && d->address < seg->load && d->length) {
        seg->start -= seg->load - d->address;
        seg->load = d->address;
      }
      first = false;
      end = std::max(end, uint64_t(d->address) + d->length);
    }
    if (end - seg->load > seg->size) seg->size = uint32_t(end - seg->load);
  }
}

void list_segments() {
  if (settings.verbosity < 1) return;
  int pad = int(longest_segment_name());
  fprintf(stderr, "\nSegments: %u\n", vec_size(model.segments));
  for (uint32_t s = 0; s < vec_size(model.segments); s++) {
    const model_segment *seg = model_segment_at(s + 1);
    fprintf(stderr, "\t%-*s %lX", pad, seg->name, (unsigned long)seg->start);
    if (seg->size) fprintf(stderr, "-%lX", (unsigned long)(seg->start + seg->size - 1));
    if (seg->load != seg->start) fprintf(stderr, " Load@%lX", (unsigned long)seg->load);
    fputc('\n', stderr);
  }
  fputc('\n', stderr);
}

std::string without_extension(const std::string &name) {
  size_t dot = name.rfind('.');
  size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name;
  return name.substr(0, dot);
}

std::string output_name(int k, const std::string &previous) {
  const output_request &o = settings.outputs[k];
  const char *extension = format_of(o.format).extension;
  if (!o.name) {
    std::string base = k > 0 ? previous : std::string(settings.input_count ? settings.inputs[0] : "forvane");
    return without_extension(base) + "." + extension;
  }
  std::string name = o.name;
  size_t slash = name.find_last_of("/\\");
  std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
  if (last.find('.') == std::string::npos) name += std::string(".") + extension;
  return name;
}

void write_outputs() {
  std::string previous;
  int written = 0;
  for (int k = 0; k < settings.output_count; k++) {
    const format_desc &f = format_of(settings.outputs[k].format);
    std::string name = output_name(k, previous);
    previous = name;
    FILE *out = fopen(name.c_str(), f.binary ? "wb" : "w");
    if (!out) {
      msg(MSG_CANT_WRITE, "output", name.c_str());
      continue;
    }
    verbose_log("Writing '%s' as %s", name.c_str(), f.name);
    f.write(out, name.c_str());
    bool failed = ferror(out) != 0;
    if (fclose(out) != 0 || failed) msg(MSG_CANT_WRITE, "output", name.c_str());
    written++;
  }
  if (settings.output_count > 1) verbose_log("Wrote %d output files", written);
}

}  // namespace

int format_lookup(const char *key) {
  if (!key || !*key) {
    msg(MSG_EMPTY_KEY);
    return 0;
  }
  int found = 0;
  for (int k = 1; k <= FORMAT_COUNT; k++) {
    if (!strcmp(format_of(k).key, key)) return k;
  }
  size_t n = strlen(key);
  for (int k = 1; k <= FORMAT_COUNT; k++) {
    if (strncmp(format_of(k).key, key, n)) continue;
    if (found) {
      msg(MSG_AMBIGUOUS_KEY, key);
      return found;
    }
    found = k;
  }
  if (!found) msg(MSG_UNKNOWN_KEY, key);
  return found;
}

bool format_available(int format) {
  const format_desc &f = format_of(format);
  return f.identify || f.read || f.write || f.dump;
}

void forvane_complete() {
  complete_line_ends();
  complete_files();
  complete_data();
  list_segments();
}

void forvane_reset() {
  sdb_reset();
  model_free();
  coff_reset();
  byte_order = 0;
  // The context names an input of the settings just freed.
  msg_set_context(nullptr, nullptr, nullptr, nullptr);
}

int forvane_run(int argc, char **argv) {
  forvane_reset();
  model_init();
  // Errors of this run only: a test may run forvane more than once.
  uint32_t errors_before = msg_error_count();
  auto failed = [errors_before] { return msg_error_count() > errors_before || (errors_before == 0 && msg_failed()); };
  int status = read_arguments(argc, argv);
  if (status != GO_ON) return status;
  if (failed()) return 1;
  read_inputs();
  if (settings.verbosity >= 1) sdb_dump();
  if (settings.identify_only) return 0;
  if (settings.verbosity >= 1)
    fprintf(stderr, "\nFiles: %d, syms: %d, lines: %d\n", int(vec_size(model.files)), int(vec_size(model.symbols)),
            int(vec_size(model.lines)));
  if (settings.dump) return failed() ? 1 : 0;
  forvane_complete();
  write_outputs();
  return failed() ? 1 : 0;
}
