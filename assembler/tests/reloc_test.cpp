// Relocatable operands: a module of several psects with external names is
// assembled, its relocations are applied here by the linker's rules at
// chosen psect and symbol addresses, and the result must equal gpasm's bytes
// for the same program written at those addresses.
#include <map>
#include <string>
#include <vector>

#include "assembler/tests/quelm_fixture.h"
#include "linker/io.h"

namespace {

const std::map<std::string, uint32_t> psect_base = {
    {"text", 0x200}, {"text2", 0x300}, {"data", 0x1A0}, {"rdata", 0x60}, {"const", 0x12344},
};
const std::map<std::string, uint32_t> external = {{"_ext", 0x600}, {"_ev", 0x345}};

struct line_pair {
  const char *ours, *theirs;
};

// In gpasm's form the psects become org lines and the data labels equates.
const line_pair program[] = {
    {"\tglobal\t_ext,_ev", "_ext equ 0x600\n_ev equ 0x345\n_w equ 0x1A0\n_v equ 0x60\n_tab equ 0x12344\nfn equ 0x300"},
    {"\tpsect\ttext,class=CODE,reloc=2", "\torg 0x200"},
    {"start:", "start:"},
    {"\tmovlw\tlow(_tab)", "\tmovlw low _tab"},
    {"\tmovlw\thigh(_tab)", "\tmovlw high _tab"},
    {"\tmovlw\tlow highword(_tab)", "\tmovlw upper _tab"},
    {"\tmovlw\t_v", "\tmovlw 0x60"},
    {"\tmovlw\t_v+10", "\tmovlw 0x6A"},
    {"\taddlw\t_ev-300h", "\taddlw 0x45"},
    {"\tmovwf\t_w&0ffh", "\tmovwf 0xA0, 1"},
    {"\tmovwf\t(_w+1)&0ffh", "\tmovwf 0xA1, 1"},
    {"\tmovf\t_v,w,c", "\tmovf 0x60, 0, 0"},
    {"\tbsf\t(_w+2)&0ffh,3", "\tbsf 0xA2, 3, 1"},
    {"\tclrf\t_ev&0ffh", "\tclrf 0x45, 1"},
    {"\tmovlb\t_w>>8", "\tmovlb 1"},
    {"\tmovlb\thigh(_ev)", "\tmovlb 3"},
    {"\tcall\t_ext", "\tcall 0x600, 0"},
    {"\tcall\tfn,f", "\tcall 0x300, 1"},
    {"\tgoto\tfn", "\tgoto 0x300"},
    {"\tgoto\t_ext+4", "\tgoto 0x604"},
    {"\tbra\tfn", "\tbra 0x300"},
    {"\tbz\tfn", "\tbz 0x300"},
    {"\trcall\t_ext", "\trcall 0x600"},
    {"\tbnc\tstart", "\tbnc start"},
    {"\tlfsr\t1,_w", "\tlfsr 1, 0x1A0"},
    {"\tlfsr\t2,_ev+2", "\tlfsr 2, 0x347"},
    {"\tmovff\t_w,_ev", "\tmovff 0x1A0, 0x345"},
    {"\tmovff\t_w+3,_ev-1", "\tmovff 0x1A3, 0x344"},
    {"\tmovff\t_ev*2,_v", "\tmovff 0x68A, 0x60"},
    {"\tdw\tfn", "\tdw 0x300"},
    {"\tdw\t_ext+4", "\tdw 0x604"},
    {"\tdb\tlow fn, high fn", "\tdb 0x00, 0x03"},
    {"\tdb\t_v,_v+100", "\tdb 0x60, 0xC4"},
    {"\tdw\tfn-start", "\tdw 0x100"},
    {"\tdw\t$", "\tdw $"},
    {"\tdw\t_ev+200,(_ext|1)", "\tdw 0x40D, 0x601"},
    {"\tpsect\ttext2,class=CODE,reloc=2", "\torg 0x300"},
    {"fn:\treturn", "\treturn"},
    {"\tpsect\tdata,class=RAM,space=1", ""},
    {"_w:\tds\t4", ""},
    {"\tpsect\trdata,class=COMRAM,space=1", ""},
    {"_v:\tds\t1", ""},
    {"\tpsect\tconst,class=CODE", "\torg 0x12344"},
    {"_tab:\tdb\t1,2", "\tdb 1, 2"},
};

uint32_t get(const std::vector<uint8_t> &b, size_t at, int size) {
  uint32_t v = 0;
  for (int i = 0; i < size; i++) v |= (uint32_t)b[at + i] << (8 * i);
  return v;
}

// Applies relocations the way the linker does: a stack machine for
// expressions, the field's own bits as a signed addend, and the check that
// the bits above the field are all 0 or all 1.
struct mini_linker {
  std::map<uint32_t, uint8_t> image;
  std::vector<std::string> problems;
  std::string psect;
  uint32_t offset = 0;
  std::vector<uint8_t> data;

