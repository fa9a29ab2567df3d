#pragma once
// What the file of each vector form includes before its loops, and the line
// that enters the form in the registry.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "linsolve/vector_bounds.hpp"
#include "linsolve/vector_table.hpp"
#include "linsolve/vector_target.hpp"

// The entry of the form NAME: its loops' table (NAME::kTable, from
// vector_loops.inc), the check whether the processor can run it, and its
// preference among the forms the processor offers (its width in doubles).
#define VORTEX_FORM_ENTRY(NAME, CHECK, PREFERENCE)                     \
  namespace linsolve::forms {                                          \
  extern const Entry NAME##_entry;                                     \
  const Entry NAME##_entry = {#NAME, NAME::kTable, CHECK, PREFERENCE}; \
  }
