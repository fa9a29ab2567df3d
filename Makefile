# Entry points over the CMake presets (CMakePresets.json), so that the README, CI and an editor
# build the same way:
#   make run            build the libraries and vortex only, then start vortex in this folder
#   make test           build everything (program, tests, benchmark, fuzz replays) and run the tests
#   make install        build vortex, then install it with plot-cp and the man page under PREFIX
#   make package        the Debian package of the same files, in build/
# PRESET picks the configure, build and test presets of `make test` (default; ci adds -Werror).
PRESET ?= default
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)

.PHONY: build program run test install package clean

build:
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)

# A fresh build/ is configured for the program alone, which needs neither GoogleTest nor Google
# Benchmark; a build/ that `make test` has configured keeps its tests and builds vortex only.
program:
	@test -f build/CMakeCache.txt || cmake --preset program
	cmake --build --preset program -j $(JOBS)

run: program
	build/app/vortex

install: program
	cmake --install build --prefix $(PREFIX)

package: program
	cd build && cpack -G DEB

clean:
	rm -rf build build-release build-san build-fuzz-clang build-clang build-libcxx build-aarch64 build-i686
