"""The module against the program it wraps: the same bytes, whatever ran
before, from any thread, under any rounding mode, and errors that leave the
process running."""
import copy
import ctypes
import fractions
import functools
import os
import pathlib
import pickle
import platform
import random
import signal
import subprocess
import sys
import tempfile
import threading
import time
import warnings

import numpy as np
import pytest

import vortex

REFERENCE = pathlib.Path(__file__).resolve().parents[1] / "app" / "reference"
PROMPTS = " vvedite kol-vo vihrej\n vvedite skorost\n"


def program():
    """The built program (VORTEX_PROGRAM)."""
    path = os.environ.get("VORTEX_PROGRAM")
    if not path:
        pytest.skip("VORTEX_PROGRAM names no built program")
    return path


@functools.lru_cache(maxsize=None)
def console(count, velocity):
    """The built program run in a fresh folder, given the two numbers as
    Python prints them: its status, standard output, rezult.txt and standard
    error."""
    with tempfile.TemporaryDirectory() as work:
        done = subprocess.run([program()], input=f"{count}\n{velocity}\n".encode(),
                              cwd=work, capture_output=True, check=False)
        results = pathlib.Path(work, "rezult.txt").read_bytes()
    return done.returncode, done.stdout.decode(), results.decode(), done.stderr.decode()


def reference(folder, name="rezult.txt"):
    """A file of a stored reference run, line ends kept."""
    return (REFERENCE / folder / name).read_bytes().decode()


def records(result):
    """The records formed from x and cp (finite values: five decimals of the
    exact value, ties to even)."""
    return "".join(f"{x:9.5f}{cp:9.5f}\r\n" for x, cp in zip(result.x.tolist(), result.cp.tolist()))


def assert_same_as_console(count, velocity):
    status, stdout, results, _ = console(str(count), str(velocity))
    assert status == 0 and stdout.startswith(PROMPTS)
    messages = stdout[len(PROMPTS):]
    r = vortex.run(count, velocity)
    typed = vortex.run(str(count), str(velocity))  # the same numbers as the console read them
    assert (r.count, r.velocity) == (typed.count, typed.velocity)
    assert r.results_text == results
    assert "".join(r.messages) == messages
    assert r.x.dtype == r.cp.dtype == np.float32
    if np.isfinite(r.cp).all():
        assert records(r) == results
    return r


@pytest.mark.parametrize("folder", sorted(p.name for p in REFERENCE.iterdir()))
def test_reference_runs(folder):
    count, _, velocity = folder[1:].partition("-v")
    stdout = reference(folder, "stdout.txt")[len(PROMPTS):]
    results = reference(folder)
    if (REFERENCE / folder / "status.txt").read_text().strip() == "1":
        with pytest.raises(vortex.SolverError) as stopped:
            vortex.run(count, velocity or "20")
        assert (stopped.value.type, stopped.value.code, stopped.value.text) == (5, 1, stdout)
        return
    r = vortex.run(count, velocity or "20")
    assert (r.results_text, "".join(r.messages)) == (results, stdout)


@pytest.mark.parametrize("count", range(1, 202))
def test_every_count_at_velocity_20(count):
    r = assert_same_as_console(count, 20)
    assert len(r.x) == len(r.circulation) == count
    assert r.lift_coefficient == 2 * np.sum(r.circulation, dtype=np.float64) / 20


@pytest.mark.parametrize("count, velocity", [
    ("5.7", 20), (5.7, "-7"), ("1d2", "3*2.5"), ("1.0Q2", "1e1"), ("201.9", 20),
    ("  10 25", 0.1), (10, 1000), (10, 0),
    (np.int64(10), 2**64 + 2**40 + 1),  # integers beyond double's 53 bits, rounded once
    (np.array(93), np.array(20.5, np.float32)),  # 0-d arrays as NumPy's scalars
    (10, 3.4028235e38),  # the largest float
])
def test_velocities_and_strings(count, velocity):
    r = assert_same_as_console(count, velocity)
    if r.velocity == 0:
        assert np.isnan(r.cp).all() and np.isnan(r.lift_coefficient)


def test_a_run_reads_nothing_of_earlier_runs():
    # 93 vortices leave the last right-hand side entry unset: a fresh process
    # has 0 there, the 201 run left its own.
    vortex.run(201, 20)
    assert vortex.run(93, 20).results_text == reference("n93-v20")
    counts = list(range(1, 202, 4)) + [93, 99, 198]
    first = {n: vortex.run(n, 20) for n in counts}
    random.Random(18).shuffle(counts)
    for n in counts:
        r = vortex.run(n, 20)
        assert r.results_text == first[n].results_text
        assert r.cp.tobytes() == first[n].cp.tobytes()
        assert r.circulation.tobytes() == first[n].circulation.tobytes()


