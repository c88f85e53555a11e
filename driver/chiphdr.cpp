#include "driver/chiphdr.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>

#include "common/alert.h"
#include "common/hash.h"
#include "common/vector.h"
#include "driver/chipinfo.h"

const char chiphdr_selector_name[] = "tovra18_chips.h";

namespace {

// One section's register keys as written, before inheritance.
struct raw_chip {
  std::string name;
  std::vector<std::string> sfr, sfr16, from;
  bool resolving = false;
  bool resolved = false;
  bool ok = false;  // resolved without faults
  chiphdr_chip chip;
};

struct db_registers {
  const char *database = "";
  bool defaults_taken = false;
  std::vector<std::string> core_sfr, core_sfr16;
  chiphdr_chip core;  // what a chip without SFRFROM starts from
  std::vector<raw_chip> chips;
};

void fault(const db_registers &db, const std::string &where, const std::string &text) {
  msg_report(0, "E", "chip database \"%s\", %s: %s", db.database, where.c_str(), text.c_str());
}

std::vector<std::string> values_of(const hash_table *table, const char *key) {
  std::vector<std::string> out;
  if (vec *v = static_cast<vec *>(hash_lookup(table, key)))
    for (uint32_t i = 0; i < vec_size(v); i++) out.push_back(static_cast<const char *>(vec_get(v, i)));
  return out;
}

// Every item between separators, empty ones included.
std::vector<std::string> split(const std::string &text, char separator) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    out.push_back(text.substr(start, at - start));
  out.push_back(text.substr(start));
  return out;
}

bool is_c_name(const std::string &s) {
  if (s.empty() || isdigit(uint8_t(s[0]))) return false;
  return std::all_of(s.begin(), s.end(), [](char c) { return isalnum(uint8_t(c)) || c == '_'; });
}

bool read_hex(const std::string &text, uint32_t &value) {
  const char *p = text.c_str();
  return hex_read(p, value) && *p == 0;
}

// NAME[/ALIAS...],ADDRESS[,BIT0,...,BIT7]; false with the reason on a fault.
bool parse_register(const std::string &value, chiphdr_register &reg, std::string &why) {
  std::vector<std::string> items = split(value, ',');
  if (items.size() < 2) {
    why = "\"" + value + "\" needs a name and an address";
    return false;
  }
  reg.names = split(items[0], '/');
  for (const std::string &name : reg.names)
    if (!is_c_name(name)) {
      why = "\"" + name + "\" is no C name";
      return false;
    }
  // Data memory ends at 0xFFF, which also keeps every bit address an int.
  if (!read_hex(items[1], reg.address) || reg.address > 0xFFF) {
    why = "bad address \"" + items[1] + "\" for " + reg.names[0];
    return false;
  }
  int position = 0;
  for (size_t i = 2; i < items.size(); i++) {
    if (items[i].empty()) {
      position++;
      continue;
    }
    chiphdr_bits bits{{}, position, 0};
    for (const std::string &item : split(items[i], '/')) {
      size_t star = item.find('*');
      std::string name = item.substr(0, star);
      uint32_t width = 1;
      if (star != std::string::npos && (!read_hex(item.substr(star + 1), width) || width < 2 || width > 8)) {
        why = "bad field width in \"" + item + "\" of " + reg.names[0];
        return false;
      }
      if (!is_c_name(name)) {
        why = "\"" + name + "\" of " + reg.names[0] + " is no C name";
        return false;
      }
      if (bits.width && bits.width != int(width)) {
        why = "the names of a field of " + reg.names[0] + " differ in width";
        return false;
      }
      bits.width = int(width);
      bits.names.push_back(name);
    }
    if (position + bits.width > 8) {
      why = reg.names[0] + " has bits above bit 7";
      return false;
    }
    reg.bits.push_back(bits);
    position += bits.width;
  }
  return true;
}

// The single-bit names of a bit or field, for bit k of it.
std::string single_name(const chiphdr_bits &bits, size_t alternative, int k) {
  const std::string &name = bits.names[alternative];
  return bits.width == 1 ? name : name + std::to_string(k);
}

