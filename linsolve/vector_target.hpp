#pragma once
// The instruction set of the functions that follow, for a vector form built
// beside code that must run on any processor of its architecture: GCC's target
// pragma, or Clang's attribute pushed onto every function.
#define VORTEX_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define VORTEX_TARGET_PUSH(isa) \
  VORTEX_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define VORTEX_TARGET_POP VORTEX_PRAGMA(clang attribute pop)
#else
#define VORTEX_TARGET_PUSH(isa) VORTEX_PRAGMA(GCC push_options) VORTEX_PRAGMA(GCC target(isa))
#define VORTEX_TARGET_POP VORTEX_PRAGMA(GCC pop_options)
#endif
