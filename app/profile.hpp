#pragma once
#include "app/bounded_array.hpp"

// Lays out the profile ordinates and the second right-hand side.
void PROFIL(float NVORT, RealArray& RHS2, RealArray& YPROF, float ALPHA, float VINF);
