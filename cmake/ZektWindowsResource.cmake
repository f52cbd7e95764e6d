# zekt_windows_resource(<target> <description>): a version resource from the
# project's version, the icon and the manifest (UTF-8 code page, per-monitor DPI,
# common controls 6) for one Windows program.
function(zekt_windows_resource target description)
  if(NOT WIN32)
    return()
  endif()
  set(ZEKT_PROGRAM ${target})
  set(ZEKT_DESCRIPTION ${description})
  set(ZEKT_MANIFEST ${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest)
  set(ZEKT_ICON ${PROJECT_SOURCE_DIR}/packaging/windows/zekt-programmer.ico)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${ZEKT_MANIFEST} ${ZEKT_ICON})
endfunction()
