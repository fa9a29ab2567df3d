#pragma once
// clang 14 lacks the builtin that the standard library's <source_location>
// (GCC 12's) is built on, so that header declares nothing under clang 14 and
// io/call_trace.hpp does not compile. run-fuzzers includes this file first in
// every translation unit of the clang build; it supplies the small part of
// std::source_location that the run-time traceback uses. It does nothing under
// a compiler that has the builtin.
#if defined(__clang__) && !__has_builtin(__builtin_source_location)
#define _GLIBCXX_SRCLOC 1  // the library's own header then adds nothing
#include <cstdint>

namespace std {

struct source_location {
  static constexpr source_location current(const char* file = __builtin_FILE(),
                                           const char* function = __builtin_FUNCTION(),
                                           uint_least32_t line = __builtin_LINE(),
                                           uint_least32_t column = __builtin_COLUMN()) noexcept {
    source_location s;
    s.file_ = file;
    s.function_ = function;
    s.line_ = line;
    s.column_ = column;
    return s;
  }
  constexpr source_location() noexcept = default;
  constexpr uint_least32_t line() const noexcept { return line_; }
  constexpr uint_least32_t column() const noexcept { return column_; }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr const char* function_name() const noexcept { return function_; }

 private:
  const char* file_ = "";
  const char* function_ = "";
  uint_least32_t line_ = 0;
  uint_least32_t column_ = 0;
};

}  // namespace std
#endif
