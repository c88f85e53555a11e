// Random C programs, run twice: built for this host by its C compiler, and
// through the front end and codrel's model with the final statements
// interpreted. Their arithmetic is in 32-bit unsigned longs, bytes, and
// 16-bit words, signed or not, cast back after every operation, whose C
// results do not depend on the width of int, and they do nothing C leaves
// undefined or unordered, so both runs must leave the same values. (A
// conversion to a signed type that cannot hold the value keeps the low
// bits, as both this host and the target do.)
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "codegen/model/tests/model_exec.h"
#include "tests/support/test_support.h"

namespace {

struct program_generator {
  std::mt19937 rng;
  std::string out;
  int loop_depth = 0;
  int callable = 0;  // 2 in main (f1 and f2), 1 in f1 (f2), 0 in f2
  bool in_main = false;
  std::vector<std::string> longs, words, signeds, bytes;  // variables that statements may assign

  explicit program_generator(unsigned seed) : rng(seed) {}

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  std::string constant() {
    // Cast, so that the host reads them at 32 bits too: its unsigned long
    // is wider.
    static const char *const values[] = {"(u32)0", "(u32)1", "(u32)2", "(u32)3", "(u32)7", "(u32)8",
                                         "(u32)100", "(u32)255", "(u32)256", "(u32)1000", "(u32)0xFFFF",
                                         "(u32)0x10000", "(u32)0x7FFFFFFF", "(u32)0x80000000",
                                         "(u32)0xFFFFFFFF", "(u32)0x12345678", "(u32)0xDEADBEEF", "(u32)31"};
    return values[pick(sizeof values / sizeof values[0])];
  }

  std::string word_constant() {
    static const char *const values[] = {"(u16)0", "(u16)1", "(u16)2", "(u16)7", "(u16)255", "(u16)256",
                                         "(u16)0x7FFF", "(u16)0x8000", "(u16)0xFFFF", "(u16)1000", "(u16)15"};
    return values[pick(sizeof values / sizeof values[0])];
  }

  // A u16 expression without side effects. Every operation is cast back to
  // u16 and products are taken at 32 bits: the host's int is wider, and
  // its result must not depend on that.
  std::string word(int depth) {
    if (depth <= 0 || pick(4) == 0) {
      switch (pick(4)) {
        case 0: return word_constant();
        case 1: return "(u16)" + bytes[size_t(pick(int(bytes.size())))];
        default: return words[size_t(pick(int(words.size())))];
      }
    }
    std::string a = word(depth - 1), b = word(depth - 1);
    switch (pick(9)) {
      case 0: {
        static const char *const ops[] = {"+", "-", "&", "|", "^"};
        return "(u16)(" + a + " " + ops[pick(5)] + " " + b + ")";
      }
      case 1: return "(u16)((u32)" + a + " * " + b + ")";
      case 2: return "(u16)(" + a + (pick(2) ? " << " : " >> ") + "(" + b + " & (u16)15))";
      case 3: return "(u16)(" + a + (pick(2) ? " / " : " % ") + "(u16)(" + b + " | (u16)1))";
      case 4: {
        static const char *const ops[] = {"<", "<=", ">", ">=", "==", "!="};
        return "(u16)(" + a + " " + ops[pick(6)] + " " + b + ")";
      }
      case 5: return "(u16)(" + word(depth - 1) + " ? " + a + " : " + b + ")";
      case 6: return pick(2) ? "(u16)(~" + a + ")" : "(u16)(-" + a + ")";
      case 7: return pick(2) ? "(u16)" + expr(depth - 1) : "(u16)" + signed_word(depth - 1);
      default: return "(u16)!" + a;
    }
  }

