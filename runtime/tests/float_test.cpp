// The floating-point routines, compiled by the host with the target's widths,
// against the host's double arithmetic rounded to the target format (15 or 23
// fraction bits, ties to even, no denormals): bit for bit, over edge values
// and a fixed pseudo-random sample, and conversions both ways.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/tests/fp_patterns.h"
#include "runtime/tests/fp_routines.h"

namespace {

// One of the two formats: its fraction width and its routines. Patterns are
// the format's own (24 or 32 bits).
struct float_format {
  const char *name;
  int frac;
  uint32_t (*add)(uint32_t, uint32_t);
  uint32_t (*sub)(uint32_t, uint32_t);
  uint32_t (*mul)(uint32_t, uint32_t);
  uint32_t (*div)(uint32_t, uint32_t);
  uint32_t (*neg)(uint32_t);
  unsigned char (*ge)(uint32_t, uint32_t);
  int32_t (*to_long)(uint32_t);
  uint32_t (*from_ubyte)(unsigned char);
  uint32_t (*from_sbyte)(signed char);
  uint32_t (*from_uword)(unsigned short);
  uint32_t (*from_sword)(short);
  uint32_t (*from_ulong)(uint32_t);
  uint32_t (*from_slong)(int32_t);
  // The assignment-operator forms: *p op= b.
  uint32_t (*assign_add)(uint32_t *, uint32_t);
  uint32_t (*assign_sub)(uint32_t *, uint32_t);
  uint32_t (*assign_mul)(uint32_t *, uint32_t);
  uint32_t (*assign_div)(uint32_t *, uint32_t);
};

const float_format formats[] = {
    {"32-bit", 23, target::__fladd, target::__flsub, target::__flmul, target::__fldiv, target::__flneg,
     target::__flge, target::__fltol, target::__lbtofl, target::__abtofl, target::__lwtofl, target::__awtofl,
     target::__lltofl, target::__altofl, target::__asfladd, target::__asflsub, target::__asflmul,
     target::__asfldiv},
    {"24-bit", 15, target::__ftadd, target::__ftsub, target::__ftmul, target::__ftdiv, target::__ftneg,
     target::__ftge, target::__fttol, target::__lbtoft, target::__abtoft, target::__lwtoft, target::__awtoft,
     target::__lltoft, target::__altoft, target::__asftadd, target::__asftsub, target::__asftmul,
     target::__asftdiv},
};

void PrintTo(const float_format &f, std::ostream *out) { *out << f.name; }

int pattern_shift(const float_format &f) { return 23 - f.frac; }
uint32_t sign_bit(const float_format &f) { return 0x80000000u >> pattern_shift(f); }

double decode(const float_format &f, uint32_t pattern) { return pattern_value(f.frac, pattern); }
uint32_t encode(const float_format &f, double x) { return pattern_of_value(f.frac, x); }

// Below 2^32 in magnitude, the value modulo 2^32 (the bits of an unsigned
// long too); beyond, the nearest long.
int32_t host_to_long(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 4294967296.0) return INT32_MAX;
  if (v <= -4294967296.0) return INT32_MIN;
  double cut = std::trunc(v);
  uint32_t magnitude = uint32_t(std::fabs(cut));
  return int32_t(cut < 0 ? 0u - magnitude : magnitude);
}

