# libpq, PostgreSQL's client library, which stations sharing a batch load at run time. For 32-bit
# Windows the libpq.dll that scripts/build-libpq-win32.sh prints the folder of, named in
# ZELD_LIBPQ_WIN32 (variable or environment): copied beside the programs built here, as the
# portable folder and the installer have it beside zeld.exe (cmake/Install.cmake). Its headers as
# the interface target zeld_libpq_headers, for the types of the functions looked up in it.
if(TARGET zeld_libpq_headers OR NOT MINGW)
  return()
endif()
if(NOT ZELD_LIBPQ_WIN32)
  set(ZELD_LIBPQ_WIN32 "$ENV{ZELD_LIBPQ_WIN32}")
endif()
find_path(ZELD_LIBPQ_INCLUDE libpq-fe.h
          PATHS "${ZELD_LIBPQ_WIN32}/include" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_file(ZELD_LIBPQ_DLL libpq.dll
          PATHS "${ZELD_LIBPQ_WIN32}/bin" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZELD_LIBPQ_INCLUDE OR NOT ZELD_LIBPQ_DLL)
  message(FATAL_ERROR "libpq for Windows not found in '${ZELD_LIBPQ_WIN32}': "
                      "set ZELD_LIBPQ_WIN32 to what scripts/build-libpq-win32.sh prints")
endif()
add_library(zeld_libpq_headers INTERFACE)
target_include_directories(zeld_libpq_headers SYSTEM INTERFACE ${ZELD_LIBPQ_INCLUDE})
# Loaded from the program's own folder only, so it lies there in the build as well.
file(COPY "${ZELD_LIBPQ_DLL}" DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
