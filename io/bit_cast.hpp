#pragma once
// std::bit_cast, or where the standard library lacks it (libc++ 13, in
// Emscripten 3.1.6) the copy of the object representation that it is defined
// to be: memcpy between two trivially copyable objects of one size gives the
// To whose bits are From's, as bit_cast does. The standard's feature-test
// macro decides, where the header is compiled, so the tests and fuzz programs
// that include it take the same form as the libraries.
#include <bit>
#include <cstring>
#include <type_traits>

namespace io {

#if defined(__cpp_lib_bit_cast)
using std::bit_cast;
#else
template <class To, class From>
To bit_cast(const From& from) noexcept {
  static_assert(sizeof(To) == sizeof(From) && std::is_trivially_copyable_v<To> &&
                std::is_trivially_copyable_v<From>);
  To to;
  std::memcpy(&to, &from, sizeof to);
  return to;
}
#endif

}  // namespace io
