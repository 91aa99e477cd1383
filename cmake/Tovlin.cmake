# Shared helpers for the targets of every folder.

set(TOVLIN_INCLUDE_DIRS
    ${PROJECT_SOURCE_DIR}/Sources
    ${PROJECT_SOURCE_DIR}/Sources/Pellimor)

# An engine library: plain C++ over Qt Core. It must never link Qt Gui or Widgets.
#   tovlin_engine_library(name SOURCES a.cpp b.cpp DEPS other_lib ...)
function(tovlin_engine_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${TOVLIN_INCLUDE_DIRS})
  target_link_libraries(${name} PUBLIC Qt6::Core Threads::Threads ${ARG_DEPS})
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
  set_property(TARGET ${name} PROPERTY TOVLIN_ENGINE ON)
endfunction()

# A widget library: views of one subsystem.
function(tovlin_widget_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${TOVLIN_INCLUDE_DIRS})
  target_link_libraries(${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets Threads::Threads ${ARG_DEPS})
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
endfunction()

set(TOVLIN_TEST_ENV
    "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0:strict_string_checks=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "QT_QPA_PLATFORM=offscreen"
    "QT_LOGGING_RULES=*.debug=false")

# A GoogleTest binary; every test in it becomes one ctest entry.
#   tovlin_gtest(name SOURCES a_test.cpp LIBS lib ... [GUI])
# The shared test main gives each process temporary HOME, XDG folders, data folder
# and volumes root, so no test touches the real home.
function(tovlin_gtest name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE tovlin_testmain_gui)
  else()
    target_link_libraries(${name} PRIVATE tovlin_testmain_core)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${TOVLIN_TEST_ENV}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
