#pragma once
// Single-key answers, taken straight from the console without echo and
// without waiting for Enter.

// How a yes/no wait ended: with an answer, or without one because the keys
// ran out or the player pressed Ctrl-C.
enum class KeyAnswer { yes, no, input_ended, interrupted };

// Waits for 'y' or 'n'; every other key is ignored without a word.
KeyAnswer wait_yes_no();

// Waits for one key of any kind, or for the keys to run out.
void wait_any_key();