  // A signed 16-bit expression without side effects. Sums, differences,
  // products and left shifts are made in unsigned arithmetic, divisors are
  // positive: nothing overflows, whatever the width of int.
  std::string signed_word(int depth) {
    if (depth <= 0 || pick(4) == 0) {
      static const char *const values[] = {"(s16)0", "(s16)1", "(s16)-1", "(s16)-7", "(s16)100", "(s16)-32768",
                                           "(s16)32767", "(s16)-300", "(s16)5"};
      switch (pick(4)) {
        case 0: return values[pick(sizeof values / sizeof values[0])];
        case 1: return "(s16)(signed char)" + bytes[size_t(pick(int(bytes.size())))];
        default: return signeds[size_t(pick(int(signeds.size())))];
      }
    }
    std::string a = signed_word(depth - 1), b = signed_word(depth - 1);
    switch (pick(11)) {
      case 0: {
        static const char *const ops[] = {"+", "-"};
        return "(s16)(u16)((u16)" + a + " " + ops[pick(2)] + " (u16)" + b + ")";
      }
      case 1: return "(s16)(u16)((u32)(u16)" + a + " * (u16)" + b + ")";
      case 2: {
        static const char *const ops[] = {"&", "|", "^"};
        return "(s16)(" + a + " " + ops[pick(3)] + " " + b + ")";
      }
      case 3: return "(s16)(" + a + (pick(2) ? " / " : " % ") + "(s16)((" + b + " & 0x3FFF) | 1))";
      case 4: return "(s16)(" + a + " >> (" + b + " & 15))";
      case 5: return "(s16)(u16)((u16)" + a + " << (" + b + " & 15))";
      case 6: {
        static const char *const ops[] = {"<", "<=", ">", ">=", "==", "!="};
        return "(s16)(" + a + " " + ops[pick(6)] + " " + b + ")";
      }
      case 7: return "(s16)(" + signed_word(depth - 1) + " ? " + a + " : " + b + ")";
      case 8: return pick(2) ? "(s16)(~" + a + ")" : "(s16)(u16)(-(u16)" + a + ")";
      case 9: return pick(2) ? "(s16)" + word(depth - 1) : "(s16)(signed char)" + a;
      default: return "(s16)!" + a;
    }
  }

  std::string leaf() {
    switch (pick(6)) {
      case 0: return constant();
      case 1: return "(u32)" + bytes[size_t(pick(int(bytes.size())))];
      case 4: return "(u32)" + word(1);
      case 5:
        // Widening a signed value extends its sign.
        return pick(2) ? "(u32)" + signed_word(1) : "(u32)(long)" + signed_word(1);
      case 2:
        if (!in_main) return constant();
        switch (pick(5)) {
          case 0: return "(u32)la[" + std::to_string(pick(4)) + "]";
          case 1: return "(u32)lw[" + std::to_string(pick(3)) + "]";
          case 2: return pick(2) ? "(u32)*p" : (pick(2) ? "ls.c" : "(u32)gst.b");
          case 3: return pick(2) ? "(u32)sum4(la)" : "(u32)(long)ls.d + ls.a";
          default: return "(u32)arr[" + std::to_string(pick(8)) + "]";
        }
      default: return longs[size_t(pick(int(longs.size())))];
    }
  }

  // A u32 expression without side effects.
  std::string expr(int depth) {
    if (depth <= 0 || pick(4) == 0) return leaf();
    std::string a = expr(depth - 1), b = expr(depth - 1);
    switch (pick(12)) {
      case 0: {
        static const char *const ops[] = {"+", "-", "*", "&", "|", "^"};
        return "(" + a + " " + ops[pick(6)] + " " + b + ")";
      }
      case 1: return "(" + a + (pick(2) ? " << " : " >> ") + "(" + b + " & (u32)31))";
      case 2: return "(" + a + (pick(2) ? " / " : " % ") + "(" + b + " | (u32)1))";
      case 3: {
        static const char *const ops[] = {"<", "<=", ">", ">=", "==", "!="};
        return "(u32)(" + a + " " + ops[pick(6)] + " " + b + ")";
      }
      case 4: return "(u32)(" + a + (pick(2) ? " && " : " || ") + b + ")";
      case 5: return "(" + expr(depth - 1) + " ? " + a + " : " + b + ")";
      case 6: return pick(2) ? "(~" + a + ")" : "(-" + a + ")";
      case 7: return "(u32)(u8)" + a;
      case 8: return "(u32)!" + a;
      case 9:
        if (callable == 2) return (pick(3) ? "f1(" : "fp(") + a + ", (u8)" + b + ")";
        if (callable == 1) return "(u32)f2((u8)" + a + ")";
        return "(" + a + " - " + b + ")";
      case 10:
        if (callable >= 1) return "(u32)f2((u8)" + a + ")";
        return "(" + a + " + " + b + ")";
      default: return "(" + a + " + " + b + ")";
    }
  }

