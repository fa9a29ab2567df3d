"""The pressure distribution along a thin cambered profile by the discrete
vortex method, and the single-precision dense solver it uses: the console
program's computation, with the same results bit for bit.

    >>> import vortex
    >>> r = vortex.run(93, 20)
    >>> r.x[:2], r.cp[:2], r.lift_coefficient

See help(vortex.run) and help(vortex.lsarg).
"""
from vortex._vortex import Result, RunError, SolverError, SolverWarning, lsarg, run

__all__ = ["Result", "RunError", "SolverError", "SolverWarning", "lsarg", "run"]
