# What `cmake --install` lays out. The program takes its reader library from its own folder or
# from ../lib/zeld/ relative to it (reader/library_location.cpp), so these two folders are fixed
# here rather than taken from GNUInstallDirs, whose library folder varies by distribution.
if(WIN32)
  # Everything in one folder: MF1.dll, the export's zeld-xlsx.dll and libpq.dll beside zeld.exe.
  set(zeld_install_targets mf1-field MF1)
  if(ZELD_BUILD_UI)
    list(APPEND zeld_install_targets zeld zeld-xlsx)
  endif()
  install(TARGETS ${zeld_install_targets} RUNTIME DESTINATION bin LIBRARY DESTINATION bin)
  # PostgreSQL's client library, loaded from zeld.exe's folder (cmake/Libpq.cmake).
  if(ZELD_LIBPQ_DLL)
    install(FILES "${ZELD_LIBPQ_DLL}" DESTINATION bin)
  endif()
  return()
endif()

install(TARGETS mf1-field RUNTIME DESTINATION bin)
# The emulated reader; to use a real reader, put the vendor's library in its place.
install(TARGETS MF1 LIBRARY DESTINATION lib/zeld)

if(ZELD_BUILD_UI)
  install(TARGETS zeld RUNTIME DESTINATION bin)
  # The export's module, loaded from ../lib/zeld/ on the first export (exports/row_export.cpp).
  install(TARGETS zeld-xlsx LIBRARY DESTINATION lib/zeld)
  install(FILES ${PROJECT_SOURCE_DIR}/desktop/zeld.desktop DESTINATION share/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/desktop/zeld.svg
          DESTINATION share/icons/hicolor/scalable/apps)
  foreach(size 48 256)
    install(FILES ${PROJECT_SOURCE_DIR}/desktop/zeld-${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME zeld.png)
  endforeach()
endif()
