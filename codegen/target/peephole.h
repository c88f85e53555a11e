// Local improvements to one function's assembly before it is written. A
// jump to the instruction that follows it goes; a test that skips a jump
// over another jump becomes the opposite test before the second one; a jump
// to a jump goes to the second one's target; code after a jump that no
// label reaches goes. Where the distances allow it, a jump within the
// function becomes a one-word relative branch, and a test of a status flag
// with its jump one conditional branch. Anything the pass does not know
// (data, a psect switch, a computed jump, an unknown mnemonic) stops it from
// moving code across that line, and stops the branch shortening.
#pragma once
#include <string>
#include <vector>

// `lines` are whole lines, each with its newline.
void peep_function(std::vector<std::string> &lines);
