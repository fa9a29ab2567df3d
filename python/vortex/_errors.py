"""The errors and the warning of the module's calls."""
from __future__ import annotations

from typing import Any


class RunError(RuntimeError):
    """A run-time error ended the run: number (161 array bounds, 24 end of
    input, 59 input syntax, 64 input conversion, 41 memory exhausted) and text,
    the "forrtl: severe" line."""

    number: int
    text: str

    def __init__(self, number: int, text: str) -> None:
        super().__init__(text)
        self.number = number
        self.text = text

    def __reduce__(self) -> tuple[Any, ...]:
        return type(self), (self.number, self.text), self.__dict__


class SolverError(RuntimeError):
    """The solver stopped the run: type and code of its error, text the
    message block as the console shows it."""

    type: int
    code: int
    text: str

    def __init__(self, type: int, code: int, text: str) -> None:  # noqa: A002
        super().__init__(text)
        self.type = type
        self.code = code
        self.text = text

    def __reduce__(self) -> tuple[Any, ...]:
        return type(self), (self.type, self.code, self.text), self.__dict__


class SolverWarning(UserWarning):
    """A solver warning; the message is its block as the console shows it."""
