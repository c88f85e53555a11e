#include "assembler/chip.h"

#include <strings.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assembler/asm.h"
#include "common/alert.h"

namespace {

std::string upper(std::string s) {
  for (char &c : s) c = (char)toupper((unsigned char)c);
  return s;
}

// The key and the first value token of a key line ("KEY=VALUE", "KEY VALUE").
bool key_line(const char *line, std::string *key, std::string *value) {
  const char *p = line;
  while (*p == ' ' || *p == '\t') p++;
  const char *k = p;
  while (*p && !strchr("= \t\r\n", *p)) p++;
  if (p == k) return false;
  key->assign(k, p - k);
  while (*p && strchr(":= \t", *p)) p++;
  const char *v = p;
  while (*p && !strchr(":= \t\r\n", *p)) p++;
  value->assign(v, p - v);
  return true;
}

// The high bound of a range "LO-HI" in hexadecimal.
bool range_high(const std::string &value, uint32_t *high) {
  size_t dash = value.find('-');
  if (dash == std::string::npos) return false;
  char *end;
  unsigned long hi = strtoul(value.c_str() + dash + 1, &end, 16);
  if (end == value.c_str() + dash + 1 || hi > 0xFF) return false;
  *high = (uint32_t)hi;
  return true;
}

}  // namespace

bool chip_sfr_start(const char *database, const char *chip, uint32_t *sfr_start) {
  FILE *fp = fopen(database, "r");
  if (!fp) {
    msg(ASM_MSG_OPEN, "chip info", database);
    return false;
  }
  std::string wanted = upper(chip), section, defaults_common, exact_common, tail_common;
  bool in_exact = false, in_tail = false, exact = false;
  int tails = 0;
  char line[256];
  while (fgets(line, sizeof line, fp)) {
    const char *p = line;
    while (*p == ' ' || *p == '\t') p++;
    if (*p == '#' || *p == '\n' || *p == '\0') continue;
    if (*p == '[') {
      const char *close = strchr(p, ']');
      section = upper(std::string(p + 1, close ? close - p - 1 : strcspn(p + 1, "\r\n")));
      in_exact = section == wanted;
      exact = exact || in_exact;
      in_tail = !in_exact && section.size() > wanted.size() &&
                section.compare(section.size() - wanted.size(), wanted.size(), wanted) == 0;
      tails += in_tail;
      continue;
    }
    std::string key, value;
    if (!key_line(p, &key, &value) || upper(key) != "COMMON") continue;
    if (section.empty()) defaults_common = value;
    if (in_exact) exact_common = value;
    if (in_tail) tail_common = value;
  }
  fclose(fp);
  if (!exact && tails != 1) {
    msg(ASM_MSG_CHIP, chip, database);
    return false;
  }
  std::string common = exact ? exact_common : tail_common;
  if (common.empty()) common = defaults_common;
  uint32_t high;
  if (!range_high(common, &high)) {
    msg(ASM_MSG_CHIP, chip, database);
    return false;
  }
  *sfr_start = 0xF00 + high + 1;
  return true;
}
