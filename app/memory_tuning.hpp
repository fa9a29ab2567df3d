#pragma once
// Start-up tuning of memory, which changes no result.
#include <cstddef>

// Faults in the flow state (bytes from state) and the heap that a solve uses
// (the working copy of the matrix and the factors, up to 201 by 201 each, and
// a few vectors) by one call each instead of one page fault per page, and
// keeps freed work space in the heap, so that the second solve reuses the
// pages of the first.
void prepare_memory(void* state, std::size_t bytes);