  void line(const std::string &text, int indent) { out += std::string(size_t(2 * indent), ' ') + text + "\n"; }

  void statements(int count, int depth, int indent) {
    for (int k = 0; k < count; k++) statement(depth, indent);
  }

  void statement(int depth, int indent) {
    const std::string &l = longs[size_t(pick(int(longs.size())))];
    const std::string &c = bytes[size_t(pick(int(bytes.size())))];
    const std::string &h = words[size_t(pick(int(words.size())))];
    const std::string &sv = signeds[size_t(pick(int(signeds.size())))];
    int kind = depth <= 0 ? pick(4) : pick(12);
    switch (kind) {
      case 11:
        switch (pick(5)) {
          case 0: line(sv + " = " + signed_word(3) + ";", indent); break;
          case 1: line(sv + " = (s16)(u16)((u16)" + sv + " + (u16)" + signed_word(2) + ");", indent); break;
          case 2: line(sv + " /= (s16)((" + signed_word(1) + " & 0x3FFF) | 1);", indent); break;
          case 3: line(sv + " >>= (" + signed_word(1) + " & 15);", indent); break;
          default: line(sv + " %= (s16)((" + signed_word(1) + " & 0x3FFF) | 1);", indent);
        }
        break;
      case 10:
        switch (pick(6)) {
          case 0: line(h + " = " + word(3) + ";", indent); break;
          case 1: line(h + (pick(2) ? " += " : " -= ") + word(2) + ";", indent); break;
          case 2: line(h + (pick(2) ? " ^= " : " &= ") + word(2) + ";", indent); break;
          case 3: line(h + (pick(2) ? " <<= " : " >>= ") + "(" + word(1) + " & (u16)15);", indent); break;
          case 4: line(h + " /= (u16)(" + word(1) + " | (u16)1);", indent); break;
          default: line(h + (pick(2) ? "++;" : "--;"), indent);
        }
        break;
      case 0: line(l + " = " + expr(3) + ";", indent); break;
      case 1: {
        static const char *const ops[] = {"+=", "-=", "*=", "&=", "|=", "^="};
        line(l + " " + ops[pick(6)] + " " + expr(2) + ";", indent);
        break;
      }
      case 2: line(c + " = (u8)" + expr(3) + ";", indent); break;
      case 3:
        switch (pick(5)) {
          case 0: line(c + "++;", indent); break;
          case 1: line(l + "--;", indent); break;
          case 2: line(l + " <<= (" + expr(1) + " & (u32)31);", indent); break;
          case 3: line(l + " /= (" + expr(1) + " | (u32)1);", indent); break;
          default:
            if (!in_main) {
              line(c + " += (u8)" + expr(2) + ";", indent);
              break;
            }
            // Local arrays, written by index and through a pointer that
            // stays inside one of them.
            switch (pick(6)) {
              case 0: line("la[" + expr(1) + " & (u32)3] = (u8)" + expr(2) + ";", indent); break;
              case 1: line("lw[" + expr(1) + " % (u32)3] = " + word(2) + ";", indent); break;
              case 2: line("p = &la[" + expr(1) + " & (u32)3];", indent); break;
              case 3: line("*p " + std::string(pick(2) ? "+=" : "^=") + " (u8)" + expr(2) + ";", indent); break;
              case 4:
                // Structures: members, copies, and one made by a function.
                switch (pick(6)) {
                  case 0: line("ls.a = (u8)" + expr(2) + ";", indent); break;
                  case 1: line("ls.b = " + word(2) + ";", indent); break;
                  case 2: line("ls.c ^= " + expr(2) + ";", indent); break;
                  case 3: line("ls.d = " + signed_word(2) + ";", indent); break;
                  case 4: line("gst = ls;", indent); break;
                  default: line("ls = make(" + expr(2) + ");", indent);
                }
                break;
              default: line("arr[" + expr(1) + " & (u32)7] = (u8)" + expr(2) + ";", indent);
            }
        }
        break;
      case 4:
      case 5:
        line("if (" + expr(2) + ") {", indent);
        statements(1 + pick(2), depth - 1, indent + 1);
        if (pick(2)) {
          line("} else {", indent);
          statements(1 + pick(2), depth - 1, indent + 1);
        }
        line("}", indent);
        break;
      case 6:
        if (loop_depth < 2) {
          std::string i = "i" + std::to_string(loop_depth);
          line("for (" + i + " = 0; " + i + " < " + std::to_string(1 + pick(4)) + "; " + i + "++) {", indent);
          loop_depth++;
          statements(1 + pick(3), depth - 1, indent + 1);
          if (pick(3) == 0) line("if (" + expr(1) + ") " + (pick(2) ? "break;" : "continue;"), indent + 1);
          loop_depth--;
          line("}", indent);
          break;
        }
        [[fallthrough]];
      case 7:
        if (loop_depth < 2) {
          std::string w = "w" + std::to_string(loop_depth);
          line(w + " = " + std::to_string(1 + pick(4)) + ";", indent);
          line("while (" + w + "--) {", indent);
          loop_depth++;
          statements(1 + pick(2), depth - 1, indent + 1);
          loop_depth--;
          line("}", indent);
          break;
        }
        [[fallthrough]];
      case 8:
        line("switch (" + expr(2) + " & (u32)3) {", indent);
        line("case 0:", indent);
        statements(1, depth - 1, indent + 1);
        line("break;", indent + 1);
        line("case 1:", indent);
        statements(1, depth - 1, indent + 1);
        line("case 2:", indent);
        statements(1, depth - 1, indent + 1);
        line("break;", indent + 1);
        line("default:", indent);
        statements(1, depth - 1, indent + 1);
        line("}", indent);
        break;
      default: line(l + " ^= " + expr(3) + ";", indent); break;
    }
  }

