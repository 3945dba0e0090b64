#include "cli/comparecommand.h"

// The compare mode as a process of its own: `compareprobe --compare TABLE1 TABLE2 ...`.
int main(int argc, char **argv) { return kestrune::runCompareCommand(argc, argv); }
