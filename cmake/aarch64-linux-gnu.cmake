# Cross build for 64-bit ARM Linux with Debian's cross compiler
# (g++-aarch64-linux-gnu). Libraries of the target come from Debian's multiarch
# packages (dpkg --add-architecture arm64; libgtest-dev:arm64,
# libbenchmark-dev:arm64), which install under /usr/lib/aarch64-linux-gnu.
#
# CTest starts the target's programs under qemu-user. Its -L names the folder
# where the target's dynamic loader and libraries are found: / with the
# multiarch C library (libc6:arm64), not /usr/aarch64-linux-gnu, where every
# forked child of a test hangs.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /)
