// EXPECT_LIBRARY_ERROR(statement, pattern): the statement throws vocana::Error
// whose text matches the ECMAScript regular expression pattern.
#pragma once

#include <gtest/gtest.h>
#include <vocana/error.h>

#include <functional>
#include <regex>
#include <string>

inline testing::AssertionResult throws_library_error(const std::function<void()>& statement,
                                                     const std::string& pattern) {
  try {
    statement();
  } catch (const vocana::Error& error) {
    if (std::regex_search(error.what(), std::regex(pattern))) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "the error's text \"" << error.what() << "\" does not match \"" << pattern << "\"";
  }
  return testing::AssertionFailure() << "no vocana::Error was thrown";
}

#define EXPECT_LIBRARY_ERROR(statement, pattern) \
  EXPECT_TRUE(throws_library_error([&] { statement; }, pattern))
