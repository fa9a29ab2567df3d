#pragma once
// The results file, unit 10, "rezult.txt" in the working directory.

namespace io {

// Opens (creating when missing, never shortening) before the first prompt; an
// open failure ends the run with severe error 9 (permission) or 30 (other).
void results_open();

// Writes one record of two values, ended by CR LF. Records are gathered and
// written out whole, a batch at a time; the file is cut to nothing just before
// the first batch goes in, so that it never holds this run's records and an
// earlier run's together. A failed write ends the run with severe error 38 and
// leaves the whole records that the file took.
void results_write(float x, float cp);

// Writes out the gathered records and closes the file (also done by every stop
// of the run).
void results_close();

}  // namespace io
