// The stand-in for codrel's code selection and PIC18 output, linked by the
// model's tests and by codrel_standin, the program they run. Its emission
// writes a short readable trace of what it is asked to write (labels,
// psects, reservations, data values, statements by their operators). The
// model's tests also take pattern data and target queries of the stand-in
// (standin_patterns.cpp, standin_local.cpp); the program takes the real ones.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

struct iset;
struct symbol;
struct tree_node;
struct vec;

// Text written through out_printf while capturing (tests); otherwise the
// text goes to standard output.
std::string &standin_output();
void standin_capture(bool on);
// Forgets the psect and chip state (a fresh program).
void standin_reset();

// What tests of the whole-program phases steer: the variables each round of
// placement moves, the register a variable can be kept in, the bytes entry
// code and templates reserve, and what a statement does besides. Code
// selection takes the bank-select state through each call's callees.
struct standin_steering {
  std::function<vec *()> place;
  std::function<uint32_t(symbol *, iset *)> reg_class;
  uint32_t save_bytes = 0;
  uint32_t template_extra = 0;
  // Sees every statement code selection is asked for.
  std::function<void(tree_node *)> statement;
  // Sees each data label, reservation and string of bytes, in the order
  // they are written.
  std::function<void(symbol *)> label;
  std::function<void(uint32_t)> reserve;
  std::function<void(const uint8_t *, uint32_t)> bytes;
};
standin_steering &standin_steer();
