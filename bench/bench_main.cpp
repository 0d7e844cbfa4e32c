// The benchmark program's entry point: Google Benchmark's own run of the
// benchmarks named on the command line, then the check of standard output
// that every program of the project makes, so that a table that could not be
// written (a full disk) fails the run with one line instead of passing.
#include <benchmark/benchmark.h>

#include "app/arguments.h"
#include "app/standard_output.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return app::kExitFailure;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return app::finish_program_output("velkora_bench", app::kExitOk);
}