  std::string program() {
    out = "volatile u32 r0, r1, r2, r3;\n"
          "struct st { u8 a; u16 b; u32 c; s16 d; };\n"
          "static struct st gst;\n"
          "static u32 g0 = 0x1234, g1;\n"
          "static u16 gh = 0xBEEF;\n"
          "static s16 gs = -1234;\n"
          "static u8 b0 = 7, b1;\n"
          "static u8 arr[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };\n";
    // Helpers read the globals but change only their own variables, so no
    // expression depends on the order its calls run in.
    out += "static u8 f2(u8 x) {\n  u32 s = x;\n  u16 v = x;\n  s16 n = (s16)(signed char)x;\n  u8 i0, i1, w0, w1;\n";
    longs = {"s"};
    words = {"v"};
    signeds = {"n"};
    bytes = {"x"};
    statements(2, 2, 1);
    bytes = {"x", "b0", "b1"};
    out += "  return (u8)(" + expr(2) + ");\n}\n";
    callable = 1;
    out += "static u32 f1(u32 a, u8 b) {\n  u32 t = a ^ g0;\n  u16 v = (u16)a;\n  s16 n = (s16)v;\n  u8 i0, i1, w0, w1;\n";
    longs = {"a", "t"};
    words = {"v"};
    signeds = {"n"};
    bytes = {"b"};
    statements(3, 2, 1);
    longs = {"a", "t", "g0", "g1"};
    words = {"v", "gh"};
    signeds = {"n", "gs"};
    bytes = {"b", "b0", "b1"};
    out += "  return " + expr(3) + " + v + (u32)n;\n}\n";
    // Reads the four bytes a pointer gives it, and nothing else.
    out += "static u8 sum4(const u8 *q) {\n  return (u8)(q[0] + q[1] * 3 + q[2] * 5 + q[3] * 7);\n}\n";
    out += "static struct st make(u32 x) {\n  struct st m;\n  m.a = (u8)x;\n  m.b = (u16)(x >> 8);\n"
           "  m.c = x ^ g0;\n  m.d = (s16)(u16)(x >> 3);\n  return m;\n}\n";
    out += "static u32 (*fp)(u32, u8) = f1;\n";
    in_main = true;
    callable = 2;
    out += "int main(void) {\n  u32 l0 = " + constant() + ", l1 = " + constant() + ";\n  u16 h0 = " +
           word_constant() + ";\n  s16 k0 = -" + std::to_string(pick(40000) % 32768) + ";\n  u8 c0 = " +
           std::to_string(pick(256)) + ", i0, i1, w0, w1;\n  u8 la[4] = { 9, 8, 7, 6 };\n"
           "  u16 lw[3] = { 1000, 2000, 3000 };\n  u8 *p = &la[" + std::to_string(pick(4)) + "];\n  struct st ls;\n"
           "  ls.a = 1; ls.b = 2; ls.c = 3; ls.d = -4;\n";
    longs = {"l0", "l1", "g0", "g1"};
    words = {"h0", "gh"};
    signeds = {"k0", "gs"};
    bytes = {"c0", "b0", "b1"};
    statements(6, 3, 1);
    out += "  r0 = l0 ^ g0 ^ ((u32)(u16)k0 << 8);\n  r1 = l1 + g1 + ((u32)h0 << 16) + gh + (u32)gs;\n  r2 = (u32)b0 * (u32)65536 + (u32)b1 * (u32)256 + c0;\n";
    out += "  r2 ^= ((u32)la[0] << 24) + ((u32)la[1] << 16) + ((u32)la[2] << 8) + la[3] + lw[0] + lw[1] + lw[2] +\n"
           "        (u32)(p - la);\n";
    out += "  r3 = arr[0] + arr[1] * (u32)2 + arr[2] * (u32)4 + arr[3] * (u32)8 + arr[4] * (u32)16 +\n"
           "       arr[5] * (u32)32 + arr[6] * (u32)64 + arr[7] * (u32)128;\n";
    out += "  r3 += ls.a + ((u32)ls.b << 8) + ls.c + (u32)ls.d + gst.a + gst.b + gst.c + (u32)gst.d;\n";
    out += "  return 0;\n}\n";
    return out;
  }
};

// What the host's C compiler makes of the program.
std::string host_values(const std::string &program, std::string *trouble) {
  std::string dir = make_scratch_dir("host_");
  write_file(dir + "/h.c",
             "typedef unsigned char u8; typedef unsigned short u16; typedef short s16; typedef unsigned int u32;\n"
             "#define main program_main\n" + program +
                 "#undef main\n#include <stdio.h>\nint main(void) {\n  program_main();\n"
                 "  printf(\"_r0 %u\\n_r1 %u\\n_r2 %u\\n_r3 %u\\n\", r0, r1, r2, r3);\n  return 0;\n}\n");
  run_result r = run_in(dir, "cc -w -o h h.c && ./h");
  if (r.status != 0) *trouble = r.err;
  return r.out;
}

TEST(ModelRandomPrograms, AgreeWithTheHostCompiler) {
  if (!have_tool("cc")) GTEST_SKIP() << "no host C compiler";
  const char prelude[] =
      "typedef unsigned char u8; typedef unsigned int u16; typedef int s16; typedef unsigned long u32;\n";
  for (unsigned seed = 1; seed <= 40; seed++) {
    program_generator gen(seed);
    std::string program = gen.program();
    std::string trouble;
    std::string expected = host_values(program, &trouble);
    ASSERT_TRUE(trouble.empty()) << trouble << program;
    std::string got = model_run_program(prelude + program, {"_r0", "_r1", "_r2", "_r3"}, seed % 2 == 0);
    EXPECT_EQ(got, expected) << "seed " << seed << "\n" << program;
    if (got != expected) break;
  }
}

}  // namespace