  uint32_t psect_value(const std::string &name) {
    auto it = psect_base.find(name);
    if (it == psect_base.end()) problems.push_back("unknown psect " + name);
    return it == psect_base.end() ? 0 : it->second;
  }
  uint32_t symbol_value(const std::string &name) {
    auto it = external.find(name);
    if (it == external.end()) problems.push_back("unknown symbol " + name);
    return it == external.end() ? 0 : it->second;
  }

  uint32_t evaluate(const uint8_t *p, const uint8_t *end, uint32_t field_address) {
    std::vector<uint32_t> stack;
    auto pop = [&] {
      uint32_t v = stack.empty() ? 0 : stack.back();
      if (stack.empty()) problems.push_back("stack underflow");
      else stack.pop_back();
      return v;
    };
    while (p < end && *p != IO_OP_END) {
      uint8_t op = *p++;
      std::string name;
      if (io_expr_operand(op) == IO_OPND_NAME) {
        name = (const char *)p;
        p += name.size() + 1;
      }
      switch (op) {
        case IO_OP_CONST: stack.push_back(get(std::vector<uint8_t>(p, p + 4), 0, 4)); p += 4; break;
        case IO_OP_PSECT: stack.push_back(psect_value(name)); break;
        case IO_OP_SYM: stack.push_back(symbol_value(name)); break;
        case IO_OP_PSECT_PCREL: stack.push_back(psect_value(name) - field_address); break;
        case IO_OP_SYM_PCREL: stack.push_back(symbol_value(name) - field_address); break;
        case IO_OP_LOW: stack.push_back(pop() & 0xFF); break;
        case IO_OP_HIGH: stack.push_back((pop() >> 8) & 0xFF); break;
        case IO_OP_NOT: stack.push_back(~pop()); break;
        case IO_OP_NEG: stack.push_back(0u - pop()); break;
        default: {
          uint32_t left = pop(), right = pop(), r = 0;
          switch (op) {
            case IO_OP_ADD: r = left + right; break;
            case IO_OP_SUB: r = left - right; break;
            case IO_OP_MUL: r = left * right; break;
            case IO_OP_DIV: r = right ? left / right : 0; break;
            case IO_OP_SHL: r = left << (right & 31); break;
            case IO_OP_SHR: r = left >> (right & 31); break;
            case IO_OP_ASR: r = (uint32_t)((int32_t)left >> (right & 31)); break;
            case IO_OP_AND: r = left & right; break;
            case IO_OP_OR: r = left | right; break;
            case IO_OP_XOR: r = left ^ right; break;
            default: problems.push_back("operator " + std::to_string(op));
          }
          stack.push_back(r);
        }
      }
    }
    if (stack.size() != 1) problems.push_back("stack depth " + std::to_string(stack.size()));
    return stack.empty() ? 0 : stack.back();
  }

  void flush_text() {
    uint32_t base = psect_base.count(psect) ? psect_base.at(psect) : 0;
    for (size_t i = 0; i < data.size(); i++) image[base + offset + i] = data[i];
    data.clear();
  }

