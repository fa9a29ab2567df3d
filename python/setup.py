"""pip's build of the module: scikit-build runs the project's CMake build with
the module on and the tests off, and installs the module alone.

    python3 -m venv --system-site-packages ~/.venvs/vortex
    ~/.venvs/vortex/bin/pip install --no-build-isolation ./python
"""
import pathlib
import re

from skbuild import setup

# The version is the CMake project's.
project = (pathlib.Path(__file__).resolve().parent.parent / "CMakeLists.txt").read_text()
version = re.search(r"project\(vortex\s+VERSION\s+([0-9.]+)", project).group(1)

setup(
    name="vortex",
    version=version,
    description="Pressure distribution on a thin cambered profile, discrete vortex method",
    python_requires=">=3.7",
    install_requires=["numpy"],
    packages=["vortex"],
    cmake_source_dir="..",
    cmake_args=["-DBUILD_TESTING=OFF", "-DVORTEX_PYTHON=ON", "-DCMAKE_BUILD_TYPE=RelWithDebInfo"],
    cmake_install_target="install-python",
)
