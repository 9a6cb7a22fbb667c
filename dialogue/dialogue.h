#pragma once
// The whole run: one pass through a fixed dialogue on the console.

// Runs the dialogue once on Halvane.exe in the current folder and returns
// the exit status: 0 on every ordinary path; 1 when Halvane.exe is there but
// cannot be patched, input ended, a size could not be read or a write
// failed; 130 when the player pressed Ctrl-C (or Ctrl-Break) at any question.
int run_dialogue();
