#include "hexmerge/hexlog.h"

#include <string>

#include "common/alert.h"

enum { MSG_CANT_WRITE = 378 };

FILE *log_create(const char *path) {
  FILE *log = fopen(path, "w");
  if (!log) {
    msg(MSG_CANT_WRITE, "logfile", path);
    return nullptr;
  }
  fputs("### TESSIK logfile and output summary ###\n", log);
  return log;
}

void log_find(FILE *log, find_spec *const *finds, int count) {
  if (!log || !count) return;
  fputs("### OP Code find / replace / delete results ###", log);
  for (int i = 0; i < count; i++) {
    const find_spec *f = finds[i];
    const int digits = 2 * f->length;
    fprintf(log, "\n Search results for %s (%0*lXh & %0*lXh):", f->title, digits,
            (unsigned long)f->code, digits, (unsigned long)f->mask);
    for (const find_match &m : f->matches) {
      fprintf(log, "\n  found (%0*lXh) at address %lXh", digits, (unsigned long)m.value,
              (unsigned long)m.address);
      if (f->del)
        fputs(" and deleted", log);
      else if (f->replace_mask)
        fprintf(log, ", replaced with (%0*lXh)", digits, (unsigned long)m.new_value);
    }
    if (f->matches.empty()) fputs("\n  No occurances found.", log);
  }
  fputs("\n\n", log);
}

// The runs of one kind, in address order. Space between pages that do not
// follow on is unused memory.
static void log_runs(FILE *log, hex_image *img, int kind) {
  bool titled = false;
  bool open = false;
  unsigned long run_start = 0;
  auto begin = [&](unsigned long a) {
    if (!titled) fprintf(log, "\n %s ranges:\n  ", kind_name(img, kind));
    titled = true;
    open = true;
    run_start = a;
  };
  auto end = [&](unsigned long last) {
    fprintf(log, "%lXh - %lXh\n  ", run_start, last);
    open = false;
  };
  unsigned long next = 0;  // the address after the previous page
  unsigned long last = 0;
  for (const auto &entry : img->pages) {
    const image_page *page = entry.second;
    if (page->base != next && next != 0) {
      if (kind == KIND_UNUSED) {
        if (!open) begin(next);
      } else if (open) {
        end(next - 1);
      }
    }
    for (int i = 0; i < PAGE_SIZE; i++) {
      unsigned long a = page->base + (unsigned long)i;
      bool mine = (page->slot[i].attr & ATTR_KIND) == kind;
      if (mine && !open) begin(a);
      if (!mine && open) end(a - 1);
    }
    next = page->base + (unsigned long)PAGE_SIZE;
    last = next - 1;
  }
  if (open) end(last);
}

void log_final(FILE *log, hex_image *img, bool with_size, unsigned long size, const ck_spec *cks,
               int ck_count) {
  if (!log) return;
  const int named = kind_named_count(img);
  fputs("### Memory Usage ###", log);
  for (int kind = 0; kind < named; kind++) log_runs(log, img, kind);
  if (with_size) fprintf(log, "\nTotal data: %lu (%lXh) bytes\n", size, size);
  if (ck_count) {
    fputs("\n### Checksum Reports ###\n", log);
    for (int i = 0; i < ck_count; i++)
      fprintf(log, " Checksum %i : (%lXh to %lXh) = %0*lX\n", i, (unsigned long)cks[i].start,
              (unsigned long)cks[i].end, 2 * cks[i].width, (unsigned long)cks[i].result);
  }
  fputs("\n### Hex Memory Map ###\n Legend:\n", log);
  for (int kind = 0; kind < named; kind++) fprintf(log, "  %c = %s\n", kind_letter(kind), kind_name(img, kind));
  std::string line;
  for (const auto &entry : img->pages) {
    const image_page *page = entry.second;
    char head[16];
    snprintf(head, sizeof head, "%08lX: ", (unsigned long)page->base);
    line = head;
    for (int i = 0; i < PAGE_SIZE; i++) line += kind_letter(page->slot[i].attr & ATTR_KIND);
    line += '\n';
    fputs(line.c_str(), log);
  }
}
