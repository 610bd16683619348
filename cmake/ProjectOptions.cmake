# Warning and sanitizer flags shared by every project target, through one interface target.
add_library(zeld_options INTERFACE)

if(MSVC)
  target_compile_options(zeld_options INTERFACE /W4 /permissive- /utf-8)
  if(ZELD_WARNINGS_AS_ERRORS)
    target_compile_options(zeld_options INTERFACE /WX)
  endif()
else()
  target_compile_options(zeld_options INTERFACE -Wall -Wextra -Wpedantic -Wconversion -Wshadow)
  if(MINGW AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 warns falsely of overlapping copies in std::string's operator+ once inlined at -O3
    # (GCC bug 105329), which the optimised 32-bit Windows build trips over.
    target_compile_options(zeld_options INTERFACE -Wno-restrict)
  endif()
  if(ZELD_WARNINGS_AS_ERRORS)
    target_compile_options(zeld_options INTERFACE -Werror)
  endif()
endif()

if(ZELD_SANITIZE)
  if(MSVC)
    message(FATAL_ERROR "ZELD_SANITIZE is for GCC and Clang")
  endif()
  set(zeld_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(zeld_options INTERFACE ${zeld_sanitizers})
  target_link_options(zeld_options INTERFACE ${zeld_sanitizers})
endif()

# Coverage for libFuzzer in every project target, and the same sanitizers as ZELD_SANITIZE; the
# fuzz targets themselves link libFuzzer (fuzz/CMakeLists.txt).
if(ZELD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZELD_FUZZ needs clang (the fuzz preset chooses it)")
  endif()
  set(zeld_fuzzing -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                   -fno-omit-frame-pointer)
  target_compile_options(zeld_options INTERFACE ${zeld_fuzzing})
  target_link_options(zeld_options INTERFACE ${zeld_fuzzing})
endif()
