"""The outcome of one run."""
from __future__ import annotations

import dataclasses
from typing import TYPE_CHECKING

if TYPE_CHECKING:
    import numpy
    from numpy.typing import NDArray


@dataclasses.dataclass(frozen=True, eq=False, repr=False)
class Result:
    """The outcome of one run: the points, their pressure coefficients, the
    circulations, the lift, and the solver's messages."""

    x: NDArray[numpy.float32]
    """abscissa of each point"""
    cp: NDArray[numpy.float32]
    """pressure coefficient of each point"""
    circulation: NDArray[numpy.float32]
    """the circulations of the second system, one per point"""
    lift_coefficient: float
    """2 * sum(circulation) / velocity"""
    messages: list[str]
    """the solver's message blocks, each as the console shows it"""
    results_text: str
    """the text the program writes into rezult.txt, records ended by CR LF"""
    count: float
    """the number of vortices as read"""
    velocity: float
    """the free-stream velocity as read"""

    def __repr__(self) -> str:
        return (f"<vortex.Result count={self.count!r} velocity={self.velocity!r} "
                f"points={len(self.x)}>")
