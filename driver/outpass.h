// The passes after a successful link, or instead of it: the object-to-hex
// converter, the hex merger that post-processes every Intel HEX output, the
// symbol and debug file converter (once per debug format), the librarian
// and the cross-reference lister.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct arglist;

// The image file extension of the first format whose bits meet the bits.
const char *output_extension(uint32_t format_bits);

bool pass_tohex(const std::string &output, uint32_t format_bits);
// Nothing (and success) without a file.
bool pass_hexmerge(const std::string &hex_file, uint32_t format_bits);
bool pass_symconvert(const std::string &hex_file, const std::string &symbol_file, uint32_t format_bit);
// BASE.lpp from the intermediate files, or BASE.lib from the objects.
bool pass_librarian(bool pcode);
bool pass_librarian_order(const std::string &library, const std::vector<std::string> &modules);
bool pass_xref();

void tohex_fill_args(arglist *list, uint32_t format_bits);
void hexmerge_errata_args(arglist *list);
void symconvert_extra_args(arglist *list, uint32_t format_bit);