// 32-bit patterns; the 24-bit format takes their top 24 bits.
const uint32_t edge_patterns[] = {
    0x00000000, 0x80000000,              // zeros
    0x00000001, 0x007FFFFF, 0x80400000,  // denormals
    0x00800000, 0x80800000, 0x00800100, 0x00FFFFFF, 0x01000000,  // smallest normals
    0x3F1027C4, 0x00E34F73, 0x3F180700, 0x00D78A00,  // pairs whose product rounds up to the smallest normal
    0x7F7FFFFF, 0xFF7FFFFF, 0x7F000000, 0x7EFFFFFF,              // largest
    0x73000000, 0x72FFFFFF, 0x77000000, 0x76FFFFFF,              // half units of the largest
    0x7F800000, 0xFF800000, 0x7FC00000, 0x7F800100, 0xFFFFFFFF,  // infinities, NaNs
    0x3F800000, 0xBF800000, 0x3F800001, 0x3F800100, 0x3F800300, 0x3FC00000, 0x3FFFFFFF, 0x3FFFFF00,
    0x40000000, 0x40400000, 0x3F000000, 0x40A00000, 0x41200000, 0xC1200000, 0x3EAAAAAB,
    0x33800000, 0x33800001, 0x34000000, 0x37800000, 0x37800100, 0x38000000,  // half units of 1.0
    0x1F800000, 0x5F800000, 0x20000000, 0x5E800000,                          // exponent extremes in products
    0x4B000000, 0x4B7FFFFF, 0x4B800000, 0x47000000, 0x477FFF00, 0x47800000,  // integer precision limits
    0x4EFFFFFF, 0x4F000000, 0x4F000001, 0xCF000000, 0xCF000001, 0xCEFFFFFF, 0x4F800000,  // long range
    0x4F400000, 0x4F7FFFFF, 0xCF7FFFFF, 0xCF800000,  // unsigned long range
};

uint32_t next_random(uint32_t &state) {
  state = state * 1103515245u + 12345u;
  return state;
}

std::vector<uint32_t> sample_patterns(const float_format &f) {
  std::vector<uint32_t> values;
  for (uint32_t p : edge_patterns) values.push_back(p >> pattern_shift(f));
  uint32_t state = 2026;
  for (int i = 0; i < 300; i++) {
    uint32_t bits = next_random(state) ^ (next_random(state) >> 16);
    // Mostly moderate exponents, so that results are neither all infinite
    // nor all zero; every eighth value keeps its random exponent.
    if (i % 8 != 0) bits = (bits & 0x807FFFFF) | uint32_t(100 + (next_random(state) >> 8) % 55) << 23;
    // Neighbours of the previous value: differences that cancel.
    if (i % 5 == 4) bits = (values.back() << pattern_shift(f)) ^ (next_random(state) >> 24);
    values.push_back(bits >> pattern_shift(f));
  }
  return values;
}

std::string hex(uint32_t v) {
  char text[16];
  snprintf(text, sizeof text, "%08X", v);
  return text;
}

class FloatRoutines : public ::testing::TestWithParam<float_format> {
 protected:
  void SetUp() override { ASSERT_EQ(std::fegetround(), FE_TONEAREST); }
};

TEST_P(FloatRoutines, ArithmeticOverPairs) {
  const float_format &f = GetParam();
  std::vector<uint32_t> values = sample_patterns(f);
  for (uint32_t a : values) {
    for (uint32_t b : values) {
      double x = decode(f, a), y = decode(f, b);
      ASSERT_EQ(hex(f.add(a, b)), hex(encode(f, x + y))) << hex(a) << " + " << hex(b);
      ASSERT_EQ(hex(f.sub(a, b)), hex(encode(f, x - y))) << hex(a) << " - " << hex(b);
      ASSERT_EQ(hex(f.mul(a, b)), hex(encode(f, x * y))) << hex(a) << " * " << hex(b);
      ASSERT_EQ(hex(f.div(a, b)), hex(encode(f, x / y))) << hex(a) << " / " << hex(b);
      ASSERT_EQ((f.ge(a, b) & 1) != 0, x >= y) << hex(a) << " >= " << hex(b);
      ASSERT_EQ((f.ge(a, b) & 2) != 0, x <= y) << hex(a) << " <= " << hex(b);
      ASSERT_EQ(f.ge(a, b) & ~3, 0) << hex(a) << " ? " << hex(b);
    }
  }
}

