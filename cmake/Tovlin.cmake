# Shared helpers for the targets of every folder.

if(TOVLIN_SHARED_LIBS)
  set(TOVLIN_LIBRARY_KIND SHARED)
else()
  set(TOVLIN_LIBRARY_KIND STATIC)
endif()

set(TOVLIN_INCLUDE_DIRS
    ${PROJECT_SOURCE_DIR}/Sources
    ${PROJECT_SOURCE_DIR}/Sources/Pellimor)

# An engine library: plain C++ over Qt Core. It must never link Qt Gui or Widgets.
#   tovlin_engine_library(name SOURCES a.cpp b.cpp DEPS other_lib ...)
function(tovlin_engine_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} ${TOVLIN_LIBRARY_KIND} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${TOVLIN_INCLUDE_DIRS})
  target_link_libraries(${name} PUBLIC Qt6::Core Threads::Threads ${ARG_DEPS})
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
  set_property(TARGET ${name} PROPERTY TOVLIN_ENGINE ON)
  set_property(GLOBAL APPEND PROPERTY TOVLIN_ENGINE_TARGETS ${name})
endfunction()

# Every link dependency of a target, followed through our own targets, into `out`.
function(_tovlin_link_closure target out)
  set(seen ${${out}})
  get_target_property(libs ${target} LINK_LIBRARIES)
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  foreach(lib IN LISTS libs interface)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
    if(NOT lib OR lib MATCHES "-NOTFOUND$" OR lib IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${lib})
    if(TARGET ${lib} AND NOT lib MATCHES "^Qt6::")
      _tovlin_link_closure(${lib} seen)
    endif()
  endforeach()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# Stops the configuration when an engine library (marked by tovlin_engine_library) links Qt Gui
# or Qt Widgets, directly or through another of our libraries. Called once every target exists.
function(tovlin_check_engines)
  get_property(engines GLOBAL PROPERTY TOVLIN_ENGINE_TARGETS)
  foreach(engine IN LISTS engines)
    set(closure "")
    _tovlin_link_closure(${engine} closure)
    foreach(forbidden Qt6::Gui Qt6::Widgets Qt::Gui Qt::Widgets)
      if(forbidden IN_LIST closure)
        message(FATAL_ERROR "The engine library ${engine} links ${forbidden}; engines link Qt Core only.")
      endif()
    endforeach()
  endforeach()
endfunction()

# A widget library: views of one subsystem.
function(tovlin_widget_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} ${TOVLIN_LIBRARY_KIND} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${TOVLIN_INCLUDE_DIRS})
  target_link_libraries(${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets Threads::Threads ${ARG_DEPS})
  target_compile_definitions(${name} PUBLIC QT_NO_KEYWORDS)
endfunction()

set(TOVLIN_TEST_ENV
    "ASAN_OPTIONS=detect_leaks=0:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
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
