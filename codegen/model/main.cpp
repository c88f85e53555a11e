// codrel: the code generator pass.
#include "codegen/model/codrel.h"

int main(int argc, char **argv) { return codrel_main(argc, argv); }