bool has_name(const chiphdr_register &reg, const std::string &name) {
  return std::find(reg.names.begin(), reg.names.end(), name) != reg.names.end();
}

const chiphdr_register *find_register(const chiphdr_chip &chip, const std::string &name) {
  for (const chiphdr_register &reg : chip.registers)
    if (has_name(reg, name)) return &reg;
  return nullptr;
}

raw_chip *find_chip(db_registers &db, const std::string &name) {
  for (raw_chip &c : db.chips)
    if (strcasecmp(c.name.c_str(), name.c_str()) == 0) return &c;
  return nullptr;
}

// Adds SFR lines: a register replaces the one at its address.
bool add_registers(const db_registers &db, const std::string &where, const std::vector<std::string> &lines,
                   chiphdr_chip &chip) {
  bool ok = true;
  std::set<uint32_t> own;
  for (const std::string &line : lines) {
    chiphdr_register reg;
    std::string why;
    if (!parse_register(line, reg, why)) {
      fault(db, where, why);
      ok = false;
      continue;
    }
    if (!own.insert(reg.address).second) {
      fault(db, where, "two registers at the same address as " + reg.names[0]);
      ok = false;
    }
    auto same = std::find_if(chip.registers.begin(), chip.registers.end(),
                             [&](const chiphdr_register &r) { return r.address == reg.address; });
    if (same != chip.registers.end()) *same = reg;
    else chip.registers.push_back(reg);
  }
  return ok;
}

bool add_pairs(const db_registers &db, const std::string &where, const std::vector<std::string> &lines,
               chiphdr_chip &chip) {
  bool ok = true;
  for (const std::string &line : lines)
    for (const std::string &name : split(line, ',')) {
      if (std::find(chip.pairs.begin(), chip.pairs.end(), name) != chip.pairs.end()) {
        fault(db, where, "the pair " + name + " is given twice");
        ok = false;
        continue;
      }
      chip.pairs.push_back(name);
    }
  return ok;
}

// What a C program may not meet twice: register, pair, bits-structure and
// bit names, and each structure's member names.
bool check_chip(const db_registers &db, const std::string &where, const chiphdr_chip &chip) {
  bool ok = true;
  std::set<std::string> names;
  auto claim = [&](const std::string &name) {
    if (!names.insert(name).second) {
      fault(db, where, "the name " + name + " is declared twice");
      ok = false;
    }
  };
  for (const chiphdr_register &reg : chip.registers) {
    for (const std::string &name : reg.names) {
      claim(name);
      if (!reg.bits.empty()) claim(name + "bits");
    }
    // The structure's members, and every single bit's names.
    std::set<std::string> members, singles;
    for (const chiphdr_bits &bits : reg.bits) {
      bool twice = !members.insert(bits.names[0]).second;
      for (size_t a = 0; a < bits.names.size(); a++)
        for (int k = 0; k < bits.width; k++) twice |= !singles.insert(single_name(bits, a, k)).second;
      if (twice) {
        fault(db, where, reg.names[0] + " gives a name to two of its bits");
        ok = false;
      }
    }
  }
  for (const std::string &pair : chip.pairs) {
    claim(pair);
    const chiphdr_register *low = find_register(chip, pair + "L");
    const chiphdr_register *high = find_register(chip, pair + "H");
    if (!low || !high || high->address != low->address + 1) {
      fault(db, where, "the pair " + pair + " needs " + pair + "L with " + pair + "H above it");
      ok = false;
    }
  }
  for (const chiphdr_bit_object &bit : chiphdr_bit_objects(chip)) claim(bit.name);
  return ok;
}

