# Helpers shared by every folder's build file.

# larkspin_module(<target> <handheld file name> ...) records that the built file of <target> is
# staged into the device's program folder under its handheld name (VXMain.exe, ZR4310.dll, ...).
set_property(GLOBAL PROPERTY LARKSPIN_STAGED_MODULES "")
set_property(GLOBAL PROPERTY LARKSPIN_STAGED_FILES "")
function(larkspin_module target handheld_name)
  set_property(GLOBAL APPEND PROPERTY LARKSPIN_STAGED_MODULES "${target}|${handheld_name}")
endfunction()

# larkspin_device_file(<source file> <device path relative to the device root>) stages a data file.
function(larkspin_device_file source device_path)
  set_property(GLOBAL APPEND PROPERTY LARKSPIN_STAGED_FILES "${source}|${device_path}")
endfunction()

# larkspin_add_tests(<target> SOURCES ... LIBS ...) builds a GoogleTest program and registers its cases,
# labelled with the top folder they belong to (platform, shell, login, screens, ...) so that a run
# can pick a part of the tree (ctest -L).
function(larkspin_add_tests target)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${T_SOURCES})
  target_link_libraries(${target} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock pthread)
  file(RELATIVE_PATH rel "${CMAKE_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  string(REGEX REPLACE "/.*" "" area "${rel}")
  gtest_discover_tests(${target} NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS "${area}")
endfunction()

# Lays out build/device: the handheld's file system with every built program and library under
# its handheld name in "\Program Files\Quorvan\Bin", plus the data files registered so far.
function(larkspin_stage_device)
  get_property(mods GLOBAL PROPERTY LARKSPIN_STAGED_MODULES)
  get_property(files GLOBAL PROPERTY LARKSPIN_STAGED_FILES)
  set(cmds COMMAND ${CMAKE_COMMAND} -E make_directory "${LARKSPIN_PROGRAM_DIR}"
           COMMAND ${CMAKE_COMMAND} -E make_directory "${LARKSPIN_DEVICE_DIR}/Temp")
  set(deps "")
  foreach(entry IN LISTS mods)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 tgt)
    list(GET parts 1 name)
    list(APPEND cmds COMMAND ${CMAKE_COMMAND} -E copy_if_different "$<TARGET_FILE:${tgt}>" "${LARKSPIN_PROGRAM_DIR}/${name}")
    list(APPEND deps ${tgt})
  endforeach()
  foreach(entry IN LISTS files)
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 src)
    list(GET parts 1 dst)
    get_filename_component(dstdir "${LARKSPIN_DEVICE_DIR}/${dst}" DIRECTORY)
    list(APPEND cmds COMMAND ${CMAKE_COMMAND} -E make_directory "${dstdir}"
                     COMMAND ${CMAKE_COMMAND} -E copy_if_different "${src}" "${LARKSPIN_DEVICE_DIR}/${dst}")
  endforeach()
  add_custom_target(stage ALL ${cmds} COMMENT "Staging the device root in ${LARKSPIN_DEVICE_DIR}" VERBATIM)
  if(deps)
    add_dependencies(stage ${deps})
  endif()
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/LarkspinScreen.cmake)
