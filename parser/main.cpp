// parsk: the C parser pass.
#include "parser/parsk.h"

int main(int argc, char **argv) { return parsk_main(argc, argv); }