bool resolve(db_registers &db, raw_chip &c) {
  if (c.resolved) return c.ok;
  std::string where = "chip " + c.name;
  if (c.resolving) {
    fault(db, where, "SFRFROM leads back to the chip");
    return false;
  }
  c.resolving = true;
  bool ok = true;
  chiphdr_chip chip;
  if (c.from.size() > 1) {
    fault(db, where, "SFRFROM is given more than once");
    ok = false;
  }
  if (!c.from.empty()) {
    raw_chip *base = find_chip(db, c.from[0]);
    if (!base) {
      fault(db, where, "SFRFROM names " + c.from[0] + ", which is no chip of the database");
      ok = false;
    } else if (!resolve(db, *base)) {
      ok = false;
    } else {
      chip = base->chip;
    }
  } else {
    chip = db.core;
  }
  chip.name = c.name;
  ok &= add_registers(db, where, c.sfr, chip);
  ok &= add_pairs(db, where, c.sfr16, chip);
  std::stable_sort(chip.registers.begin(), chip.registers.end(),
                   [](const chiphdr_register &a, const chiphdr_register &b) { return a.address < b.address; });
  ok = ok && check_chip(db, where, chip);
  c.chip = chip;
  c.resolving = false;
  c.resolved = true;
  c.ok = ok;
  return ok;
}

int collect_chip(void *user, chip_record *record) {
  db_registers &db = *static_cast<db_registers *>(user);
  if (!db.defaults_taken) {
    db.core_sfr = values_of(record->defaults, "SFR");
    db.core_sfr16 = values_of(record->defaults, "SFR16");
    db.defaults_taken = true;
  }
  raw_chip c;
  c.name = record->name;
  c.sfr = values_of(record->section, "SFR");
  c.sfr16 = values_of(record->section, "SFR16");
  c.from = values_of(record->section, "SFRFROM");
  db.chips.push_back(c);
  return 0;
}

std::string hex_address(uint32_t address) {
  char text[16];
  snprintf(text, sizeof text, "0x%03X", unsigned(address));
  return text;
}

std::string upper(std::string s) {
  for (char &c : s) c = char(toupper(uint8_t(c)));
  return s;
}

// The bits structure's members from bit 0 up, unnamed bits merged, filled
// up to the register's eight bits.
std::string bits_members(const chiphdr_register &reg) {
  std::string out;
  int position = 0;
  auto gap = [&](int to) {
    if (to > position) out += "\tunsigned : " + std::to_string(to - position) + ";\n";
    position = to;
  };
  for (const chiphdr_bits &bits : reg.bits) {
    gap(bits.position);
    out += "\tunsigned " + bits.names[0] + " : " + std::to_string(bits.width) + ";\n";
    position += bits.width;
  }
  gap(8);
  return out;
}

bool write_text(const std::string &path, const std::string &text) {
  FILE *f = fopen(path.c_str(), "w");
  bool ok = f && fputs(text.c_str(), f) >= 0;
  if (f && fclose(f) != 0) ok = false;
  if (!ok) msg_report(0, "E", "can't write \"%s\"", path.c_str());
  return ok;
}

}  // namespace

bool chiphdr_read(const char *database, std::vector<chiphdr_chip> &chips) {
  chips.clear();
  db_registers db;
  db.database = database;
  uint32_t errors = msg_error_count();
  chipinfo_enum(database, &db, collect_chip);
  bool ok = msg_error_count() == errors;
  ok &= add_registers(db, "defaults", db.core_sfr, db.core);
  ok &= add_pairs(db, "defaults", db.core_sfr16, db.core);
  // A faulty core would be reported again for every chip.
  if (!ok || !check_chip(db, "defaults", db.core)) return false;
  std::set<std::string> seen;
  for (raw_chip &c : db.chips) {
    // The driver's macro _<chip> selects the chip's header, named in lower case.
    if (!is_c_name("_" + c.name)) {
      fault(db, "chip " + c.name, "the name makes no C name after \"_\"");
      ok = false;
    }
    if (!seen.insert(upper(c.name)).second) {
      fault(db, "chip " + c.name, "the chip is given twice");
      ok = false;
    }
    ok &= resolve(db, c);
  }
  for (raw_chip &c : db.chips) chips.push_back(c.chip);
  return ok;
}

