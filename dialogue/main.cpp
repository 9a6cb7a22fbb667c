#include "dialogue/dialogue.h"

// Arguments are ignored: the tool always works on the game in the current folder.
int main() { return run_dialogue(); }