def test_threads_give_the_serial_bytes():
    counts = [201, 93, 10, 150, 57, 199, 64, 5.7]
    serial = {n: vortex.run(n, 20).results_text for n in counts}
    failures = []

    def worker(order):
        for n in order:
            if vortex.run(n, 20).results_text != serial[n]:
                failures.append(n)

    threads = [threading.Thread(target=worker, args=(random.Random(i).sample(counts, len(counts)),))
               for i in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert failures == []


def test_the_interpreter_runs_on_while_the_solver_works():
    # Holding the interpreter lock through the solve would stop this thread
    # for about the solve's whole length.
    n = 2000
    a = np.random.default_rng(18).standard_normal((n, n)).astype(np.float32) + n * np.eye(n, dtype=np.float32)
    worker = threading.Thread(target=vortex.lsarg, args=(a, np.ones(n, np.float32)))
    started = last = time.perf_counter()
    worker.start()
    longest = 0.0
    while worker.is_alive():
        now = time.perf_counter()
        longest = max(longest, now - last)
        last = now
    worker.join()
    took = last - started
    assert took > 0.1
    assert longest < took / 4


FE_UPWARD = {"x86_64": 0x800, "aarch64": 0x400000}.get(platform.machine())


@pytest.mark.skipif(FE_UPWARD is None, reason="FE_UPWARD of this processor not known here")
def test_a_host_rounding_upward_changes_nothing_and_is_kept():
    libc = ctypes.CDLL(None)
    expected = vortex.run(93, 20)
    assert libc.fesetround(FE_UPWARD) == 0
    try:
        r = vortex.run(93, 20.0)
        # 0.7 in a list is rounded to float32 by the call, to nearest.
        x = vortex.lsarg([[3, 1], [1, 3]], [1, 0.7])
        mode = libc.fegetround()
    finally:
        libc.fesetround(0)
    assert mode == FE_UPWARD
    assert r.results_text == expected.results_text
    assert r.cp.tobytes() == expected.cp.tobytes()
    nearest = vortex.lsarg(np.array([[3, 1], [1, 3]], np.float32), np.array([1, 0.7], np.float32))
    assert x.tobytes() == nearest.tobytes()


# Numbers whose float is not finite are refused as the console refuses them
# typed.
@pytest.mark.parametrize("count, velocity, number", [
    (202, 20, 161), ("abc", 20, 64), ("", 20, 24), ("'5'", 20, 59),
    (10, 1e39, 64), (10, float("inf"), 64), (float("nan"), 20, 64),
    (10, 2**128 - 2**103, 64),  # halfway between the largest float and 2**128
    (10, fractions.Fraction(10**400), 64),  # beyond every double
])
def test_run_time_errors_raise_and_the_process_goes_on(count, velocity, number):
    status, _, results, stderr = console(count, velocity)
    with pytest.raises(vortex.RunError) as stopped:
        vortex.run(count, velocity)
    assert stopped.value.number == number == status
    assert stopped.value.text == stderr.splitlines()[0]
    assert results == ""
    assert vortex.run(10, 20).results_text == reference("n10-v20")


@pytest.mark.parametrize("count", [0, ",", -3])
def test_counts_below_one_stop_in_the_solver(count):
    with pytest.raises(vortex.SolverError) as stopped:
        vortex.run(count, 20)
    assert (stopped.value.type, stopped.value.code) == (5, 1)
    assert "The number of equations must be positive" in stopped.value.text


def test_lsarg_layouts_and_orientation_agree():
    a = np.array([[4, -2, 1], [3, 6, -4], [2, 1, 8]], np.float32)
    b = np.array([12, -25, 32], np.float32)
    x = vortex.lsarg(a, b)
    assert np.allclose(a.astype(np.float64) @ x, b, rtol=1e-6)
    assert vortex.lsarg(np.asfortranarray(a), b).tobytes() == x.tobytes()
    assert vortex.lsarg(a.T.copy(), b, transpose=True).tobytes() == x.tobytes()
    assert vortex.lsarg(np.asfortranarray(a).T, b, transpose=True).tobytes() == x.tobytes()
    with pytest.raises(TypeError):
        vortex.lsarg(a.astype(np.float64), b)


def test_lsarg_singular_raises_and_nearly_singular_warns():
    with pytest.raises(vortex.SolverError) as stopped:
        vortex.lsarg(np.array([[1, 2], [2, 4]], np.float32), np.ones(2, np.float32))
    assert stopped.value.type == 4 and "singular" in stopped.value.text
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        vortex.lsarg(np.array([[1, 1], [1, 1 + 2**-22]], np.float32), np.ones(2, np.float32))
    assert [w.category for w in caught] == [vortex.SolverWarning]
    assert "ill-conditioned" in str(caught[0].message)


# A copy of a matrix of this order takes 256 TiB, more than the address space
# of a process (128 TiB on 64-bit Linux).
HUGE = 2**23


@pytest.mark.parametrize("call, error, message", [
    (lambda: vortex.run("\ud800", 20), ValueError, "^count holds a character"),
    (lambda: vortex.run(20, None), TypeError, "^velocity must be a number or a string"),
    (lambda: vortex.lsarg([[1, None], [2, 3]], [1, 2]), TypeError, "^a must hold numbers"),
    (lambda: vortex.lsarg([[1, 2], [3, 4]], ["1", "2"]), TypeError, "^b must hold numbers"),
    (lambda: vortex.lsarg(np.broadcast_to(np.float32(1), (HUGE, HUGE)), np.ones(HUGE, np.float32)),
     MemoryError, "allocate"),
], ids=["lone surrogate", "None", "None in a list", "strings in a list", "no memory for a copy"])
def test_arguments_are_refused_with_plain_errors(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_results_and_errors_pickle_and_copy():
    r = vortex.run(93, 20)
    assert repr(r) == "<vortex.Result count=93.0 velocity=20.0 points=93>"
    with pytest.raises(AttributeError):
        r.count = 1.0
    for clone in (pickle.loads(pickle.dumps(r)), copy.copy(r), copy.deepcopy(r)):
        assert type(clone) is vortex.Result and repr(clone) == repr(r)
        assert (clone.results_text, clone.messages, clone.lift_coefficient) == \
            (r.results_text, r.messages, r.lift_coefficient)
        for name in ("x", "cp", "circulation"):
            assert getattr(clone, name).tobytes() == getattr(r, name).tobytes()
    for call in (lambda: vortex.run(202, 20), lambda: vortex.run(0, 20)):
        with pytest.raises((vortex.RunError, vortex.SolverError)) as stopped:
            call()
        clone = pickle.loads(pickle.dumps(stopped.value))
        assert type(clone) is type(stopped.value)
        assert (vars(clone), str(clone)) == (vars(stopped.value), str(stopped.value))


def test_the_version_and_the_form_notice_are_the_programs():
    done = subprocess.run([program(), "--version"], capture_output=True, check=True)
    assert done.stdout.decode() == f"vortex {vortex.__version__}\n"
    # A VORTEX_FORM that names no form: the program's notice, a warning at import.
    unknown = dict(os.environ, VORTEX_FORM="widest")
    with tempfile.TemporaryDirectory() as work:
        typed = subprocess.run([program()], input=b"10\n20\n", cwd=work, env=unknown,
                               capture_output=True, check=True)
    imported = subprocess.run([sys.executable, "-c", "import vortex"], env=unknown,
                              capture_output=True, check=True)
    notice = typed.stderr.decode().removeprefix("vortex: ").removesuffix("\r\n")
    assert notice.startswith("VORTEX_FORM=widest ")
    assert imported.stderr.decode().endswith(f": RuntimeWarning: {notice}\n")


@pytest.mark.skipif(not hasattr(os, "fork"), reason="no fork on this system")
def test_a_child_forked_during_a_call_can_call():
    n = 3000
    a = np.random.default_rng(18).standard_normal((n, n)).astype(np.float32) + n * np.eye(n, dtype=np.float32)
    worker = threading.Thread(target=vortex.lsarg, args=(a, np.ones(n, np.float32)))
    worker.start()
    time.sleep(0.2)  # into the solve, which holds the module's lock for about a second
    pid = os.fork()
    if pid == 0:  # the child: one call, then out past pytest
        status = 1
        try:
            status = 0 if vortex.run(10, 20).results_text == reference("n10-v20") else 2
        finally:
            os._exit(status)
    forked_in_the_call = worker.is_alive()
    worker.join()
    deadline = time.monotonic() + 20
    while (ended := os.waitpid(pid, os.WNOHANG))[0] == 0 and time.monotonic() < deadline:
        time.sleep(0.05)
    if ended[0] == 0:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
    assert forked_in_the_call
    assert ended[0] == pid and os.waitstatus_to_exitcode(ended[1]) == 0
