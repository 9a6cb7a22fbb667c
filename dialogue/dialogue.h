#pragma once
// The whole run: one pass through a fixed dialogue on the console.

// Runs the dialogue once on game_file_name in the current folder and returns
// the exit status: 0 on every ordinary path; 1 when Halvane.exe is there but
// cannot be patched, input ended or a write failed; 130 when the player
// pressed Ctrl-C at a yes/no question.
int run_dialogue();
