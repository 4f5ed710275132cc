# Warnings are errors in our own code only when asked (CI asks): a newer
# compiler's new warning must never break a user's build. GCC 12 reports
# -Wrestrict inside std::basic_string at -O3 where there is no overlap (a known
# false positive), so that one stays a warning.
option(VOCALITH_WERROR "Treat warnings in Vocalith's own code as errors" OFF)
function(vocalith_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
    -Wno-missing-field-initializers
    $<$<BOOL:${VOCALITH_WERROR}>:-Werror>
    $<$<AND:$<BOOL:${VOCALITH_WERROR}>,$<CXX_COMPILER_ID:GNU>>:-Wno-error=restrict>)
endfunction()

# vocalith_library(name [SOURCES ...] [LIBS ...]): a static library of one
# folder; without sources, an interface target (headers and what they need).
function(vocalith_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  vocalith_warnings(${name})
endfunction()

# vocalith_test(name SOURCES ... [LIBS ...] [LABELS ...]): one GoogleTest
# executable with the shared test helpers, run by CTest as one test. Label "threading" puts it in the
# ThreadSanitizer run as well; "ui" ones run on Qt's offscreen platform.
function(vocalith_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vl_test_support
    GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  vocalith_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    LABELS "${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VOCALITH_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;ALSA_CONFIG_PATH=${PROJECT_SOURCE_DIR}/tests/data/alsa-file.conf")
endfunction()

# flite ships no pkg-config file: Flite::Flite, or a configure error that
# names the package to install.
function(vocalith_find_flite)
  find_path(FLITE_INCLUDE_DIR flite/flite.h)
  find_library(FLITE_LIBRARY flite)
  if(NOT FLITE_INCLUDE_DIR OR NOT FLITE_LIBRARY)
    message(FATAL_ERROR "flite not found: install flite1-dev")
  endif()
  add_library(Flite::Flite UNKNOWN IMPORTED GLOBAL)
  set_target_properties(Flite::Flite PROPERTIES IMPORTED_LOCATION ${FLITE_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${FLITE_INCLUDE_DIR})
endfunction()
