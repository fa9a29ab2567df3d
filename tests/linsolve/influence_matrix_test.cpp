// The influence matrix the solver tests and the benchmark use: above 201 it
// comes from a generator, which must store MATRICA's bits wherever MATRICA can
// build the matrix.
#include "bench/influence_matrix.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(InfluenceMatrix, GeneratorStoresTheProgramsBitsAtEveryOrderUpTo201) {
  for (int n = 1; n <= 201; ++n) {
    const std::vector<float> program = influence_matrix(n);
    const std::vector<float> generated = unbounded_influence_matrix(n);
    ASSERT_EQ(generated.size(), program.size());
    EXPECT_EQ(std::memcmp(generated.data(), program.data(), program.size() * sizeof(float)), 0)
        << "order " << n;
  }
}

}  // namespace
