// A tiny PIC18 interpreter for the straight-line code and simple loops the
// target macros write: it runs the lines on named byte cells, W, C and Z,
// and counts instruction cycles. Operand texts are the cells' names with
// their access suffix (",c" or "&0ffh,b").
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

struct pic_interp {
  std::map<std::string, uint32_t> cells;
  uint32_t w = 0;
  bool c = false, z = false;
  uint64_t cycles = 0;
  std::string error;

  static std::string trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    size_t start = s.find_first_not_of(" \t");
    return start == std::string::npos ? "" : s.substr(start);
  }
  // The cell a register operand names, without its access suffix or parentheses.
  static std::string cell_name(std::string s) {
    for (const char *suffix : {"&0ffh", ",c", ",b"}) {
      size_t at = s.find(suffix);
      if (at != std::string::npos) s.erase(at, std::string(suffix).size());
    }
    std::string out;
    for (char ch : s)
      if (ch != '(' && ch != ')') out += ch;
    return trim(out);
  }
  // Decimal, or hexadecimal with a trailing "h"; "a ^ b" as the compare chain writes it.
  static uint32_t number(const std::string &text) {
    size_t caret = text.find('^');
    if (caret != std::string::npos) return number(text.substr(0, caret)) ^ number(text.substr(caret + 1));
    std::string t = trim(text);
    if (!t.empty() && (t.back() == 'h' || t.back() == 'H')) return uint32_t(std::stoul(t.substr(0, t.size() - 1), nullptr, 16));
    return uint32_t(std::stol(t, nullptr, 10));
  }
  uint32_t &cell(const std::string &name) { return name == "wreg" ? w : cells[name]; }

  // Runs `text` from its first line until it falls off the end; false on an unknown line.
  bool run(const std::string &text, uint64_t step_limit = 100000000) {
    std::vector<std::string> lines;
    std::map<std::string, size_t> labels;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
      size_t semi = l.find(';');
      if (semi != std::string::npos) l.erase(semi);
      l = trim(l);
      if (l.empty()) continue;
      if (l.back() == ':') {
        labels[l.substr(0, l.size() - 1)] = lines.size();
        continue;
      }
      lines.push_back(l);
    }
    auto words_of = [](const std::string &l, std::string *mnemonic) {
      size_t gap = l.find_first_of(" \t");
      *mnemonic = l.substr(0, gap);
      return gap == std::string::npos ? std::string() : trim(l.substr(gap));
    };
    auto is_two_words = [&](size_t at) {
      std::string m;
      if (at >= lines.size()) return false;
      words_of(lines[at], &m);
      return m == "goto" || m == "movff" || m == "call";
    };
    for (size_t pc = 0; pc < lines.size();) {
      if (step_limit-- == 0) return error = "runs away", false;
      std::string m, args = words_of(lines[pc], &m);
      // The operand and what follows it (",w", ",f" or a bit number); an
      // access designator may come last ("wreg,f,c").
      std::string operand = args, tail;
      size_t last = args.rfind(',');
      if (last != std::string::npos && (trim(args.substr(last + 1)) == "c" || trim(args.substr(last + 1)) == "b")) {
        size_t before = args.rfind(',', last - 1);
        std::string d = before == std::string::npos ? "" : trim(args.substr(before + 1, last - before - 1));
        if (d == "w" || d == "f") {
          operand = args.substr(0, before) + args.substr(last);
          tail = d;
          last = std::string::npos;
        }
      }
      if (last != std::string::npos) {
        std::string after = trim(args.substr(last + 1));
        if (after == "w" || after == "f" || (!after.empty() && isdigit(uint8_t(after[0])))) {
          operand = args.substr(0, last);
          tail = after;
        }
      }
      auto literal = [&]() { return number(args) & 0xFF; };
      auto store = [&](uint32_t v) {
        v &= 0xFF;
        z = v == 0;
        if (tail == "w") w = v;
        else cell(cell_name(operand)) = v;
      };
      uint32_t f = 0;
      static const std::set<std::string> no_file = {"movlw", "andlw", "iorlw", "addlw", "xorlw", "goto", "bra",
                                                     "bcf", "bsf", "btg", "btfsc", "btfss", "movlb"};
      if (!operand.empty() && !no_file.count(m)) f = cell(cell_name(operand));
      cycles++;
      pc++;
      if (m == "nop") {
      } else if (m == "nop2") {
        cycles++;
      } else if (m == "movlb") {
      } else if (m == "movlw") {
        w = literal();
      } else if (m == "movwf") {
        cell(cell_name(operand)) = w;
      } else if (m == "clrf") {
        cell(cell_name(operand)) = 0;
        z = true;
      } else if (m == "setf") {
        cell(cell_name(operand)) = 0xFF;
      } else if (m == "movf") {
        store(f);
      } else if (m == "andwf") {
        store(f & w);
      } else if (m == "iorwf") {
        store(f | w);
      } else if (m == "xorwf") {
        store(f ^ w);
      } else if (m == "xorlw") {
        w = (w ^ number(args)) & 0xFF;
        z = w == 0;
      } else if (m == "decf") {
        store(f - 1);
      } else if (m == "incf") {
        store(f + 1);
      } else if (m == "swapf") {
        store(((f << 4) | (f >> 4)) & 0xFF);
      } else if (m == "rrcf" || m == "rlcf") {
        bool out = m == "rrcf" ? f & 1 : f & 0x80;
        uint32_t v = m == "rrcf" ? (f >> 1) | (c ? 0x80 : 0) : (f << 1) | (c ? 1 : 0);
        c = out;
        store(v);
      } else if (m == "bcf" || m == "bsf" || m == "btg" || m == "btfsc" || m == "btfss") {
        // The bit number is the operand's numeric word: "x,c,3", "status,2,c".
        std::vector<std::string> words;
        std::istringstream parts(args);
        for (std::string word; std::getline(parts, word, ',');) words.push_back(trim(word));
        std::string name;
        uint32_t bit = 8;
        for (const std::string &word : words) {
          if (!word.empty() && isdigit(uint8_t(word[0]))) bit = uint32_t(std::stoul(word));
          else name += (name.empty() ? "" : ",") + word;
        }
        if (bit > 7) return error = "no bit number: " + lines[pc - 1], false;
        bool is_status = cell_name(name) == "status";
        if (is_status && bit != 0 && bit != 2) return error = "a status bit not kept: " + lines[pc - 1], false;
        bool &flag = bit == 0 ? c : z;
        bool set = is_status ? flag : (cell(cell_name(name)) >> bit) & 1;
        if (m == "btfsc" || m == "btfss") {
          if (set != (m == "btfss")) continue;
          cycles += is_two_words(pc) ? 2 : 1;
          pc++;
          continue;
        }
        bool now = m == "bsf" ? true : m == "bcf" ? false : !set;
        if (is_status) flag = now;
        else cell(cell_name(name)) = (cell(cell_name(name)) & ~(1u << bit)) | (uint32_t(now) << bit);
      } else if (m == "rlncf" || m == "rrncf") {
        store(m == "rlncf" ? (f << 1) | (f >> 7) : (f >> 1) | (f << 7));
      } else if (m == "andlw" || m == "iorlw" || m == "addlw") {
        uint32_t k = literal();
        if (m == "addlw") c = w + k > 0xFF;
        w = (m == "andlw" ? w & k : m == "iorlw" ? w | k : w + k) & 0xFF;
        z = w == 0;
      } else if (m == "addwf") {
        c = f + w > 0xFF;
        store(f + w);
      } else if (m == "subwf") {
        c = f >= w;  // no borrow
        store(f - w);
      } else if (m == "bra") {
        if (!labels.count(args)) return error = "no label " + args, false;
        pc = labels[args];
        cycles++;
      } else if (m == "decfsz") {
        uint32_t v = (f - 1) & 0xFF;
        cell(cell_name(operand)) = v;
        if (v == 0) {
          cycles += is_two_words(pc) ? 2 : 1;
          pc++;
        }
      } else if (m == "goto") {
        if (!labels.count(args)) return error = "no label " + args, false;
        pc = labels[args];
        cycles++;
      } else {
        return error = "unknown line: " + lines[pc - 1], false;
      }
    }
    return true;
  }
};
