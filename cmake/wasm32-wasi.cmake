# WebAssembly (wasm32-wasi) with Debian's clang 14, wasi-libc and its wasm32 libc++ 14. The
# libc++-N-dev-wasm32 packages of different N replace each other's links in the wasi sysroot,
# so the C++ headers and libraries are named by their versioned paths.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR})  # Platform/WASI.cmake
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(TESSALY_WASM_LIBCXX /usr/lib/llvm-14 CACHE PATH "Where libc++ for wasm32-wasi is installed")
set(CMAKE_CXX_FLAGS_INIT
    "-Wno-unused-command-line-argument -nostdinc++ -isystem ${TESSALY_WASM_LIBCXX}/include/wasm32-wasi/c++/v1")
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-nostdlib++ ${TESSALY_WASM_LIBCXX}/lib/wasm32-wasi/libc++.a ${TESSALY_WASM_LIBCXX}/lib/wasm32-wasi/libc++abi.a")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
