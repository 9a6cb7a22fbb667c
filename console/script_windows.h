#pragma once
// How a run with no console was started, as far as its standard input tells:
// a launcher gives an idle pipe, a script a pipe with its answers or its end.

// Whether standard input, a pipe, stays idle for 100 ms, neither bringing a
// byte nor ending, as a launcher's pipe does. A byte read to tell comes back
// first in the reads of standard input.
bool standard_input_stays_idle();
