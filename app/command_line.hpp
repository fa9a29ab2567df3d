#pragma once
// The command line. --help and --version are answered without a run; any other
// argument is ignored, so that scripts that pass one keep working.

// The exit status when an argument asked for an answer instead of a run (0, or
// 38 when the answer could not be written), -1 when the run goes ahead. The
// first of --help and --version decides.
int answer_command_line(int argc, const char* const* argv);
