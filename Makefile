# Entry points over the CMake presets (CMakePresets.json), so that the README, CI and an editor
# build the same way:
#   make run            build the libraries and vortex only, then start vortex in this folder
#   make test           build everything (program, tests, benchmark, fuzz replays) and run the tests
#   make install        build vortex, then install it with plot-cp and the man pages under PREFIX
#   make install-strip  the same with the program stripped of its symbols and debug information
#   make uninstall      remove the files that the last install from build/ wrote
#   make package        the Debian package of the same files, in build-package/
#   make web            the page and its WebAssembly module in build-wasm/web/ (Debian's emscripten)
# PRESET picks the configure, build and test presets of `make test` (default; ci adds -Werror).
PRESET ?= default
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)
# The package's program is linked against the shared run-time libraries, as Debian expects, in a
# build folder of its own; the program of `make run` and `make install` stays static.
# PACKAGE_PRESET=aarch64 or i686 makes the package of a cross build, in build-package-PRESET/.
PACKAGE_PRESET ?= program
PACKAGE_DIR ?= build-package$(if $(filter program,$(PACKAGE_PRESET)),,-$(PACKAGE_PRESET))
# `make test` also builds the page and runs its tests in headless Chromium where Emscripten,
# Chromium and its driver are installed; WEB_TESTS=no leaves them out (CI runs them in its
# WebAssembly step). WEB_PRESET configures build-wasm/ when it is not yet configured.
WEB_TESTS ?= $(if $(shell command -v em++ && command -v chromium && command -v chromedriver),yes,no)
WEB_PRESET ?= wasm
# A new build folder is made for Ninja where it is installed (Debian's ninja-build), which keeps both
# cores busy with less bookkeeping than make's: `make run` from a fresh clone takes 4 to 5 s less.
# A folder already configured keeps its generator; CMAKE_GENERATOR in the environment decides
# instead where it is set.
ifeq ($(origin CMAKE_GENERATOR),undefined)
ifneq ($(shell command -v ninja),)
export CMAKE_GENERATOR := Ninja
endif
endif

.PHONY: build program run test install install-strip uninstall package web clean

build:
	cmake --preset $(PRESET)
	cmake --build --preset $(PRESET) -j $(JOBS)

test: build
	ctest --preset $(PRESET) -j $(JOBS)
ifeq ($(WEB_TESTS),yes)
	$(MAKE) --no-print-directory web
	ctest --test-dir build-wasm -R '^page$$' --output-on-failure
else
	@echo "The page's tests are skipped: Emscripten, Chromium or chromium-driver is not installed."
endif

# The page alone: index.html, its script and style, and the module. Serve the folder with any
# static server, e.g. python3 -m http.server -d build-wasm/web.
web:
	@test -f build-wasm/CMakeCache.txt || cmake --preset $(WEB_PRESET)
	cmake --build build-wasm --target web -j $(JOBS)

# A fresh build/ is configured for the program alone, which needs neither GoogleTest nor Google
# Benchmark; a build/ that `make test` has configured keeps its tests and builds vortex only.
program:
	@test -f build/CMakeCache.txt || cmake --preset program
	cmake --build --preset program -j $(JOBS)

run: program
	build/app/vortex

install: program
	cmake --install build --prefix $(PREFIX)

install-strip: program
	cmake --install build --prefix $(PREFIX) --strip

# cmake --install lists what it wrote in build/install_manifest.txt, one path a line.
uninstall:
	@test -f build/install_manifest.txt || { echo "no build/install_manifest.txt: nothing installed from build/" >&2; exit 1; }
	xargs -d '\n' rm -f -- <build/install_manifest.txt

# The package's program binds every symbol at start (-z now), beside the read-only relocations of the
# default link, as Debian's hardened builds do. A package of an earlier version left in the folder is
# removed first.
package:
	cmake --preset $(PACKAGE_PRESET) -B $(PACKAGE_DIR) -DVORTEX_STATIC=OFF -DBUILD_TESTING=OFF \
	  -DCMAKE_EXE_LINKER_FLAGS=-Wl,-z,relro,-z,now
	cmake --build $(PACKAGE_DIR) --target vortex -j $(JOBS)
	rm -f $(PACKAGE_DIR)/vortex_*.deb
	cd $(PACKAGE_DIR) && cpack -G DEB

clean:
	rm -rf build build-release build-san build-fuzz-clang build-clang build-libcxx build-aarch64 build-i686 build-package build-package-* build-windows \
	  build-wasm
