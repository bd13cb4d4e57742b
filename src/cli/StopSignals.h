#pragma once
// Ctrl+C (SIGINT) and SIGTERM end a run the way the desktop program's stop button does: the run
// ends at the next line, the report gets its ending, no unfinished drawing is left behind.

namespace mervalon::cli {

/// Catches SIGINT and SIGTERM from now on. A second signal of either kind ends the program at
/// once, as usual, for a run that does not come to an end.
void installStopSignals();

/// The signal that asked the run to stop, or 0.
int stopSignal();

} // namespace mervalon::cli
