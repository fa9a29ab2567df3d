# Cross build for 32-bit x86 Linux with Debian's cross compiler
# (g++-i686-linux-gnu), which brings its own C library. The top CMakeLists.txt
# adds -msse2 -mfpmath=sse, since x87 arithmetic would change the results. The
# program is linked statically, so qemu-i386 needs no libraries of the target.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
