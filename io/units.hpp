#pragma once
// The unit table: unit 5 is the standard input, unit 6 the standard output,
// unit 10 the results file once it is opened, and unit 0 the standard error,
// where the run-time's error messages go.
#include <cstdio>
#include <string>
#include <string_view>

namespace io {

constexpr int kUnitError = 0;
constexpr int kUnitInput = 5;
constexpr int kUnitOutput = 6;
constexpr int kUnitResults = 10;

// The console as the run-time's messages name it: the default input and output
// units and their device names.
constexpr int kConsoleInputUnit = -4;
constexpr const char* kConsoleInputName = "CONIN$";
constexpr int kConsoleOutputUnit = -1;
constexpr const char* kConsoleOutputName = "CONOUT$";

// Makes sure that descriptors 0, 1 and 2 are open, on the null device where
// one is closed, so that no file the run opens can become a standard stream.
// Where text lines end in CR LF (Windows), the standard output stays a text
// stream and the standard error is written byte for byte: the run-time's
// messages carry their own CR LF. Called once at start-up, before anything is
// opened.
void guard_standard_streams();

// A reader that has gone (a closed pipe) and a file-size limit make a write
// fail (message 38) instead of raising signals that kill the run, on the
// systems that have those signals.
void ignore_write_signals();

// The stream bound to a unit, or nullptr when the unit is not open.
std::FILE* unit_stream(int unit);

// Binds a unit to a stream (tests bind unit 6 to a capture file). A null
// stream unbinds it. The unit table never closes the standard streams.
void bind_unit(int unit, std::FILE* stream);

// Whether an input statement on unit 5 reads from the start of its input: true
// for the first one to ask since the unit was bound (or the table reset).
bool input_starts();

// Writes one console line: the text and a line feed, written out at once. A
// unit that is not open is not written to. A line that the standard output
// refuses ends the run with severe error 38, like a failed write of the results.
void write_line(int unit, std::string_view text);

// Writes out the buffers of every open unit and closes every open file; the
// standard streams are flushed and stay open. Registered closers (the results
// file) run first, in the order they were registered.
void close_all();

// A file subsystem that owns a unit registers how it is written out and closed,
// so that stopping the run closes it like a normal end does.
using Closer = void (*)();
void register_closer(Closer closer);

// What a run wrote on unit 6 (the solver's messages) and unit 0 (the
// run-time's error lines), kept as text beside the streams the units are bound
// to, whether or not they are open: for callers that hand a run's messages
// back instead of showing them. A copy that memory cannot hold is left
// incomplete rather than stopping the run.
struct Transcript {
  std::string output;  // unit 6: each line ended by a line feed
  std::string errors;  // unit 0: each line ended by CR LF
};

// Keeps what is written on units 6 and 0 in the transcript from now on; a null
// transcript stops keeping.
void keep_transcript(Transcript* transcript);

// Appends a piece of unit 0's text to the transcript being kept, if any.
void transcribe_error(std::string_view text);

// Restores the table to its start: 0, 5 and 6 on the standard streams, nothing
// else, and no transcript.
void reset_units();

}  // namespace io
