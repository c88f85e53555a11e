#include "linker/av.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "linker/sym.h"

enum {
  MSG_CANT_OPEN = 141,
  MSG_NO_SPACE_NAME = 463,
  MSG_NO_SECTION = 464,
  LINE_MAX = 255,
};

namespace {

struct space_pair {
  std::string name;  // psect or class, "-" for the default
  std::string space;
};

std::vector<space_pair> pairs;
int default_pair = -1;

// Splits a line into fields separated by blanks and tabs.
std::vector<std::string> fields_of(const char *line) {
  std::vector<std::string> fields;
  const char *p = line;
  while (*p) {
    while (*p == ' ' || *p == '\t') p++;
    if (!*p) break;
    const char *start = p;
    while (*p && *p != ' ' && *p != '\t') p++;
    fields.emplace_back(start, p - start);
  }
  return fields;
}

void add_pair(const std::string &name, const std::string &space) {
  if (name == "-") {
    if (default_pair < 0) default_pair = (int)pairs.size();
  } else if (!sym_find_global(name.c_str(), LS_PSECT) && !sym_find_global(name.c_str(), LS_CLASS)) {
    return;
  }
  pairs.push_back({name, space});
}

const space_pair *find_pair(const char *name) {
  for (const space_pair &p : pairs)
    if (p.name != "-" && p.name == name) return &p;
  return nullptr;
}

}  // namespace

void avmap_reset() {
  pairs.clear();
  default_pair = -1;
}

void avmap_read(const char *machine, const char *path) {
  FILE *fp = fopen(path, "r");
  if (!fp) {
    msg(MSG_CANT_OPEN, "avmap", path);
    return;
  }
  char line[LINE_MAX + 2];
  bool inside = false, found = false;
  while (fgets(line, sizeof line, fp)) {
    size_t n = strlen(line);
    if (n && line[n - 1] != '\n' && !feof(fp)) {
      // The rest of an over-long line is dropped.
      int c;
      while ((c = fgetc(fp)) != EOF && c != '\n') {
      }
    }
    line[strcspn(line, "\r\n")] = '\0';
    if (line[0] == '#') continue;
    std::vector<std::string> fields = fields_of(line);
    if (fields.empty()) continue;
    size_t indent = strspn(line, " ");
    bool pair_line = line[indent] == '\t';
    if (!pair_line) {
      inside = false;
      if (line[0] == ' ' || found) continue;
      if (strcasecmp(fields[0].c_str(), machine) != 0) continue;
      inside = found = true;
      if (fields.size() < 3) {
        msg(MSG_NO_SPACE_NAME, fields.size() > 1 ? fields[1].c_str() : "");
        continue;
      }
      add_pair(fields[1], fields[2]);
      continue;
    }
    if (!inside) continue;
    if (fields.size() < 2) {
      msg(MSG_NO_SPACE_NAME, fields[0].c_str());
      continue;
    }
    add_pair(fields[0], fields[1]);
  }
  fclose(fp);
  if (!found) msg(MSG_NO_SECTION, machine);
}

const char *avmap_space(const char *name) {
  if (const space_pair *p = find_pair(name)) return p->space.c_str();
  // A psect the map does not name lies where its class lies.
  link_symbol *psect = sym_find_global(name, LS_PSECT);
  if (psect && psect->info && psect->info->cls)
    if (const space_pair *p = find_pair(psect->info->cls->name)) return p->space.c_str();
  if (default_pair >= 0) return pairs[default_pair].space.c_str();
  return "";
}
