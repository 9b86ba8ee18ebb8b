# Cross build for 64-bit Arm Linux with Debian's cross compiler; the
# programs run under qemu-user with the cross C library as its root (no
# binfmt registration needed). Used by scripts/cross-test.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(ZELTRIC_CROSS_ROOT /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH ${ZELTRIC_CROSS_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The guest's library path names the cross root first: with the arm64
# architecture added (for libssl-dev:arm64) the host also has an arm64 C
# library in /lib/aarch64-linux-gnu, of another build than the cross root's
# loader, and the two together hang in the first pthread_create.
set(CMAKE_CROSSCOMPILING_EMULATOR
    qemu-aarch64;-L;${ZELTRIC_CROSS_ROOT};-E;LD_LIBRARY_PATH=${ZELTRIC_CROSS_ROOT}/lib)
# Libraries built for the target (GoogleTest) are installed under this root.
if(DEFINED ENV{ZELTRIC_CROSS_PREFIX})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{ZELTRIC_CROSS_PREFIX})
endif()
