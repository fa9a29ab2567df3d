#!/usr/bin/env python3
"""The lift of the program's circulations against thin-airfoil theory, over
every count of vortices from 1 to 201 (docs/validation.md explains the
figures): one run per count, drawn with matplotlib.

    ~/.venvs/vortex/bin/python python/examples/lift_sweep.py [-o lift.png] [-v VELOCITY]

with the Python of the virtual environment that the module is installed in
(README, "From Python"), or python3 where that environment is active.
"""
import argparse

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import vortex  # noqa: E402

# Thin-airfoil theory's lift coefficient of the camber line at zero incidence.
THEORY = 1.09265


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("-o", "--output", default="lift.png", help="picture to write (lift.png)")
    parser.add_argument("-v", "--velocity", type=float, default=20.0, help="free-stream velocity")
    args = parser.parse_args()

    counts = range(1, 202)
    lift = [vortex.run(n, args.velocity).lift_coefficient for n in counts]

    fig, ax = plt.subplots(figsize=(8, 5))
    ax.plot(counts, lift, ".", markersize=4, label="program, Cl = 2 ΣΓ / V")
    ax.axhline(THEORY, color="black", linewidth=0.8, label=f"thin-airfoil theory, {THEORY}")
    ax.set_xlabel("number of vortices")
    ax.set_ylabel("lift coefficient")
    ax.set_ylim(0.5, 1.15)
    ax.grid(alpha=0.3)
    ax.legend(loc="lower right")
    fig.tight_layout()
    fig.savefig(args.output, dpi=120)
    print(f"{args.output}: Cl {lift[9]:.5f} at 10 vortices, {lift[-1]:.5f} at 201; theory {THEORY}")


if __name__ == "__main__":
    main()
