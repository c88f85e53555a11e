// The stand-in for codrel's instruction-selection and PIC18 output half,
// linked by the program and the model's tests until the real half exists.
// Its target queries answer as the PIC18 target does; its emission writes a
// short readable trace of what it is asked to write (labels, psects,
// reservations, data values, statements by their operators).
#pragma once
#include <string>

// Text written through out_printf while capturing (tests); otherwise the
// text goes to standard output.
std::string &standin_output();
void standin_capture(bool on);
// Forgets the psect and chip state (a fresh program).
void standin_reset();
