// A fatal exit in the middle of the frame loop (a root finder that does not
// converge, a failed allocation) keeps every line written before it in the
// result files, whatever buffering their streams use.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/fatal_exit.h"
#include "driver/result_streams.h"

namespace {

constexpr int LINES = 12000;  // more than one result-stream buffer holds

std::string expected_lines() {
  std::string text;
  char line[64];
  for (int frame = 0; frame < LINES; ++frame) {
    std::snprintf(line, sizeof line, "%5d pnt %7.2f ms F:%8.1f\n", frame * 128, frame * 10.67,
                  500.0 + frame);
    text += line;
  }
  return text;
}

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(FatalExit, LinesWrittenBeforeItStayInEveryStream) {
  const std::string dir = testing::TempDir();
  const std::vector<std::string> names = {dir + "fatal_full.txt", dir + "fatal_line.txt",
                                          dir + "fatal_none.txt", dir + "fatal_stdout.txt"};
  const std::string expected = expected_lines();
  EXPECT_EXIT(
      {
        // As the driver sets them up: result files with a large buffer,
        // standard output redirected to a file; plus the other two modes.
        std::FILE* full = std::fopen(names[0].c_str(), "w");
        std::setvbuf(full, nullptr, _IOFBF, RESULT_STREAM_BUFFER);
        std::FILE* line = std::fopen(names[1].c_str(), "w");
        std::setvbuf(line, nullptr, _IOLBF, 0);
        std::FILE* none = std::fopen(names[2].c_str(), "w");
        std::setvbuf(none, nullptr, _IONBF, 0);
        if (std::freopen(names[3].c_str(), "w", stdout) == nullptr) std::abort();
        std::setvbuf(stdout, nullptr, _IOFBF, RESULT_STREAM_BUFFER);
        for (std::FILE* stream : {full, line, none, stdout}) std::fputs(expected.c_str(), stream);
        fatal_message("Numerical Recipes run-time error...\n");
      },
      testing::ExitedWithCode(1), "^Numerical Recipes run-time error\\.\\.\\.\n$");
  for (const std::string& name : names) EXPECT_EQ(read_text(name), expected) << name;
  for (const std::string& name : names) std::remove(name.c_str());
}

}  // namespace
