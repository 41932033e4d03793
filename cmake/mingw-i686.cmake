# Cross-compiles the x86 exe with MinGW-w64; the image asks for Windows 2000 (5.0).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)

set(FIX_TRANSFORMS_ARCH x86)
set(FIX_TRANSFORMS_ENTRY _EntryPoint)
set(FIX_TRANSFORMS_OS_MINOR 0)  # the image asks for Windows 5.0
# Windows 2000 runs on a Pentium: no CMOV, no SSE (the compiler's default is the Pentium Pro).
set(FIX_TRANSFORMS_ARCH_COMPILE_OPTIONS -march=pentium -mtune=generic)
# The program installs no structured exception handler.
set(FIX_TRANSFORMS_ARCH_LINK_OPTIONS -Wl,--no-seh)
