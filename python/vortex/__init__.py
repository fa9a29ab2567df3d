"""The pressure distribution along a thin cambered profile by the discrete
vortex method, and the single-precision dense solver it uses: the console
program's computation, with the same results bit for bit.

    >>> import vortex
    >>> r = vortex.run(93, 20)
    >>> r.x[:2], r.cp[:2], r.lift_coefficient

See help(vortex.run) and help(vortex.lsarg).
"""
from vortex._errors import RunError, SolverError, SolverWarning
from vortex._result import Result
from vortex._vortex import __version__, lsarg, run

# Shown as the package's, where scripts (and pickle) find them.
for _class in (Result, RunError, SolverError, SolverWarning):
    _class.__module__ = __name__
del _class

__all__ = ["Result", "RunError", "SolverError", "SolverWarning", "__version__", "lsarg", "run"]
