# Declaring screen plug-ins, the family libraries they share and their tests.
#
#   larkspin_screen_family(<family> [SOURCES ...] [FAMILIES ...] [LIBS ...])
#       The code a family of screens shares, in the folder that calls it (its headers are found from
#       there). Built once as the static library <family>_family (or an interface library when it has
#       no sources) and linked into each plug-in of the family.
#
#   larkspin_screen(<NAME> SOURCES ... [FAMILY <family>] [LIBS ...] [NO_STAGE]
#                   [TESTS <sources>] [TEST_TARGET <name>] [TEST_PLUGINS <NAME> ...]
#                   [TEST_LIBS ...] [TEST_DEFINITIONS ...])
#       The plug-in <NAME> (staged as "<NAME>.dll"), linked with the screen skeleton, its family and
#       LIBS. TESTS builds the test program (default <name>_tests) with the plug-in test library; it
#       is given <NAME>_PLUGIN="<built file>" for the plug-in and each of TEST_PLUGINS, and
#       SCREEN_PLUGINS, the list of them all, which the test library places on the device.
#
# A family, library or plug-in named here that the tree does not build stops the configure with the
# name of what is missing, once every folder has been read (the simulated server comes after the
# screens).

# The libraries every screen test program links: the hosting and checking helpers, the receive
# thread and the simulated server.
set(LARKSPIN_SCREEN_TEST_LIBS screen_testing vx_skeleton larkspin_recv larkspin_simserver_lib VXBase Flitway
    Glimmet_DLL_arm)

function(larkspin_require_targets who)
  foreach(dep IN LISTS ARGN)
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "${who} needs ${dep}, which this tree does not build")
    endif()
  endforeach()
endfunction()

# Checks the targets once the whole tree has been read.
function(_larkspin_require_later who)
  if(ARGN)
    # A deferred call reads its arguments when it runs: write the names into the call now.
    string(REPLACE ";" " " deps "${ARGN}")
    cmake_language(EVAL CODE
      "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL larkspin_require_targets [[${who}]] ${deps})")
  endif()
endfunction()

function(larkspin_screen_family family)
  cmake_parse_arguments(F "" "" "SOURCES;FAMILIES;LIBS" ${ARGN})
  set(target ${family}_family)
  set(uses vx_skeleton ${F_LIBS})
  foreach(other IN LISTS F_FAMILIES)
    list(APPEND uses ${other}_family)
  endforeach()
  if(F_SOURCES)
    add_library(${target} STATIC ${F_SOURCES})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${uses})
    set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${uses})
  endif()
  # The family's test helpers (testing/) are found by the tests of its screens.
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/testing)
    set_property(TARGET ${target} PROPERTY LARKSPIN_TESTING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/testing)
  endif()
  _larkspin_require_later("Screen family ${family}" ${uses})
endfunction()

function(larkspin_screen name)
  cmake_parse_arguments(S "NO_STAGE" "FAMILY;TEST_TARGET"
                        "SOURCES;LIBS;TESTS;TEST_PLUGINS;TEST_LIBS;TEST_DEFINITIONS" ${ARGN})
  if(NOT S_SOURCES)
    message(FATAL_ERROR "Screen ${name}: no SOURCES")
  endif()
  set(libs vx_skeleton ${S_LIBS})
  if(S_FAMILY)
    list(APPEND libs ${S_FAMILY}_family)
  endif()
  add_library(${name} MODULE ${S_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${libs})
  set_target_properties(${name} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${name} PRIVATE -Wl,-Bsymbolic)
  if(NOT S_NO_STAGE)
    larkspin_module(${name} ${name}.dll)
  endif()
  _larkspin_require_later("Screen ${name}" ${libs})

  if(NOT S_TESTS)
    return()
  endif()
  if(S_TEST_TARGET)
    set(test ${S_TEST_TARGET})
  else()
    string(TOLOWER "${name}_tests" test)
  endif()
  set(test_libs ${LARKSPIN_SCREEN_TEST_LIBS} ${S_TEST_LIBS})
  if(S_FAMILY)
    list(APPEND test_libs ${S_FAMILY}_family)
  endif()
  larkspin_add_tests(${test} SOURCES ${S_TESTS} LIBS ${test_libs})
  target_include_directories(${test} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  set(hosted ${name} ${S_TEST_PLUGINS})
  add_dependencies(${test} ${hosted})
  set(files "")
  foreach(plugin IN LISTS hosted)
    target_compile_definitions(${test} PRIVATE ${plugin}_PLUGIN="$<TARGET_FILE:${plugin}>")
    list(APPEND files "\"$<TARGET_FILE:${plugin}>\"")
  endforeach()
  # Every hosted plug-in, for the test library to place on the device.
  list(JOIN files "," files)
  target_compile_definitions(${test} PRIVATE "SCREEN_PLUGINS=${files}")
  if(S_TEST_DEFINITIONS)
    target_compile_definitions(${test} PRIVATE ${S_TEST_DEFINITIONS})
  endif()
  _larkspin_require_later("Tests of ${name}" ${test_libs} ${S_TEST_PLUGINS})
endfunction()
