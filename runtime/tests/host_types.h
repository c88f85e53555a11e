// The target's integer types on the host, for the copies of the library
// sources that host_copy.cmake writes: 16-bit int, 24-bit short long,
// 32-bit long. The host has no 24-bit type; narrow_int wraps to its width
// and converts like the target's.
#pragma once
#include <cstdint>
#include <type_traits>

namespace target {

typedef int16_t t_s16;
typedef uint16_t t_u16;
typedef int32_t t_s32;
typedef uint32_t t_u32;

template <unsigned Bits, bool Signed>
struct narrow_int {
  static constexpr uint32_t mask = (uint32_t(1) << Bits) - 1;
  uint32_t bits = 0;

  constexpr narrow_int() = default;
  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  constexpr narrow_int(T v) : bits(uint32_t(v) & mask) {}
  template <unsigned B, bool S>
  constexpr narrow_int(narrow_int<B, S> v) : bits(uint32_t(v.value()) & mask) {}

  constexpr int64_t value() const {
    return Signed && (bits >> (Bits - 1)) ? int64_t(bits) - (int64_t(1) << Bits) : int64_t(bits);
  }
  explicit constexpr operator bool() const { return bits != 0; }
  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  explicit constexpr operator T() const { return T(value()); }

  template <class T>
  narrow_int &operator+=(T b) { return *this = *this + b; }
  template <class T>
  narrow_int &operator-=(T b) { return *this = *this - b; }
  template <class T>
  narrow_int &operator|=(T b) { return *this = *this | b; }
  narrow_int &operator<<=(int n) { return *this = *this << n; }
  narrow_int &operator>>=(int n) { return *this = *this >> n; }
  narrow_int &operator++() { return *this += 1; }
  narrow_int operator++(int) {
    narrow_int old = *this;
    ++*this;
    return old;
  }
};

typedef narrow_int<24, true> t_s24;
typedef narrow_int<24, false> t_u24;

template <class T>
constexpr bool host_integral = std::is_integral_v<T>;

// Mixed with a plain integer the narrow type wins (the integers the library
// mixes in are narrower); two narrow types meet as unsigned unless both are
// signed.
template <unsigned B, bool S1, bool S2>
using narrow_common = narrow_int<B, S1 && S2>;

#define NARROW_MIXED(op)                                                                   \
  template <unsigned B, bool S, class T, std::enable_if_t<host_integral<T>, int> = 0>      \
  constexpr auto operator op(narrow_int<B, S> a, T b) { return a op narrow_int<B, S>(b); } \
  template <unsigned B, bool S, class T, std::enable_if_t<host_integral<T>, int> = 0>      \
  constexpr auto operator op(T a, narrow_int<B, S> b) { return narrow_int<B, S>(a) op b; }
#define NARROW_ARITHMETIC(op)                                                                          \
  template <unsigned B, bool S1, bool S2>                                                              \
  constexpr narrow_common<B, S1, S2> operator op(narrow_int<B, S1> a, narrow_int<B, S2> b) {           \
    return narrow_common<B, S1, S2>(narrow_common<B, S1, S2>(a).value() op narrow_common<B, S1, S2>(b).value()); \
  }                                                                                                    \
  NARROW_MIXED(op)
#define NARROW_COMPARISON(op)                                                              \
  template <unsigned B, bool S1, bool S2>                                                  \
  constexpr bool operator op(narrow_int<B, S1> a, narrow_int<B, S2> b) {                   \
    return narrow_common<B, S1, S2>(a).value() op narrow_common<B, S1, S2>(b).value();     \
  }                                                                                        \
  NARROW_MIXED(op)

NARROW_ARITHMETIC(+)
NARROW_ARITHMETIC(-)
NARROW_ARITHMETIC(*)
NARROW_ARITHMETIC(&)
NARROW_ARITHMETIC(|)
NARROW_ARITHMETIC(^)
NARROW_COMPARISON(==)
NARROW_COMPARISON(!=)
NARROW_COMPARISON(<)
NARROW_COMPARISON(<=)
NARROW_COMPARISON(>)
NARROW_COMPARISON(>=)
#undef NARROW_COMPARISON
#undef NARROW_ARITHMETIC
#undef NARROW_MIXED

template <unsigned B, bool S>
constexpr narrow_int<B, S> operator<<(narrow_int<B, S> a, int n) { return narrow_int<B, S>(a.bits << n); }
template <unsigned B, bool S>
constexpr narrow_int<B, S> operator>>(narrow_int<B, S> a, int n) { return narrow_int<B, S>(a.value() >> n); }
template <unsigned B, bool S>
constexpr narrow_int<B, S> operator-(narrow_int<B, S> a) { return narrow_int<B, S>(-a.value()); }
template <unsigned B, bool S>
constexpr narrow_int<B, S> operator~(narrow_int<B, S> a) { return narrow_int<B, S>(~a.bits); }
template <unsigned B, bool S>
constexpr bool operator!(narrow_int<B, S> a) { return a.bits == 0; }

}  // namespace target
