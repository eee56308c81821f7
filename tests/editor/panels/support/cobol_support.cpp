// The generator tests' COBOL helpers serve the panel tests too.
#include "editor/generator/support/cobol_support.cpp"
