// The math library, compiled by the host over the target's doubles of both
// sizes (target_double.h: every operation through the run-time routines),
// against the host's libm in double: the error of each function in units
// of the target format's last place (ulps) over a fixed pseudo-random
// sample of its domain stays within the bound the README states; the exact
// functions are exact; special values and errno follow C.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/tests/host_types.h"
#include "runtime/tests/target_double.h"

using d32 = emu::tdouble<4>;
using d24 = emu::tdouble<3>;

#pragma push_macro("errno")
#pragma push_macro("EDOM")
#pragma push_macro("ERANGE")
#pragma push_macro("HUGE_VAL")
#undef HUGE_VAL
#undef errno
#undef EDOM
#undef ERANGE
namespace m32 {
using namespace target;
using dbl = d32;
#include "runtime/tests/math_sources.inc"
constexpr int edom = EDOM, erange = ERANGE;
}  // namespace m32
namespace m24 {
using namespace target;
using dbl = d24;
#undef HUGE_VAL
#include "runtime/tests/math_sources.inc"
}  // namespace m24
#pragma pop_macro("HUGE_VAL")
#pragma pop_macro("ERANGE")
#pragma pop_macro("EDOM")
#pragma pop_macro("errno")

namespace {

uint32_t next_random(uint32_t &state) {
  state = state * 1103515245u + 12345u;
  return state >> 8;
}

// Uniform in [lo, hi], and, for a range that spans magnitudes, as often
// uniform in the logarithm of |x|.
std::vector<double> sample(double lo, double hi, bool log_too) {
  std::vector<double> xs;
  uint32_t state = 4242;
  for (int i = 0; i < 1500; i++) xs.push_back(lo + (hi - lo) * (next_random(state) / double(1 << 24)));
  if (log_too) {
    double top = std::log(std::max(std::fabs(lo), std::fabs(hi)));
    for (int i = 0; i < 1500; i++) {
      double x = std::exp(top - 60 * (next_random(state) / double(1 << 24)));
      if (lo < 0 && i % 2) x = -x;
      if (x >= lo && x <= hi) xs.push_back(x);
    }
  }
  return xs;
}

// |ours - exact| in units of the last place of the exact value in a
// format of frac fraction bits; -1 when the exact value is no normal number
// of the format (or ours is not finite where it is).
double ulps(double ours, double exact, int frac) {
  if (!std::isfinite(exact) || std::fabs(exact) < 0x1p-126 || std::fabs(exact) >= 0x1p128) return -1;
  if (!std::isfinite(ours)) return 1e9;
  int e;
  std::frexp(exact, &e);
  return std::fabs(ours - exact) / std::ldexp(1.0, e - 1 - frac);
}

struct unary {
  const char *name;
  d32 (*f32)(d32);
  d24 (*f24)(d24);
  double (*host)(double);
  double lo, hi;
  bool log_too;
  double bound32, bound24;  // the README's bounds in ulps
};

double host_sin(double x) { return std::sin(x); }
double host_cos(double x) { return std::cos(x); }
double host_tan(double x) { return std::tan(x); }
double host_asin(double x) { return std::asin(x); }
double host_acos(double x) { return std::acos(x); }
double host_atan(double x) { return std::atan(x); }
double host_sinh(double x) { return std::sinh(x); }
double host_cosh(double x) { return std::cosh(x); }
double host_tanh(double x) { return std::tanh(x); }
double host_exp(double x) { return std::exp(x); }
double host_log(double x) { return std::log(x); }
double host_log10(double x) { return std::log10(x); }
double host_sqrt(double x) { return std::sqrt(x); }

const unary unaries[] = {
    {"sqrt", m32::sqrt, m24::sqrt, host_sqrt, 1e-37, 3e38, true, 1, 1},
    {"exp", m32::exp, m24::exp, host_exp, -87, 88.7, true, 1.5, 1.5},
    {"log", m32::log, m24::log, host_log, 1e-37, 3e38, true, 1, 1},
    {"log10", m32::log10, m24::log10, host_log10, 1e-37, 3e38, true, 2, 2},
    {"sin", m32::sin, m24::sin, host_sin, -400, 400, true, 2, 2},
    {"cos", m32::cos, m24::cos, host_cos, -400, 400, true, 2, 2},
    {"tan", m32::tan, m24::tan, host_tan, -400, 400, true, 3, 3},
    {"asin", m32::asin, m24::asin, host_asin, -1, 1, true, 3, 3},
    {"acos", m32::acos, m24::acos, host_acos, -1, 1, true, 3, 3},
    {"atan", m32::atan, m24::atan, host_atan, -1e30, 1e30, true, 1, 1},
    {"sinh", m32::sinh, m24::sinh, host_sinh, -88, 88, true, 3, 3},
    {"cosh", m32::cosh, m24::cosh, host_cosh, -88, 88, true, 3, 3},
    {"tanh", m32::tanh, m24::tanh, host_tanh, -20, 20, true, 3, 3},
};

TEST(Math, ErrorsWithinTheirBounds) {
  for (const unary &f : unaries) {
    double worst32 = 0, worst24 = 0, at32 = 0, at24 = 0;
    for (double x : sample(f.lo, f.hi, f.log_too)) {
      d32 a(x);
      double e32 = ulps(f.f32(a).value(), f.host(a.value()), 23);
      if (e32 > worst32) worst32 = e32, at32 = a.value();
      d24 b(x);
      double e24 = ulps(f.f24(b).value(), f.host(b.value()), 15);
      if (e24 > worst24) worst24 = e24, at24 = b.value();
    }
    EXPECT_LE(worst32, f.bound32) << f.name << " at " << at32;
    EXPECT_LE(worst24, f.bound24) << f.name << " at " << at24;
  }
}

// pow over pairs whose results are normal numbers, |y| up to 31: whole
// exponents below 2^16 multiply, others go through exp and log; either
// way the error grows with |y|.
TEST(Math, PowWithinItsBound) {
  const double xs[] = {0.001, 0.1, 0.5, 0.7, 0.9, 0.99, 1.01, 1.3, 1.5, 2, 2.5, 3, 10, 100, 12345, 1e10, 1e-10, 3e30};
  const double ys[] = {-20, -5.5, -3, -2, -1, -0.5, -0.1, 0.1, 0.25, 0.5, 1, 1.5, 2, 3, 3.7, 7, 10, 15.25, 31};
  double worst32 = 0, worst24 = 0;
  for (double x : xs)
    for (double y : ys)
      for (double sx : {1.0, -1.0}) {
        if (sx < 0 && y != std::floor(y)) continue;
        d32 a(sx * x), b(y);
        double e32 = ulps(m32::pow(a, b).value(), std::pow(a.value(), b.value()), 23);
        EXPECT_LE(e32, 10) << a.value() << " ^ " << b.value();
        worst32 = std::max(worst32, e32);
        d24 c(sx * x), d(y);
        double e24 = ulps(m24::pow(c, d).value(), std::pow(c.value(), d.value()), 15);
        EXPECT_LE(e24, 10) << c.value() << " ^ " << d.value();
        worst24 = std::max(worst24, e24);
      }
  // Whole powers that the format holds are exact.
  EXPECT_EQ(m32::pow(d32(10), d32(2)).value(), 100);
  EXPECT_EQ(m32::pow(d32(2), d32(10)).value(), 1024);
  EXPECT_EQ(m32::pow(d32(2), d32(-3)).value(), 0.125);
  EXPECT_EQ(m32::pow(d32(-3), d32(3)).value(), -27);
  EXPECT_EQ(m24::pow(d24(10), d24(4)).value(), 10000);
  EXPECT_EQ(m32::pow(d32(10), d32(-2)).value(), d32(0.01).value());
}

TEST(Math, Atan2WithinItsBound) {
  const double vs[] = {0, 1e-30, 0.001, 0.5, 1, 1.5, 3, 100, 1e20, 3e38};
  for (double y : vs)
    for (double x : vs)
      for (double sy : {1.0, -1.0})
        for (double sx : {1.0, -1.0}) {
          d32 a(sy * y), b(sx * x);
          EXPECT_LE(ulps(m32::atan2(a, b).value(), std::atan2(a.value(), b.value()), 23), 2)
              << a.value() << ", " << b.value();
          d24 c(sy * y), d(sx * x);
          EXPECT_LE(ulps(m24::atan2(c, d).value(), std::atan2(c.value(), d.value()), 15), 2)
              << c.value() << ", " << d.value();
        }
}

// Bit for bit what the host gives for the same float, sign of zero
// included.
void expect_exact(double ours, double theirs, const std::string &what) {
  if (std::isnan(theirs)) {
    EXPECT_TRUE(std::isnan(ours)) << what;
    return;
  }
  EXPECT_EQ(ours, theirs) << what;
  EXPECT_EQ(std::signbit(ours), std::signbit(theirs)) << what;
}

TEST(Math, ExactFunctionsMatchTheHost) {
  std::vector<double> xs = {0.0, -0.0, 0.5, -0.5, 1, -1, 1.5, -1.5, 2.5, 1e-30, 123456.75, -98765.5, 8388607.5,
                            8388608, 16777215, 32767.5, 32768, 65535.5, 1e30, 3e38, INFINITY, -INFINITY, NAN};
  for (double x : sample(-1e6, 1e6, true)) xs.push_back(x);
  for (double x : xs) {
    d32 a(x);
    double v = a.value();
    std::string what = std::to_string(v);
    expect_exact(m32::fabs(a).value(), std::fabs(v), "fabs " + what);
    expect_exact(m32::floor(a).value(), std::floor(v), "floor " + what);
    expect_exact(m32::ceil(a).value(), std::ceil(v), "ceil " + what);
    d32 whole;
    double host_whole;
    expect_exact(m32::modf(a, &whole).value(), std::modf(v, &host_whole), "modf " + what);
    expect_exact(whole.value(), host_whole, "modf's whole part " + what);
    if (std::isfinite(v)) {
      target::t_s16 e;
      int host_e;
      expect_exact(m32::frexp(a, &e).value(), std::frexp(v, &host_e), "frexp " + what);
      EXPECT_EQ(int(e), host_e) << "frexp " << what;
      for (int n : {-130, -20, -1, 0, 1, 5, 100, 300})
        expect_exact(m32::ldexp(a, target::t_s16(n)).value(), d32(std::ldexp(v, n)).value(),
                     "ldexp " + what + " " + std::to_string(n));
    }
    d24 b(x);
    double w = b.value();
    expect_exact(m24::floor(b).value(), std::floor(w), "24-bit floor " + what);
    expect_exact(m24::ceil(b).value(), std::ceil(w), "24-bit ceil " + what);
    expect_exact(m24::fabs(b).value(), std::fabs(w), "24-bit fabs " + what);
  }
}

TEST(Math, FmodIsExact) {
  const double vs[] = {0.0, -0.0, 1e-30, 0.1, 0.75, 1, 3, 7.5, 10, 1e5, 3e7, 1e20, 3e38, INFINITY, -2.5, -1e10};
  for (double x : vs)
    for (double y : vs) {
      d32 a(x), b(y);
      std::string what = std::to_string(a.value()) + " % " + std::to_string(b.value());
      expect_exact(m32::fmod(a, b).value(), std::fmod(a.value(), b.value()), what);
      d24 c(x), d(y);
      expect_exact(m24::fmod(c, d).value(), std::fmod(c.value(), d.value()), "24-bit " + what);
    }
}

// What C asks at the edges of the domains, and errno.
TEST(Math, DomainAndRangeErrors) {
  struct {
    const char *what;
    d32 (*f)();
    double result;  // NAN for a NaN
    int error;      // 0: errno untouched
  } const cases[] = {
      {"sqrt(-1)", [] { return m32::sqrt(d32(-1)); }, NAN, m32::edom},
      {"sqrt(-0)", [] { return m32::sqrt(d32(-0.0)); }, -0.0, 0},
      {"log(0)", [] { return m32::log(d32(0)); }, -INFINITY, m32::erange},
      {"log(-1)", [] { return m32::log(d32(-1)); }, NAN, m32::edom},
      {"log10(-1)", [] { return m32::log10(d32(-1)); }, NAN, m32::edom},
      {"exp(100)", [] { return m32::exp(d32(100)); }, INFINITY, m32::erange},
      {"exp(89)", [] { return m32::exp(d32(89)); }, INFINITY, m32::erange},
      {"exp(-200)", [] { return m32::exp(d32(-200)); }, 0, m32::erange},
      {"exp(-inf)", [] { return m32::exp(d32(-INFINITY)); }, 0, 0},
      {"exp(inf)", [] { return m32::exp(d32(INFINITY)); }, INFINITY, 0},
      {"asin(1.5)", [] { return m32::asin(d32(1.5)); }, NAN, m32::edom},
      {"acos(-2)", [] { return m32::acos(d32(-2)); }, NAN, m32::edom},
      {"asin(1)", [] { return m32::asin(d32(1)); }, d32(M_PI / 2).value(), 0},
      {"acos(-1)", [] { return m32::acos(d32(-1)); }, d32(M_PI).value(), 0},
      {"sin(inf)", [] { return m32::sin(d32(INFINITY)); }, NAN, m32::edom},
      {"pow(-8, 1/3)", [] { return m32::pow(d32(-8), d32(1.0 / 3)); }, NAN, m32::edom},
      {"pow(0, -1)", [] { return m32::pow(d32(0), d32(-1)); }, INFINITY, m32::edom},
      {"pow(-0, -1)", [] { return m32::pow(d32(-0.0), d32(-1)); }, -INFINITY, m32::edom},
      {"pow(0, 0)", [] { return m32::pow(d32(0), d32(0)); }, 1, 0},
      {"pow(-0, 3)", [] { return m32::pow(d32(-0.0), d32(3)); }, -0.0, 0},
      {"pow(10, 39)", [] { return m32::pow(d32(10), d32(39)); }, INFINITY, m32::erange},
      {"pow(10, -50)", [] { return m32::pow(d32(10), d32(-50)); }, 0, m32::erange},
      {"pow(1e30, 2.5)", [] { return m32::pow(d32(1e30), d32(2.5)); }, INFINITY, m32::erange},
      {"pow(-1, inf)", [] { return m32::pow(d32(-1), d32(INFINITY)); }, 1, 0},
      {"pow(0.5, inf)", [] { return m32::pow(d32(0.5), d32(INFINITY)); }, 0, 0},
      {"pow(2, -inf)", [] { return m32::pow(d32(2), d32(-INFINITY)); }, 0, 0},
      {"pow(-inf, 3)", [] { return m32::pow(d32(-INFINITY), d32(3)); }, -INFINITY, 0},
      {"fmod(1, 0)", [] { return m32::fmod(d32(1), d32(0)); }, NAN, m32::edom},
      {"fmod(inf, 1)", [] { return m32::fmod(d32(INFINITY), d32(1)); }, NAN, m32::edom},
      {"ldexp(1, 128)", [] { return m32::ldexp(d32(1), 128); }, INFINITY, m32::erange},
      {"ldexp(-1, -127)", [] { return m32::ldexp(d32(-1), -127); }, -0.0, m32::erange},
      {"sinh(89)", [] { return m32::sinh(d32(89)); }, std::sinh(89.0), 0},
      {"sinh(90)", [] { return m32::sinh(d32(90)); }, INFINITY, m32::erange},
      {"cosh(-90)", [] { return m32::cosh(d32(-90)); }, INFINITY, m32::erange},
      {"tanh(-inf)", [] { return m32::tanh(d32(-INFINITY)); }, -1, 0},
      {"atan(inf)", [] { return m32::atan(d32(INFINITY)); }, d32(M_PI / 2).value(), 0},
      {"atan2(-0, -1)", [] { return m32::atan2(d32(-0.0), d32(-1)); }, d32(-M_PI).value(), 0},
      {"atan2(0, -0)", [] { return m32::atan2(d32(0), d32(-0.0)); }, d32(M_PI).value(), 0},
      {"atan2(-inf, inf)", [] { return m32::atan2(d32(-INFINITY), d32(INFINITY)); }, d32(-M_PI / 4).value(), 0},
  };
  for (const auto &k : cases) {
    m32::library_errno() = 0;
    double r = k.f().value();
    if (std::isnan(k.result)) {
      EXPECT_TRUE(std::isnan(r)) << k.what << " gave " << r;
    } else {
      double expected = k.result == 0 || std::isinf(k.result) ? k.result : d32(k.result).value();
      EXPECT_EQ(r, expected) << k.what;
      EXPECT_EQ(std::signbit(r), std::signbit(expected)) << k.what;
    }
    EXPECT_EQ(int(m32::library_errno()), k.error) << k.what;
  }
  // The 24-bit library raises the same errors.
  m24::library_errno() = 0;
  EXPECT_TRUE(std::isnan(m24::log(d24(-2)).value()));
  EXPECT_EQ(int(m24::library_errno()), m32::edom);
  m24::library_errno() = 0;
  EXPECT_TRUE(std::isinf(m24::exp(d24(95)).value()));
  EXPECT_EQ(int(m24::library_errno()), m32::erange);
}

// strtod against the host's strtof on the same text; the host's value is
// then rounded to the format where it has fewer bits.
TEST(Math, StrtodWithinItsBound) {
  std::vector<std::string> texts = {"0", "1", "-1", "3.14159", "1e10", "1.5e-5", "123456789", "1234567890123",
                                    "0.000001234567", "6.02214076e23", "1.17549435e-38", "3.4e38", "-2.5E+3",
                                    "  +42.", ".5", "0.1", "9999999", "16777217", "1e-30", "7.0e-10"};
  uint32_t state = 99;
  for (int i = 0; i < 600; i++) {
    char text[48];
    int exponent = int(next_random(state) % 76) - 38;
    snprintf(text, sizeof text, "%u.%05ue%d", next_random(state) % 10, next_random(state) % 100000, exponent);
    texts.push_back(text);
  }
  for (const std::string &t : texts) {
    char *end32, *end24, *host_end;
    double theirs = std::strtod(t.c_str(), &host_end);
    double e32 = ulps(m32::strtod(t.c_str(), &end32).value(), theirs, 23);
    double e24 = ulps(m24::strtod(t.c_str(), &end24).value(), theirs, 15);
    EXPECT_EQ(end32, host_end) << t;
    EXPECT_EQ(end24, host_end) << t;
    if (theirs != 0) {
      EXPECT_LE(e32, 3) << t;
      EXPECT_LE(e24, 3) << t;
    } else {
      EXPECT_EQ(m32::strtod(t.c_str(), nullptr).value(), 0) << t;
    }
  }
}

TEST(Math, StrtodEdges) {
  const struct {
    const char *text;
    double value;
    int consumed;
    int error;
  } cases[] = {
      {"", 0, 0, 0},          {"abc", 0, 0, 0},         {"-", 0, 0, 0},         {".", 0, 0, 0},
      {"1e", 1, 1, 0},        {"1e+", 1, 1, 0},         {"2.5e-1x", 0.25, 6, 0}, {"1e40", INFINITY, 4, m32::erange},
      {"-1e40", -INFINITY, 5, m32::erange}, {"1e-50", 0, 5, m32::erange}, {"1e99999", INFINITY, 7, m32::erange},
      {"0e99999", 0, 7, 0}, {"000000000000000012", 12, 18, 0}, {"1.2.3", 1.2, 3, 0},
  };
  for (const auto &k : cases) {
    char *end;
    m32::library_errno() = 0;
    double v = m32::strtod(k.text, &end).value();
    EXPECT_EQ(v, d32(k.value).value()) << k.text;
    EXPECT_EQ(end - k.text, k.consumed) << k.text;
    EXPECT_EQ(int(m32::library_errno()), k.error) << k.text;
  }
  EXPECT_EQ(m32::atof("  -0.75xyz").value(), -0.75);
  EXPECT_EQ(m24::atof("1024").value(), 1024);
}

}  // namespace
