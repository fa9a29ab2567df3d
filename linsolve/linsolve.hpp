#pragma once
// The dense solver: one real general system of order N in single precision.
//
// Where each routine lives (each file's routines are declared in the header of
// the same name, all of them through this one):
//
//   LSARG   driver.cpp      the entry point: work space for the call, then L2ARG
//   L2ARG   driver.cpp      checks, factor and estimate, refined solve, warning
//   L2CRG   condition.cpp   factor through L2TRG and estimate the reciprocal of
//                           the L1 condition number
//   NR1RR   condition.cpp   the L1 norm of a matrix
//   L2TRG   factor.cpp      LU factorization with scaled partial pivoting
//   CRGRG   factor.cpp      copy of a general matrix
//   LFIRG   refine.cpp      solve, then iterative refinement with double residuals
//   LFSRG   solve.cpp       solve with the LU factors, A or its transpose
//   STRSV   triangular.cpp  triangular solve in place
//   SFILL   kernels.cpp     fill a vector with a value
//   SSCAL   kernels.cpp     scale a vector
//   SCOPY   kernels.cpp     copy a vector, bit for bit
//   SAXPY   kernels.cpp     add a multiple of one vector to another
//   SDOT    kernels.cpp     dot product
//   SDSDOT  kernels.cpp     dot product added to a start value, in double
//   SASUM   kernels.cpp     sum of magnitudes
//   ISAMAX  kernels.cpp     first position of the largest magnitude
//   ISPMAX  kernels.cpp     first position of the largest magnitude of a product
//
// Internal, not declared here: state.hpp (what the solver keeps between calls,
// and the test hooks), checks.hpp (the argument-check helper and the
// singularity threshold), matrix_access.hpp (the column-major accessor),
// factor_unblocked.hpp (the elimination one step at a time, which the paneled
// one is tested against), and the hottest loops:
//
//   vector_paths.hpp        the loops, each entry doing the whole work
//   vector_paths.cpp        the registry of their forms, the choice of one at
//                           start-up (VORTEX_FORM, the processor's row), the calls
//   vector_forms.hpp        the forms a build holds and the processor offers
//   vector_table.hpp        a form's table of loops and its registry entry
//   form_plain.cpp          the plain forms, which define every stored value
//   form_<form>.cpp         one vector form: the three below built for its
//                           instruction set, and its registry entry
//   vector_loops.inc        the loops written once over the vector width
//   vector_ops.inc          the width-generic operations they are written in
//   packet_<form>.inc       what each instruction set does better (SSE2, AVX2,
//                           AVX-512, NEON), and its tile shapes
//   vector_bounds.hpp       why a sum in another order may stand for the
//                           ascending one
//   cpu_features_<arch>.cpp what the processor offers, and what it is

#include "linsolve/condition.hpp"
#include "linsolve/driver.hpp"
#include "linsolve/factor.hpp"
#include "linsolve/kernels.hpp"
#include "linsolve/refine.hpp"
#include "linsolve/solve.hpp"
#include "linsolve/triangular.hpp"
