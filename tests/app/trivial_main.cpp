// The trivial C++ program: where an address-space limit lets it start, the
// kernel can map a program of its linking and the C and C++ run-times' start-up
// succeeds. The memory sweep of the end-to-end tests measures that floor.
#include <iostream>

int main() { std::cout << "started\n"; }
