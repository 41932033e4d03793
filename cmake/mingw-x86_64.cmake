# Cross-compiles the x64 exe with MinGW-w64; the image asks for Windows XP x64 / Server 2003 (5.2).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)

set(FIX_TRANSFORMS_ARCH x64)
set(FIX_TRANSFORMS_ENTRY EntryPoint)
set(FIX_TRANSFORMS_OS_MINOR 2)  # the image asks for Windows 5.2
set(FIX_TRANSFORMS_ARCH_LINK_OPTIONS -Wl,--high-entropy-va)
