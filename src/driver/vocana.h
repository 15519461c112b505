// The analysis driver: command line, loading, report and frame loop.
#pragma once

#include <cstdio>
#include <span>

#include "driver/run_settings.h"

// vocana_main: one whole run of the command line.
//   argc, argv  in  the process arguments; getopt() permutes argv in place
// Returns the exit status: 0 for a completed run, -h, --version or --help; 1
// for an error, after its lines on standard error (lines written to result
// files before a failure in the frame loop stay there).
int vocana_main(int argc, char** argv);

// usage: writes the usage text to out (standard error; standard output for
//   --help).
void usage(std::FILE* out);

// print_conditions: the run report.
//   out          in  stream to write to (standard error in a run)
//   argv         in  argument vector, argv[0] first, up to its null entry
//   settings     in  the final settings (span points detected and checked)
//   description  in  the input's format description
//   data_size    in  number of samples loaded
//   slots        in  the result streams, opened
void print_conditions(std::FILE* out, char* const* argv, const RunSettings& settings,
                      const char* description, int data_size, const ResultStreams& slots);
