# Cross build for WebAssembly with Debian's Emscripten (emscripten 3.1.6, on
# Debian's clang, lld, binaryen and node-acorn). Its system libraries, in the
# exception-handling variant too, come prebuilt in the package's frozen cache:
# nothing is compiled into a cache, and nothing is fetched.
#
# Every program of the build runs under node, as CTest's emulator starts it,
# with the host's file system (NODERAWFS): the console program reads standard
# input and writes rezult.txt in its working folder, as on Linux. The page's
# module (web/) is another link of the same libraries, for the browser.
set(EMSCRIPTEN_SYSTEM_PROCESSOR wasm32)
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# A stop of the run is a C++ exception, which Emscripten only catches when
# asked to; without it every stop ends in "exiting due to exception".
set(CMAKE_CXX_FLAGS_INIT -fexceptions)
# The runtime ends with the program, so that its streams are flushed and its
# exit status is node's; the heap grows as the tests need.
set(CMAKE_EXE_LINKER_FLAGS_INIT
  "-fexceptions -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1")

# Emscripten's JavaScript passes load Debian's node-acorn, which a node that
# does not look in /usr/share/nodejs finds only through NODE_PATH: set here for
# the links of the configuration checks, and by the linker launcher for those
# of the build.
set(ENV{NODE_PATH} /usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
# Emscripten 3.1.6's loader takes node's built-in fetch (node 18 and later) for
# a browser's and fails to read the module's file.
set(CMAKE_CROSSCOMPILING_EMULATOR node --no-experimental-fetch)
