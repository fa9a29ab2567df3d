#pragma once
// The dense solver: one real general system of order N in single precision.
#include "linsolve/condition.hpp"
#include "linsolve/driver.hpp"
#include "linsolve/factor.hpp"
#include "linsolve/kernels.hpp"
#include "linsolve/solve.hpp"
