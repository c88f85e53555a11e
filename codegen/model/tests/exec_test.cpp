// C programs through the front end and codrel's model, their final
// statements interpreted: every volatile result must be what C says. A
// fault anywhere in rewriting, folding, use counting, removal, data layout,
// register allocation or the passing of arguments shows as a wrong value,
// a program that does not end, or a statement that cannot be run.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "codegen/model/tests/model_exec.h"

namespace {

struct exec_case {
  const char *name;
  const char *source;
  std::vector<std::pair<const char *, int64_t>> expected;  // objects and their values after main
};

std::ostream &operator<<(std::ostream &os, const exec_case &c) { return os << c.name; }

// Every result lands in a volatile object, which nothing may remove. The
// expected values are those of the same programs built for a host with
// these sizes, none of them depending on the width of int.
const char PRELUDE[] =
    "typedef unsigned char u8; typedef signed char s8; typedef unsigned int u16; typedef int i16;\n"
    "typedef unsigned long u32; typedef long i32;\n";

const exec_case CASES[] = {
    {"CallsArgumentsAndReturns",
     "volatile i16 r_sum; volatile u8 r_i;\n"
     "static const u8 table[] = { 3, 5, 7 };\n"
     "static i16 add(i16 a, i16 b) { return a + b; }\n"
     "static u8 pick(u8 k) { return table[k]; }\n"
     "int main(void) {\n"
     "  u8 i; i16 s = 0;\n"
     "  for (i = 0; i < 3; i++) s = add(s, pick(i));\n"
     "  r_sum = s; r_i = i;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_sum", 15}, {"_r_i", 3}}},
    {"LoopsOnPostDecrementsAndIncrements",
     "volatile u8 r_count, r_down, r_last; volatile u16 r_n;\n"
     "static u8 count(u16 n) { u8 c = 0; while (n-- > 0) c++; return c; }\n"
     "static u8 down(u8 n) { u8 c = 0; while (n--) c += 2; return c; }\n"
     "int main(void) {\n"
     "  u8 k = 0, last = 0; u16 n = 5;\n"
     "  r_count = count(7);\n"
     "  r_down = down(4);\n"
     "  do { last = k++; } while (k < 6);\n"
     "  r_last = last;\n"
     "  while (--n > 1) ;\n"
     "  r_n = n;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_count", 7}, {"_r_down", 8}, {"_r_last", 5}, {"_r_n", 1}}},
    {"ChoicesAndLogic",
     "volatile u8 r_a, r_b, r_c, r_d; volatile i16 r_e;\n"
     "static u8 classify(i16 x) { return x < 0 ? 1 : x == 0 ? 2 : x < 100 ? 3 : 4; }\n"
     "int main(void) {\n"
     "  i16 x = -5, y = 0, z = 50; u8 t, f;\n"
     "  r_a = (u8)(classify(x) * 64 + classify(y) * 16 + classify(z) * 4 + classify(300));\n"
     "  t = (x < 0) && (z > 10);\n"
     "  f = (y != 0) || (z < 10);\n"
     "  r_b = (u8)(t * 2 + f);\n"
     "  r_c = !y + !!z;\n"
     "  if (x < 0 && y == 0 || z == 7) r_d = 9; else r_d = 8;\n"
     "  r_e = y ? x : z ? -z : 0;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_a", 112}, {"_r_b", 2}, {"_r_c", 2}, {"_r_d", 9}, {"_r_e", -50}}},
    {"SwitchStatements",
     "volatile u16 r_dense, r_sparse;\n"
     "static u8 dense(u8 k) {\n"
     "  switch (k) { case 0: return 10; case 1: return 11; case 2: return 12; case 3: return 13;\n"
     "               case 4: return 14; case 5: return 15; default: return 99; }\n"
     "}\n"
     "static u8 sparse(i16 k) {\n"
     "  u8 r = 0;\n"
     "  switch (k) { case -100: r = 1; break; case 7: r = 2; /* falls through */ case 900: r += 3; break;\n"
     "               case 30000: r = 4; break; default: r = 5; }\n"
     "  return r;\n"
     "}\n"
     "int main(void) {\n"
     "  u8 i; u16 d = 0, s = 0;\n"
     "  for (i = 0; i < 8; i++) d += dense(i);\n"
     "  s = sparse(-100) * 1000 + sparse(7) * 100 + sparse(900) * 10 + sparse(30000);\n"
     "  s = s * 10 + sparse(1);\n"
     "  r_dense = d; r_sparse = s;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_dense", 273}, {"_r_sparse", 15345}}},
    {"CompoundAssignments",
     "volatile u16 r_u; volatile i16 r_s; volatile u8 r_c; volatile i32 r_l;\n"
     "int main(void) {\n"
     "  u16 u = 1000; i16 s = -300; u8 c = 200; i32 l = 100000L;\n"
     "  u += 234; u -= 34; u *= 3; u /= 7; u %= 500; u <<= 3; u >>= 1; u |= 0x8001; u &= 0xF0F3; u ^= 0x0FF0;\n"
     "  s += 45; s *= -3; s /= 4; s %= 50; s <<= 2; s >>= 1; s -= 1000;\n"
     "  c += 100; c >>= 2; c *= 3; c ^= 0x55;\n"
     "  l *= 7; l -= 12345L; l /= -9; l %= 10007L; l <<= 4; l >>= 2;\n"
     "  r_u = u; r_s = s; r_c = c; r_l = l;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_u", 36801}, {"_r_s", -918}, {"_r_c", 116}, {"_r_l", -25428}}},
    {"SignedAndUnsignedDivisionShiftsAndComparisons",
     "volatile i16 r_q, r_r; volatile u16 r_uq, r_ur; volatile i16 r_sh; volatile u16 r_ush; volatile u8 r_cmp;\n"
     "volatile i16 in_a = -37, in_b = 5; volatile u16 in_u = 40000u;\n"
     "int main(void) {\n"
     "  i16 a = in_a, b = in_b; u16 u = in_u;\n"
     "  r_q = a / b; r_r = a % b;\n"
     "  r_uq = u / 7u; r_ur = u % 7u;\n"
     "  r_sh = a >> 2; r_ush = u >> 3;\n"
     "  r_cmp = (u8)((a < b) * 1 + (u > 30000u) * 2 + ((u16)a > u) * 4 + (a < 0) * 8);\n"
     "  return 0;\n"
     "}\n",
     {{"_r_q", -7}, {"_r_r", -2}, {"_r_uq", 5714}, {"_r_ur", 2}, {"_r_sh", -10}, {"_r_ush", 5000}, {"_r_cmp", 15}}},
    {"ArraysPointersAndPostIncrement",
     "volatile u16 r_sum; volatile u8 r_copy; volatile u8 r_len;\n"
     "static u8 src[6] = { 1, 2, 3, 4, 5, 0 };\n"
     "static u8 dst[6];\n"
     "static u8 length(const u8 *p) { u8 n = 0; while (*p++) n++; return n; }\n"
     "static void copy(u8 *d, const u8 *s) { while ((*d++ = *s++) != 0) ; }\n"
     "int main(void) {\n"
     "  u16 sum = 0; u8 i; u16 words[4]; u16 *w = words;\n"
     "  for (i = 0; i < 4; i++) *w++ = (u16)(i * 300);\n"
     "  for (i = 0; i < 4; i++) sum += words[i];\n"
     "  copy(dst, src);\n"
     "  r_sum = sum; r_copy = (u8)(dst[0] + dst[4] * 10); r_len = length(dst);\n"
     "  return 0;\n"
     "}\n",
     {{"_r_sum", 1800}, {"_r_copy", 51}, {"_r_len", 5}}},
    {"StructsAndBitFields",
     "struct flags { unsigned ready:1; unsigned mode:3; unsigned count:4; };\n"
     "struct rec { u8 id; i16 value; struct flags f; };\n"
     "volatile u8 r_bits, r_id; volatile i16 r_value;\n"
     "static struct rec recs[3];\n"
     "static void set(struct rec *r, u8 id, i16 v) { r->id = id; r->value = v; r->f.mode = id & 7; r->f.count = 15; }\n"
     "int main(void) {\n"
     "  u8 k;\n"
     "  for (k = 0; k < 3; k++) set(&recs[k], (u8)(k + 5), (i16)(k * -40));\n"
     "  recs[1].f.ready = 1;\n"
     "  recs[1].f.count -= 3;\n"
     "  r_bits = (u8)(recs[1].f.ready * 128 + recs[1].f.mode * 16 + recs[1].f.count);\n"
     "  r_id = recs[2].id; r_value = recs[2].value + recs[0].value;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_bits", 236}, {"_r_id", 7}, {"_r_value", -80}}},
    {"FunctionPointerTables",
     "typedef i16 (*op_fn)(i16, i16);\n"
     "volatile i16 r_total;\n"
     "static i16 plus(i16 a, i16 b) { return a + b; }\n"
     "static i16 minus(i16 a, i16 b) { return a - b; }\n"
     "static i16 times(i16 a, i16 b) { return a * b; }\n"
     "static const struct { u8 code; op_fn run; } ops[] = { { 1, plus }, { 2, minus }, { 3, times } };\n"
     "int main(void) {\n"
     "  u8 i; i16 t = 2;\n"
     "  for (i = 0; i < 3; i++) t = ops[i].run(t, (i16)(i + 3));\n"
     "  r_total = t;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_total", 5}}},
    {"NestedCallsInArguments",
     "volatile i16 r_v;\n"
     "static i16 sq(i16 x) { return x * x; }\n"
     "static i16 sub3(i16 a, i16 b, i16 c) { return a - b - c; }\n"
     "int main(void) {\n"
     "  i16 k = 3;\n"
     "  r_v = sub3(sq(k + 1), sq(sq(2)) / 8, sub3(20, sq(k), 1));\n"
     "  return 0;\n"
     "}\n",
     {{"_r_v", 4}}},
    {"LongArithmetic",
     "volatile u32 r_crc; volatile i32 r_mix; volatile u16 r_hi;\n"
     "static const u8 data[] = { 0x31, 0x32, 0x33, 0x34, 0x35 };\n"
     "int main(void) {\n"
     "  u32 crc = 0xFFFFFFFFUL; u8 i, b; i32 m = -123456L;\n"
     "  for (i = 0; i < 5; i++) {\n"
     "    crc ^= data[i];\n"
     "    for (b = 0; b < 8; b++) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320UL : crc >> 1;\n"
     "  }\n"
     "  r_crc = ~crc;\n"
     "  m = m * 3 + 1000000L;\n"
     "  m = (m >> 3) - (m / 7);\n"
     "  r_mix = m;\n"
     "  r_hi = (u16)(r_crc >> 16);\n"
     "  return 0;\n"
     "}\n",
     {{"_r_crc", 3421846044}, {"_r_mix", -11243}, {"_r_hi", 52213}}},
    {"BreakContinueGotoAndEarlyReturn",
     "volatile u8 r_found; volatile u16 r_odd; volatile u8 r_g;\n"
     "static u8 find(const u8 *a, u8 n, u8 v) { u8 i; for (i = 0; i < n; i++) if (a[i] == v) return i; return 255; }\n"
     "static const u8 values[] = { 9, 4, 7, 1, 8 };\n"
     "int main(void) {\n"
     "  u8 i, g = 0; u16 odd = 0;\n"
     "  for (i = 0; i < 20; i++) { if (i & 1) continue; if (i > 12) break; odd += i; }\n"
     "  r_found = (u8)(find(values, 5, 7) * 16 + (find(values, 5, 3) == 255));\n"
     "again:\n"
     "  g++;\n"
     "  if (g < 4) goto again;\n"
     "  r_odd = odd; r_g = g;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_found", 33}, {"_r_odd", 42}, {"_r_g", 4}}},
    {"StaticLocalsAndInitialisedData",
     "volatile u16 r_calls; volatile i16 r_init;\n"
     "static i16 start = -7;\n"
     "static u16 table[3] = { 100, 200, 300 };\n"
     "static u16 counter(void) { static u16 n = 40; return ++n; }\n"
     "int main(void) {\n"
     "  counter(); counter();\n"
     "  r_calls = counter();\n"
     "  r_init = start + (i16)table[2];\n"
     "  return 0;\n"
     "}\n",
     {{"_r_calls", 43}, {"_r_init", 293}}},
    {"CharacterPromotions",
     "volatile i16 r_s; volatile u16 r_u; volatile u8 r_c;\n"
     "int main(void) {\n"
     "  s8 a = -100, b = 90; u8 c = 250, d = 10;\n"
     "  r_s = a - b;\n"
     "  r_u = (u16)(c + d);\n"
     "  r_c = (u8)(c + d);\n"
     "  return 0;\n"
     "}\n",
     {{"_r_s", -190}, {"_r_u", 260}, {"_r_c", 4}}},
    {"ShortCircuitsCallOnlyWhatTheyMust",
     "volatile u8 r_calls, r_and, r_or, r_q;\n"
     "static u8 calls;\n"
     "static u8 yes(void) { calls++; return 1; }\n"
     "static u8 no(void) { calls += 10; return 0; }\n"
     "int main(void) {\n"
     "  u8 a, o, q;\n"
     "  a = no() && yes();\n"
     "  o = yes() || no();\n"
     "  q = a ? yes() : no();\n"
     "  if (no() || (yes() && no())) q += 100;\n"
     "  r_calls = calls; r_and = a; r_or = o; r_q = q;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_calls", 42}, {"_r_and", 0}, {"_r_or", 1}, {"_r_q", 0}}},
    {"SideEffectsInsideExpressions",
     "volatile u8 r_a0, r_a1, r_a2, r_i, r_j; volatile i16 r_x, r_y;\n"
     "static u8 a[4];\n"
     "int main(void) {\n"
     "  u8 i = 0, j = 5; i16 x = 10, y = 20, t;\n"
     "  a[i++] = j--;\n"
     "  a[i++] = j--;\n"
     "  a[i] += ++j;\n"
     "  t = (x++, y += x, x + y);\n"
     "  y = t > 40 ? x-- : y++;\n"
     "  r_a0 = a[0]; r_a1 = a[1]; r_a2 = a[2]; r_i = i; r_j = j; r_x = x; r_y = y;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_a0", 5}, {"_r_a1", 4}, {"_r_a2", 4}, {"_r_i", 2}, {"_r_j", 4}, {"_r_x", 10}, {"_r_y", 11}}},
    {"PowersOfTwoForSignedAndUnsigned",
     "volatile i16 r_d4, r_m8, r_d2, r_m2; volatile u16 r_ud, r_um; volatile i32 r_ld, r_lm; volatile i16 r_mul;\n"
     "volatile i16 in_x = -7; volatile i32 in_l = -100001L; volatile u16 in_u = 0xFFF7;\n"
     "int main(void) {\n"
     "  i16 x = in_x; i32 l = in_l; u16 u = in_u;\n"
     "  r_d4 = x / 4; r_m8 = x % 8; r_d2 = x / 2; r_m2 = x % 2;\n"
     "  r_ud = u / 16; r_um = u % 16;\n"
     "  r_ld = l / 256; r_lm = l % 1024;\n"
     "  r_mul = x * 32 + x * -8;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_d4", -1}, {"_r_m8", -7}, {"_r_d2", -3}, {"_r_m2", -1}, {"_r_ud", 4095}, {"_r_um", 7}, {"_r_ld", -390}, {"_r_lm", -673}, {"_r_mul", -168}}},
    {"WideningNarrowingAndSignExtension",
     "volatile i32 r_a, r_b; volatile u32 r_c; volatile i16 r_d; volatile u8 r_e; volatile s8 r_f; volatile u16 r_g;\n"
     "volatile s8 in_s = -3; volatile u8 in_u = 253; volatile i32 in_l = 0x12345678L;\n"
     "int main(void) {\n"
     "  s8 s = in_s; u8 u = in_u; i32 l = in_l;\n"
     "  r_a = s; r_b = u; r_c = (u32)s; r_d = (i16)l; r_e = (u8)(l >> 8); r_f = (s8)u; r_g = (u16)(s8)(u + 10);\n"
     "  return 0;\n"
     "}\n",
     {{"_r_a", -3}, {"_r_b", 253}, {"_r_c", 4294967293}, {"_r_d", 22136}, {"_r_e", 86}, {"_r_f", -3}, {"_r_g", 7}}},
    {"ComparisonsAtTheEdgesOfTheirTypes",
     "volatile u16 r_bits;\n"
     "volatile u8 in_c = 255; volatile s8 in_s = -128; volatile u16 in_u = 0; volatile i16 in_i = -32768;\n"
     "int main(void) {\n"
     "  u8 c = in_c; s8 s = in_s; u16 u = in_u; i16 i = in_i; u16 bits = 0;\n"
     "  if (c < 256) bits |= 1;\n"
     "  if (c > 254) bits |= 2;\n"
     "  if (s < -127) bits |= 4;\n"
     "  if (s >= -128) bits |= 8;\n"
     "  if (u <= 0) bits |= 16;\n"
     "  if (u - 1 > 100) bits |= 32;\n"
     "  if ((i16)(i - 1) > 0) bits |= 128;\n"
     "  if (c == 255 && (s8)c == -1) bits |= 256;\n"
     "  if ((u8)(c + 1) == 0) bits |= 512;\n"
     "  r_bits = bits;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_bits", 959}}},
    {"ShiftsAndRotations",
     "volatile u16 r_rl, r_rr; volatile u8 r_b; volatile u32 r_l; volatile i32 r_s; volatile u16 r_v;\n"
     "volatile u16 in_w = 0x8421; volatile u8 in_n = 5;\n"
     "int main(void) {\n"
     "  u16 w = in_w; u8 n = in_n, b = 0x81; u32 l = 1; i32 s = -1024L;\n"
     "  r_rl = (u16)((w << 3) | (w >> 13));\n"
     "  r_rr = (u16)((w >> 1) | (w << 15));\n"
     "  r_b = (u8)((b << 1) | (b >> 7));\n"
     "  r_l = (l << 31) | (l << n);\n"
     "  r_s = s >> n;\n"
     "  r_v = w >> n;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_rl", 8460}, {"_r_rr", 49680}, {"_r_b", 3}, {"_r_l", 2147483680}, {"_r_s", -32}, {"_r_v", 1057}}},
    {"StructCopiesParametersAndResults",
     "struct pair { i16 a; u8 b; i32 c; };\n"
     "volatile i16 r_a; volatile u8 r_b; volatile i32 r_c;\n"
     "static struct pair make(i16 a, u8 b) { struct pair p; p.a = a; p.b = b; p.c = (i32)a * 1000; return p; }\n"
     "static i32 total(struct pair p) { return p.a + p.b + p.c; }\n"
     "int main(void) {\n"
     "  struct pair x, y;\n"
     "  x = make(-12, 7);\n"
     "  y = x;\n"
     "  y.b += 1;\n"
     "  r_a = y.a; r_b = y.b; r_c = total(y) + total(x);\n"
     "  return 0;\n"
     "}\n",
     {{"_r_a", -12}, {"_r_b", 8}, {"_r_c", -24009}}},
    {"UnionsAndByteOrder",
     "union word { u16 w; u8 b[2]; u32 l; };\n"
     "volatile u8 r_lo, r_hi; volatile u16 r_w; volatile u32 r_l;\n"
     "int main(void) {\n"
     "  union word u;\n"
     "  u.l = 0;\n"
     "  u.w = 0x1234;\n"
     "  r_lo = u.b[0]; r_hi = u.b[1];\n"
     "  u.b[1] = 0xAB;\n"
     "  r_w = u.w;\n"
     "  r_l = u.l;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_lo", 52}, {"_r_hi", 18}, {"_r_w", 43828}, {"_r_l", 43828}}},
    {"StringsAndCharacterArrays",
     "volatile u8 r_len, r_first, r_last; volatile u16 r_sum;\n"
     "static const char names[3][6] = { \"alpha\", \"beta\", \"gamma\" };\n"
     "static char buffer[12];\n"
     "static u8 length(const char *s) { u8 n = 0; while (s[n]) n++; return n; }\n"
     "int main(void) {\n"
     "  u8 i; u16 sum = 0; char *d = buffer; const char *s = \"hey\";\n"
     "  for (i = 0; i < 3; i++) sum += length(names[i]);\n"
     "  while (*s) *d++ = *s++;\n"
     "  *d = 0;\n"
     "  r_len = length(buffer); r_first = (u8)names[1][0]; r_last = (u8)buffer[2]; r_sum = sum;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_len", 3}, {"_r_first", 98}, {"_r_last", 121}, {"_r_sum", 14}}},
    {"PointersComparedAndSubtracted",
     "volatile i16 r_diff; volatile u8 r_cmp; volatile u16 r_sum;\n"
     "static u16 values[6] = { 5, 10, 15, 20, 25, 30 };\n"
     "int main(void) {\n"
     "  u16 *p = values, *q = &values[5], *r; u16 sum = 0;\n"
     "  r_diff = (i16)(q - p);\n"
     "  r_cmp = (u8)((p < q) + (q > p) * 2 + (p == values) * 4 + (p + 5 == q) * 8);\n"
     "  for (r = q; r >= p; r -= 2) sum += *r;\n"
     "  r_sum = sum;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_diff", 5}, {"_r_cmp", 15}, {"_r_sum", 60}}},
    {"NestedLoopsWithBreaksAndContinues",
     "volatile u16 r_count; volatile u8 r_i, r_j;\n"
     "int main(void) {\n"
     "  u8 i, j; u16 count = 0;\n"
     "  for (i = 0; i < 10; i++) {\n"
     "    if (i == 7) break;\n"
     "    j = 0;\n"
     "    do {\n"
     "      j++;\n"
     "      if (j == 3) continue;\n"
     "      if (j > i) break;\n"
     "      count += j;\n"
     "    } while (j < 8);\n"
     "  }\n"
     "  r_count = count; r_i = i; r_j = j;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_count", 44}, {"_r_i", 7}, {"_r_j", 7}}},
    {"GlobalPointersInitialisedToObjects",
     "volatile i16 r_v; volatile u8 r_c;\n"
     "static i16 target = 321;\n"
     "static i16 *const where = &target;\n"
     "static u8 bytes[4] = { 9, 8, 7, 6 };\n"
     "static u8 *cursor = &bytes[2];\n"
     "int main(void) {\n"
     "  *where += 4;\n"
     "  cursor[1] += *cursor;\n"
     "  r_v = target; r_c = bytes[3];\n"
     "  return 0;\n"
     "}\n",
     {{"_r_v", 325}, {"_r_c", 13}}},
    {"PointersToPointersAndTablesOfPointers",
     "volatile u8 r_a, r_b, r_c; volatile u16 r_d;\n"
     "static u8 x = 11, y = 22, z = 33;\n"
     "static u8 *table[3];\n"
     "static u16 w = 4000;\n"
     "int main(void) {\n"
     "  u8 **pp; u8 *p = &y; u16 *q = &w; u16 **qq = &q; u8 i; u16 sum = 0;\n"
     "  table[0] = &x; table[1] = &y; table[2] = &z;\n"
     "  pp = &p;\n"
     "  r_a = **pp;\n"
     "  for (i = 0; i < 3; i++) sum += *table[i];\n"
     "  r_b = (u8)sum;\n"
     "  r_c = *table[2] + *pp[0];\n"
     "  r_d = **qq + 1;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_a", 22}, {"_r_b", 66}, {"_r_c", 55}, {"_r_d", 4001}}},
    {"StructsWithPointerMembers",
     "struct node { u8 *data; u8 tag; struct node *next; };\n"
     "volatile u8 r_sum, r_tags;\n"
     "static u8 a = 5, b = 7;\n"
     "static struct node n2 = { &b, 2, 0 };\n"
     "static struct node n1 = { &a, 1, &n2 };\n"
     "int main(void) {\n"
     "  struct node *n; u8 sum = 0, tags = 0;\n"
     "  for (n = &n1; n; n = n->next) { sum += *n->data; tags = tags * 10 + n->tag; }\n"
     "  r_sum = sum; r_tags = tags;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_sum", 12}, {"_r_tags", 12}}},
    {"ArraysOfPointersKeepTheirStride",
     "volatile u8 r_len, r_first; volatile u16 r_sum;\n"
     "static const char *const names[] = { \"alpha\", \"beta\", \"gamma\" };\n"
     "static u8 *table[3];\n"
     "static u8 after[2] = { 1, 2 };\n"
     "static u8 x = 11, y = 22, z = 33;\n"
     "static u8 length(const char *s) { u8 n = 0; while (s[n]) n++; return n; }\n"
     "int main(void) {\n"
     "  u8 i; u16 sum = 0;\n"
     "  table[0] = &x; table[1] = &y; table[2] = &z;\n"
     "  for (i = 0; i < 3; i++) sum += length(names[i]) + *table[i];\n"
     "  r_first = (u8)names[1][0];\n"
     "  r_len = after[0] + after[1];\n"
     "  r_sum = sum;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_len", 3}, {"_r_first", 98}, {"_r_sum", 80}}},
    {"IncrementsInArgumentsAndChainedAssignments",
     "volatile u8 r_a, r_b, r_c, r_d; volatile u16 r_sum;\n"
     "static u8 buf[5] = { 10, 20, 30, 40, 50 };\n"
     "static u16 add3(u8 a, u8 b, u8 c) { return a * 100 + b * 10 + c; }\n"
     "int main(void) {\n"
     "  u8 *p = buf; u8 i = 1, a, b, c;\n"
     "  r_sum = add3(*p++, buf[4] / 10, i++);\n"
     "  a = b = c = (u8)(i + 3);\n"
     "  r_a = a; r_b = (u8)(b + *p); r_c = c; r_d = i;\n"
     "  return 0;\n"
     "}\n",
     {{"_r_a", 5}, {"_r_b", 25}, {"_r_c", 5}, {"_r_d", 2}, {"_r_sum", 1051}}},
    {"WrappingCountersAndLongComparisons",
     "volatile u8 r_steps; volatile u8 r_lt, r_sh; volatile u32 r_v;\n"
     "volatile i32 in_a = -5L; volatile u32 in_b = 3000000000UL; volatile u8 in_n = 20;\n"
     "int main(void) {\n"
     "  u8 c, steps = 0; i32 a = in_a; u32 b = in_b; u8 n = in_n;\n"
     "  for (c = 250; c != 4; c++) steps++;\n"
     "  r_steps = steps;\n"
     "  r_lt = (u8)((a < 0) + (b > 2000000000UL) * 2 + ((u32)a > b) * 4 + (a < (i32)7) * 8);\n"
     "  r_v = (b >> n) + (1UL << n) + ((u32)a >> 28);\n"
     "  r_sh = (u8)(b >> 24);\n"
     "  return 0;\n"
     "}\n",
     {{"_r_steps", 10}, {"_r_lt", 15}, {"_r_sh", 178}, {"_r_v", 1051452}}},
    {"LogicalValuesIntoVolatilesAndChoicesOfPointers",
     "volatile u8 r_and, r_or, r_pick; volatile u8 v_flag;\n"
     "static u8 left = 4, right = 9;\n"
     "int main(void) {\n"
     "  u8 k = 3, *p;\n"
     "  v_flag = (k > 2) && (k < 5);\n"
     "  r_and = v_flag;\n"
     "  v_flag = (k == 0) || (k == 7);\n"
     "  r_or = v_flag;\n"
     "  p = k > 2 ? &right : &left;\n"
     "  *p += 1;\n"
     "  r_pick = (u8)(left * 10 + right);\n"
     "  return 0;\n"
     "}\n",
     {{"_r_and", 1}, {"_r_or", 0}, {"_r_pick", 50}}},
    {"CallsAsArgumentsOfTheSameFunction",
     "volatile u32 r0, r1, r2;\n"
     "static u8 pick(u32 a, u8 b) { return (u8)(a * 10 + b); }\n"
     "static u32 twice(u32 a, u8 b) { return a * 100 + b; }\n"
     "int main(void) {\n"
     "  u8 c = 28, k;\n"
     "  r0 = twice(twice(1, 2), 3);\n"
     "  for (k = 0; k < 2; k++) c += pick(k, c);\n"
     "  r1 = c;\n"
     "  r2 = pick(pick(4, 5), pick(6, 7));\n"
     "  return 0;\n"
     "}\n",
     {{"_r0", 10203}, {"_r1", 122}, {"_r2", 5}}},
    // A store whose value nothing reads leaves its calls behind, inside a
    // loop whose counter may be kept in a register the callee uses.
    {"ADeadStoreOfCallsInsideALoop",
     "volatile u32 r0;\n"
     "static u32 g0 = 0x1234;\n"
     "static u8 f2(u8 x) {\n"
     "  u32 s = x;\n"
     "  u8 w0;\n"
     "  w0 = 2;\n"
     "  while (w0--) {\n"
     "  }\n"
     "  return (u8)((u32)0xFFFFFFFF);\n"
     "}\n"
     "static u32 f1(u32 a, u8 b) {\n"
     "  u32 t = a ^ g0;\n"
     "  u8 i0, w1;\n"
     "  for (i0 = 0; i0 < 3; i0++) {\n"
     "    if ((u32)f2((u8)(u32)(u8)t)) {\n"
     "    } else {\n"
     "    }\n"
     "  }\n"
     "  for (i0 = 0; i0 < 4; i0++) {\n"
     "    w1 = 3;\n"
     "    while (w1--) {\n"
     "      t = ((u32)f2((u8)(u32)!a) >> ((u32)f2((u8)(u32)b) & (u32)31));\n"
     "    }\n"
     "  }\n"
     "  return (u32)(u8)g0;\n"
     "}\n"
     "int main(void) {\n"
     "  r0 = f1((u32)0x7FFFFFFF, (u8)3);\n"
     "  return 0;\n"
     "}\n",
     {{"_r0", 52}}},
    // Logical values whose operands read the target, directly or through a
    // call, and one stored into the parameter area of a function that the
    // expression calls again.
    {"LogicalValuesThatReadTheirTarget",
     "volatile u32 r0, r1, r2;\n"
     "static u32 g1 = 9, g2;\n"
     "static u8 b0 = 7;\n"
     "static u32 f1(u32 a) { return a - g1; }\n"
     "int main(void) {\n"
     "  u32 l0 = 0xFFFF;\n"
     "  u8 i;\n"
     "  for (i = 0; i < 1; i++) l0 = (u32)(u8)(u32)((u32)(u8)(u32)b0 && (l0 + g2));\n"
     "  r0 = l0;\n"
     "  g1 = (u32)(f1(0) && (31 % (l0 | 8)));\n"
     "  r1 = g1;\n"
     "  r2 = f1(f1(50)) % (f1((u32)(l0 || g1) + 6) | 1);\n"
     "  return 0;\n"
     "}\n",
     {{"_r0", 1}, {"_r1", 1}, {"_r2", 6}}},
};

// Each program as it is, and with byte variables kept in registers.
class ModelRuns : public testing::TestWithParam<std::tuple<exec_case, bool>> {};

TEST_P(ModelRuns, VolatileResultsAreWhatCSays) {
  const exec_case &c = std::get<0>(GetParam());
  bool registers = std::get<1>(GetParam());
  std::vector<std::string> names;
  std::string expected;
  for (auto &[name, value] : c.expected) {
    names.push_back(name);
    expected += std::string(name) + " " + std::to_string(value) + "\n";
  }
  std::string got = model_run_program(std::string(PRELUDE) + c.source, names, registers);
  EXPECT_EQ(got, expected) << c.source;
}

INSTANTIATE_TEST_SUITE_P(Programs, ModelRuns, testing::Combine(testing::ValuesIn(CASES), testing::Bool()),
                         [](const testing::TestParamInfo<std::tuple<exec_case, bool>> &info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "InRegisters" : "");
                         });

}  // namespace
