#pragma once
// The entry point every fuzz target defines. libFuzzer calls it with each
// generated input; replay_main.cpp calls it with the files of a seed corpus.
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// A broken property: prints what was expected and aborts, so that libFuzzer
// keeps the input and the replay test fails.
[[noreturn]] void fail(const char* target, const char* what);

}  // namespace fuzz