std::vector<chiphdr_bit_object> chiphdr_bit_objects(const chiphdr_chip &chip) {
  // How many registers use each single-bit name.
  std::map<std::string, int> users;
  std::set<std::string> taken(chip.pairs.begin(), chip.pairs.end());
  for (const chiphdr_register &reg : chip.registers) {
    std::set<std::string> own;
    for (const chiphdr_bits &bits : reg.bits)
      for (size_t a = 0; a < bits.names.size(); a++)
        for (int k = 0; k < bits.width; k++) own.insert(single_name(bits, a, k));
    for (const std::string &name : own) users[name]++;
    taken.insert(reg.names.begin(), reg.names.end());
  }
  std::vector<chiphdr_bit_object> out;
  for (const chiphdr_register &reg : chip.registers)
    for (const chiphdr_bits &bits : reg.bits)
      for (int k = 0; k < bits.width; k++)
        for (size_t a = 0; a < bits.names.size(); a++) {
          std::string name = single_name(bits, a, k);
          bool plain = users[name] == 1 && name.size() > 1 && !taken.count(name);
          out.push_back({plain ? name : reg.names[0] + "_" + name, reg.address, bits.position + k});
        }
  return out;
}

std::string chiphdr_file_name(const std::string &chip) {
  std::string name = "tovra18_" + chip + ".h";
  for (char &c : name) c = char(tolower(uint8_t(c)));
  return name;
}

std::string chiphdr_header(const chiphdr_chip &chip) {
  std::string guard = "TOVRA18_" + upper(chip.name) + "_H";
  std::string out =
      "/* Special function registers of the PIC" + chip.name +
      ", written by the build from the chip\n"
      "   database. Include <tovra18.h>, which picks the header of the chip compiled for. */\n"
      "#ifndef " + guard + "\n#define " + guard + "\n\n"
      "#ifndef _" + chip.name + "\n#error \"" + chiphdr_file_name(chip.name) + " is the header of the " + chip.name +
      ": include <tovra18.h>\"\n#endif\n";
  std::vector<chiphdr_bit_object> bit_objects = chiphdr_bit_objects(chip);
  for (const chiphdr_register &reg : chip.registers) {
    std::string at = hex_address(reg.address);
    out += "\n";
    for (const std::string &name : reg.names) out += "volatile unsigned char " + name + " @ " + at + ";\n";
    for (const chiphdr_bit_object &bit : bit_objects)
      if (bit.address == reg.address)
        out += "volatile bit " + bit.name + " @ (" + at + " * 8 + " + std::to_string(bit.bit) + ");\n";
    if (!reg.bits.empty())
      for (const std::string &name : reg.names)
        out += "volatile struct {\n" + bits_members(reg) + "} " + name + "bits @ " + at + ";\n";
    for (const std::string &pair : chip.pairs)
      if (has_name(reg, pair + "H"))
        out += "volatile unsigned int " + pair + " @ " + hex_address(reg.address - 1) + ";\n";
  }
  out += "\n#endif\n";
  return out;
}

std::string chiphdr_selector(const std::vector<chiphdr_chip> &chips) {
  std::string out =
      "/* The chip headers, one of which <tovra18.h> includes for the chip that the\n"
      "   driver names in its macro _<chip>; written by the build from the chip database. */\n";
  const char *keyword = "#if";
  for (const chiphdr_chip &chip : chips) {
    out += std::string(keyword) + " defined(_" + chip.name + ")\n#include <" + chiphdr_file_name(chip.name) + ">\n";
    keyword = "#elif";
  }
  out += chips.empty() ? "#if 1\n" : "#else\n";
  out += "#error \"tovra18.h: no chip of the chip database is selected (compile with tovra18 --chip=NAME)\"\n#endif\n";
  return out;
}

bool chiphdr_write(const char *database, const char *folder) {
  std::vector<chiphdr_chip> chips;
  if (!chiphdr_read(database, chips)) return false;
  bool ok = true;
  std::string dir = std::string(folder) + "/";
  for (const chiphdr_chip &chip : chips) ok &= write_text(dir + chiphdr_file_name(chip.name), chiphdr_header(chip));
  ok &= write_text(dir + chiphdr_selector_name, chiphdr_selector(chips));
  return ok;
}