  void relocate(const uint8_t *body, uint32_t length) {
    uint32_t text_base = psect_value(psect) + offset;
    for (uint32_t pos = 0; pos < length;) {
      long next = io_skip_entry(IO_RELOC, body, length, pos);
      if (next < 0) {
        problems.push_back("malformed RELOC");
        return;
      }
      uint32_t at = body[pos] | body[pos + 1] << 8;
      uint8_t type = body[pos + 2];
      const uint8_t *rest = body + pos + 3;
      std::string name = io_reloc_has_expr(type) ? "" : (const char *)rest;
      int kind = type & 0xF0, width, size;
      if (type >= 0xC0) {
        width = type & 0xF;
        size = (width + 7) / 8;
      } else {
        size = type & 0xF;
        width = 8 * size;
      }
      uint32_t value = 0;
      if (kind == 0x10 || kind == 0xD0) value = psect_value(name);
      else if (kind == 0x20 || kind == 0xE0) value = symbol_value(name);
      else if (kind == 0x30 || kind == 0xF0) value = evaluate(rest, body + next, text_base + at);
      else problems.push_back("relocation type " + std::to_string(type));
      uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
      uint32_t field = get(data, at, size);
      uint32_t addend = field & mask;
      if (width < 32 && (addend >> (width - 1)) & 1) addend |= ~mask;
      uint32_t sum = addend + value;
      if (width < 32 && (sum & ~mask) != 0 && (sum & ~mask) != ~mask)
        problems.push_back("overflow at offset " + std::to_string(offset + at));
      field = (field & ~mask) | (sum & mask);
      for (int i = 0; i < size; i++) data[at + i] = (uint8_t)(field >> (8 * i));
      pos = (uint32_t)next;
    }
  }

  void link(const std::string &path) {
    FILE *fp = fopen(path.c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    io_reader r;
    io_reader_init(&r, fp, IO_MAX_BODY);
    while (read_record_header(&r) && read_record_body(&r)) {
      if (r.kind == IO_TEXT) {
        flush_text();
        offset = io_get32(&io_little_endian, r.body);
        psect = (const char *)r.body + 4;
        data.assign(r.body + 5 + psect.size(), r.body + r.length);
      } else if (r.kind == IO_RELOC) {
        relocate(r.body, r.length);
      } else if (r.kind == IO_END) {
        break;
      }
    }
    flush_text();
    fclose(fp);
  }
};

TEST_F(QuelmTest, RelocatedOperandsMatchGpasmAtTheirAddresses) {
  if (system("gpasm -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "gputils' gpasm is not installed";
  std::string ours, theirs = "\tprocessor p18f8722\n\tradix dec\n";
  for (const line_pair &l : program) {
    ours += std::string(l.ours) + "\n";
    if (*l.theirs) theirs += std::string(l.theirs) + "\n";
  }
  ours += "\tend\n";
  theirs += "\tend\n";
  write("mod.as", ours);
  write("abs.asm", theirs);
  ASSERT_EQ(quelm("-omod.obj mod.as"), 0) << errors();
  std::string gpasm = "cd " + dir.string() + " && gpasm -a inhx32 -o abs.hex abs.asm >gpasm.log 2>&1";
  ASSERT_EQ(system(gpasm.c_str()), 0) << read("gpasm.log");

  mini_linker l;
  l.link(path("mod.obj"));
  EXPECT_EQ(l.problems, std::vector<std::string>{});
  std::map<uint32_t, uint8_t> want = intel_hex_bytes(read("abs.hex"));
  EXPECT_GT(want.size(), 80u);
  EXPECT_EQ(l.image, want);
}

// The linker's field check stops a relocated value that does not fit.
TEST_F(QuelmTest, RelocatedValuesThatDoNotFitAreCaught) {
  write("far.as",
        "\tpsect\ttext,class=CODE,reloc=2\n"
        "\tmovlw\t_ext\n"      // 600h in an 8-bit literal
        "\tmovlb\t_ev\n"       // 345h in 4 bits
        "\tbra\t_ext+1000h\n"  // out of reach
        "\tend\n");
  ASSERT_EQ(quelm("-ofar.obj far.as"), 0) << errors();
  mini_linker l;
  l.link(path("far.obj"));
  EXPECT_EQ(l.problems.size(), 3u);
}

}  // namespace
