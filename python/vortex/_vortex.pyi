from typing import SupportsFloat, SupportsIndex

import numpy
from numpy.typing import ArrayLike, NDArray

from vortex._result import Result

__version__: str

def run(count: str | SupportsFloat | SupportsIndex,
        velocity: str | SupportsFloat | SupportsIndex) -> Result: ...
def lsarg(a: ArrayLike, b: ArrayLike, transpose: bool = False) -> NDArray[numpy.float32]: ...
