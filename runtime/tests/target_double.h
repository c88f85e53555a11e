// The target's double on the host, for the math library's sources: a 3- or
// 4-byte pattern, low byte first as on the chip, whose arithmetic runs
// through the run-time routines, so that a function computes on the host
// what it computes on the chip. Constants and integers convert to it rounded
// to the nearest, ties to even; compares are those of IEEE arithmetic.
#pragma once
#include <cstdint>
#include <type_traits>

#include "runtime/tests/fp_patterns.h"
#include "runtime/tests/fp_routines.h"

namespace emu {

template <unsigned Bytes>
struct tdouble {
  static constexpr int frac = Bytes == 4 ? 23 : 15;
  unsigned char b[Bytes];

  tdouble() = default;
  tdouble(double v) { set(encode(v)); }
  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  tdouble(T v) {
    set(encode(double(v)));
  }

  uint32_t bits() const {
    uint32_t v = 0;
    for (unsigned i = Bytes; i-- > 0;) v = v << 8 | b[i];
    return v;
  }
  void set(uint32_t v) {
    for (unsigned i = 0; i < Bytes; i++) b[i] = uint8_t(v >> 8 * i);
  }
  static tdouble of_bits(uint32_t v) {
    tdouble d;
    d.set(v);
    return d;
  }
  uint32_t bits32() const { return bits() << (32 - 8 * Bytes); }

  double value() const { return pattern_value(frac, bits()); }
  static uint32_t encode(double x) { return pattern_of_value(frac, x); }

  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  explicit operator T() const {
    return T(target::__fltol(bits32()));
  }

  static tdouble op(tdouble a, tdouble b, uint32_t (*f32)(uint32_t, uint32_t), uint32_t (*f24)(uint32_t, uint32_t)) {
    return of_bits(Bytes == 4 ? f32(a.bits(), b.bits()) : f24(a.bits(), b.bits()));
  }
  friend tdouble operator+(tdouble a, tdouble b) { return op(a, b, target::__fladd, target::__ftadd); }
  friend tdouble operator-(tdouble a, tdouble b) { return op(a, b, target::__flsub, target::__ftsub); }
  friend tdouble operator*(tdouble a, tdouble b) { return op(a, b, target::__flmul, target::__ftmul); }
  friend tdouble operator/(tdouble a, tdouble b) { return op(a, b, target::__fldiv, target::__ftdiv); }
  friend tdouble operator-(tdouble a) { return of_bits(Bytes == 4 ? target::__flneg(a.bits()) : target::__ftneg(a.bits())); }
  friend bool operator<(tdouble a, tdouble b) { return a.value() < b.value(); }
  friend bool operator<=(tdouble a, tdouble b) { return a.value() <= b.value(); }
  friend bool operator>(tdouble a, tdouble b) { return a.value() > b.value(); }
  friend bool operator>=(tdouble a, tdouble b) { return a.value() >= b.value(); }
  friend bool operator==(tdouble a, tdouble b) { return a.value() == b.value(); }
  friend bool operator!=(tdouble a, tdouble b) { return a.value() != b.value(); }
  tdouble &operator+=(tdouble o) { return *this = *this + o; }
  tdouble &operator-=(tdouble o) { return *this = *this - o; }
  tdouble &operator*=(tdouble o) { return *this = *this * o; }
  tdouble &operator/=(tdouble o) { return *this = *this / o; }
};

}  // namespace emu
