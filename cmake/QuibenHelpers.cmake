# quiben_add_library(NAME SOURCES ... [LINKS PUBLIC ... PRIVATE ...]): a static
# library of the given sources (relative to the calling folder). PUBLIC: what
# its headers show to their users; PRIVATE: what only its sources use.
function(quiben_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  if(ARG_LINKS)
    target_link_libraries(${name} ${ARG_LINKS})
  endif()
endfunction()

# quiben_add_module(NAME SOURCES ... LINKS ...): libquiben-NAME.so, a part of
# the program loaded on first use (platform/LoadableModule.h). Built beside the
# programs and installed into QUIBEN_MODULE_INSTALL_DIR. The static libraries
# it links must be position independent; their symbols stay inside the module,
# which exports its entry function alone.
function(quiben_add_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(quiben-${name} MODULE ${ARG_SOURCES})
  target_link_libraries(quiben-${name} PRIVATE ${ARG_LINKS})
  set_target_properties(quiben-${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(quiben-${name} PRIVATE -Wl,--exclude-libs,ALL)
  # The module carries its own C++ runtime, as `quiben` does, so loading it
  # costs no further library. A sanitizer build leaves the runtime shared:
  # memory allocated on one side and freed on the other must go through the
  # sanitizer's one allocator, which lives in the program.
  if(NOT QUIBEN_SANITIZE AND NOT QUIBEN_FUZZ)
    target_link_options(quiben-${name} PRIVATE -static-libstdc++ -static-libgcc -Wl,--no-undefined)
  endif()
  install(TARGETS quiben-${name} LIBRARY DESTINATION ${QUIBEN_MODULE_INSTALL_DIR})
endfunction()

# quiben_add_test(NAME [WHOLE] SOURCES ... LINKS ...): a GoogleTest program
# with the shared headless main; its tests are listed when ctest runs, not at
# build time, so building needs neither a display nor the test servers.
# WHOLE: one ctest test runs the whole program, so its tests share what
# their suite sets up once.
function(quiben_add_test name)
  cmake_parse_arguments(ARG "WHOLE" "" "SOURCES;LINKS" ${ARGN})
  if(NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/common/test_main.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} quiben_testsupport GTest::gtest Qt6::Test)
  target_compile_definitions(${name} PRIVATE QTEST_QPA_MOUSE_HANDLING
                             QUIBEN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             QUIBEN_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(ARG_WHOLE)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 600)
  endif()
endfunction()
