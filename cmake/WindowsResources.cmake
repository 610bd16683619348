# Windows resources: a version resource (product, description in Chinese and English, the
# project's version) and the program's icon, compiled by the resource compiler (windres).
enable_language(RC)

# The icon as Windows wants it, from the PNGs the desktop entry uses, plus a 16-pixel one for
# Explorer's small views.
find_program(ZELD_CONVERT NAMES convert magick REQUIRED)
set(ZELD_WINDOWS_ICON ${CMAKE_BINARY_DIR}/generated/zeld.ico)
set(zeld_icon_sources ${PROJECT_SOURCE_DIR}/desktop/zeld-32.png
    ${PROJECT_SOURCE_DIR}/desktop/zeld-48.png ${PROJECT_SOURCE_DIR}/desktop/zeld-256.png)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${zeld_icon_sources})
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/generated)
execute_process(
  COMMAND ${ZELD_CONVERT} ${PROJECT_SOURCE_DIR}/desktop/zeld-32.png -resize 16x16
          ${zeld_icon_sources} ${ZELD_WINDOWS_ICON}
  RESULT_VARIABLE zeld_icon_result ERROR_VARIABLE zeld_icon_error)
if(NOT zeld_icon_result EQUAL 0)
  message(FATAL_ERROR "making ${ZELD_WINDOWS_ICON} failed: ${zeld_icon_error}")
endif()

# zeld_windows_resources(target DESCRIPTION_ZH text DESCRIPTION_EN text)
function(zeld_windows_resources target)
  cmake_parse_arguments(ARG "" "DESCRIPTION_ZH;DESCRIPTION_EN" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(zeld_rc_file_type VFT_DLL)
    set(suffix .dll)
  else()
    set(zeld_rc_file_type VFT_APP)
    set(suffix .exe)
  endif()
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  set(zeld_rc_internal_name ${output_name})
  set(zeld_rc_file_name ${output_name}${suffix})
  set(version ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR})
  foreach(part PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
      list(APPEND version 0)
    else()
      list(APPEND version ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  list(JOIN version "," zeld_rc_version_commas)
  file(TO_CMAKE_PATH "${ZELD_WINDOWS_ICON}" icon)
  set(zeld_rc_icon "IDI_ICON1 ICON \"${icon}\"")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows_version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${ZELD_WINDOWS_ICON})
endfunction()
