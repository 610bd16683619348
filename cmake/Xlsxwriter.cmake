# libxlsxwriter as the interface target zeld_xlsxwriter. On Linux Debian's libxlsxwriter-dev
# (pkg-config xlsxwriter); for 32-bit Windows the static build that
# scripts/build-xlsxwriter-win32.sh prints, named in ZELD_XLSXWRITER_WIN32 (variable or
# environment), with the zlib built beside it.
if(TARGET zeld_xlsxwriter)
  return()
endif()
add_library(zeld_xlsxwriter INTERFACE)
if(MINGW)
  if(NOT ZELD_XLSXWRITER_WIN32)
    set(ZELD_XLSXWRITER_WIN32 "$ENV{ZELD_XLSXWRITER_WIN32}")
  endif()
  find_path(ZELD_XLSXWRITER_INCLUDE xlsxwriter.h
            PATHS "${ZELD_XLSXWRITER_WIN32}/include" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_library(ZELD_XLSXWRITER_LIBRARY NAMES libxlsxwriter.a xlsxwriter
               PATHS "${ZELD_XLSXWRITER_WIN32}/lib" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_library(ZELD_XLSXWRITER_ZLIB NAMES libz.a z zlibstatic
               PATHS "${ZELD_XLSXWRITER_WIN32}/lib" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ZELD_XLSXWRITER_INCLUDE OR NOT ZELD_XLSXWRITER_LIBRARY OR NOT ZELD_XLSXWRITER_ZLIB)
    message(FATAL_ERROR "libxlsxwriter for Windows not found in '${ZELD_XLSXWRITER_WIN32}': "
                        "set ZELD_XLSXWRITER_WIN32 to what scripts/build-xlsxwriter-win32.sh prints")
  endif()
  target_include_directories(zeld_xlsxwriter SYSTEM INTERFACE ${ZELD_XLSXWRITER_INCLUDE})
  target_link_libraries(zeld_xlsxwriter INTERFACE ${ZELD_XLSXWRITER_LIBRARY} ${ZELD_XLSXWRITER_ZLIB})
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(ZELD_XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
  target_link_libraries(zeld_xlsxwriter INTERFACE PkgConfig::ZELD_XLSXWRITER)
endif()
