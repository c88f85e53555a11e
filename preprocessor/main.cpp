#include "preprocessor/prevo.h"

int main(int argc, char **argv) { prevo_main(argc, argv); }