// The assignment-operator forms store what the plain routines return, and
// return it too.
TEST_P(FloatRoutines, AssignmentForms) {
  const float_format &f = GetParam();
  std::vector<uint32_t> values = sample_patterns(f);
  for (size_t i = 0; i + 1 < values.size(); i++) {
    uint32_t a = values[i], b = values[i + 1];
    const struct {
      const char *op;
      uint32_t (*assign)(uint32_t *, uint32_t);
      uint32_t (*plain)(uint32_t, uint32_t);
    } forms[] = {{"+=", f.assign_add, f.add}, {"-=", f.assign_sub, f.sub}, {"*=", f.assign_mul, f.mul},
                 {"/=", f.assign_div, f.div}};
    for (const auto &k : forms) {
      uint32_t target = a;
      uint32_t result = k.assign(&target, b);
      ASSERT_EQ(hex(target), hex(k.plain(a, b))) << hex(a) << " " << k.op << " " << hex(b);
      ASSERT_EQ(hex(result), hex(target)) << hex(a) << " " << k.op << " " << hex(b);
    }
  }
}

TEST_P(FloatRoutines, NegationFlipsOnlyTheSign) {
  const float_format &f = GetParam();
  for (uint32_t a : sample_patterns(f)) ASSERT_EQ(hex(f.neg(a)), hex(a ^ sign_bit(f))) << hex(a);
}

TEST_P(FloatRoutines, ToLongCutsOffAndWraps) {
  const float_format &f = GetParam();
  for (uint32_t a : sample_patterns(f)) ASSERT_EQ(f.to_long(a), host_to_long(decode(f, a))) << hex(a);
}

TEST_P(FloatRoutines, FromIntegers) {
  const float_format &f = GetParam();
  for (unsigned v = 0; v < 0x10000; v++) {
    ASSERT_EQ(hex(f.from_uword((unsigned short)v)), hex(encode(f, v))) << v;
    ASSERT_EQ(hex(f.from_sword((short)v)), hex(encode(f, (short)v))) << (short)v;
    if (v < 0x100) {
      ASSERT_EQ(hex(f.from_ubyte((unsigned char)v)), hex(encode(f, v))) << v;
      ASSERT_EQ(hex(f.from_sbyte((signed char)v)), hex(encode(f, (signed char)v))) << int((signed char)v);
    }
  }
  // Longs around each power of two (ties and their neighbours among them),
  // and a sample.
  std::vector<uint32_t> longs = {0, 0xFFFFFFFF, 0x80000000, 0x7FFFFFFF};
  for (int bit = 0; bit < 32; bit++)
    for (uint32_t offset = 0; offset < 4; offset++)
      for (uint32_t step : {1u, 0x80u, 0x8000u}) {
        longs.push_back((1u << bit) + offset * step);
        longs.push_back((1u << bit) - offset * step);
      }
  uint32_t state = 7;
  for (int i = 0; i < 2000; i++) longs.push_back(next_random(state) >> (i % 32));
  for (uint32_t v : longs) {
    ASSERT_EQ(hex(f.from_ulong(v)), hex(encode(f, double(v)))) << v;
    ASSERT_EQ(hex(f.from_slong(int32_t(v))), hex(encode(f, double(int32_t(v))))) << int32_t(v);
  }
}

// Converting an integer and back gives it again whenever the format holds it
// exactly, and the nearest representable value otherwise.
TEST_P(FloatRoutines, LongRoundTrip) {
  const float_format &f = GetParam();
  uint32_t state = 99;
  for (int i = 0; i < 2000; i++) {
    int32_t v = int32_t(next_random(state)) >> (i % 32);
    int32_t back = f.to_long(f.from_slong(v));
    ASSERT_EQ(back, host_to_long(decode(f, encode(f, double(v))))) << v;
    if (std::abs(double(v)) < std::ldexp(1.0, f.frac + 1)) {
      ASSERT_EQ(back, v);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, FloatRoutines, ::testing::ValuesIn(formats),
                         [](const ::testing::TestParamInfo<float_format> &info) {
                           return info.index == 0 ? std::string("Bits32") : std::string("Bits24");
                         });

}  // namespace
