# Entry points over the CMake presets (CMakePresets.json), so that the README, CI and an editor
# build the same way:
#   make run            build the libraries and vortex only, then start vortex in this folder
#   make test           build everything (program, tests, benchmark, fuzz replays) and run the tests
# PRESET picks the configure, build and test presets of `make test` (default; ci adds -Werror).
PRESET ?= default
JOBS ?= $(shell nproc)

.PHONY: build program run test clean

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

clean:
	rm -rf build build-release build-san build-fuzz-clang
