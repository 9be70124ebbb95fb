# Helpers that keep the layer and test targets uniform.

# Sources are UTF-8, and so are the program's texts: a narrow literal is the text it shows.
function(tarnvel_warnings target)
  target_compile_options(${target} PRIVATE -finput-charset=UTF-8
                         -Wall -Wextra -Wno-unused-parameter)
endfunction()

# Collects the sources of one folder; *_win.cpp and *_win_test.cpp only where Windows is the
# target.
function(tarnvel_sources out dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "/main_win\\.cpp$")
  if(NOT WIN32)
    list(FILTER srcs EXCLUDE REGEX "_win(_test)?\\.cpp$")
  endif()
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# tarnvel_layer(name dep...) makes the static library tarnvel_<name> from folder <name>/.
function(tarnvel_layer name)
  tarnvel_sources(srcs ${name})
  if(srcs)
    add_library(tarnvel_${name} STATIC ${srcs})
    target_include_directories(tarnvel_${name} PUBLIC ${CMAKE_SOURCE_DIR})
    tarnvel_warnings(tarnvel_${name})
    set(scope PUBLIC)
  else()
    add_library(tarnvel_${name} INTERFACE)
    target_include_directories(tarnvel_${name} INTERFACE ${CMAKE_SOURCE_DIR})
    set(scope INTERFACE)
  endif()
  foreach(dep IN LISTS ARGN)
    target_link_libraries(tarnvel_${name} ${scope} tarnvel_${dep})
  endforeach()
endfunction()

# tarnvel_test(name DIRS dir... LIBS lib... [TIMEOUT seconds]) makes one test executable from the
# given test folders and registers it as one test: one process (one Wine start) per executable.
# TIMEOUT ends a run that hangs. Under Wine it defaults to 90 s: each executable takes 2 to 6 s
# (plus about 10 s when its run creates the prefix), so that leaves room for a loaded machine.
# Native runs keep the preset's limit.
function(tarnvel_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "DIRS;LIBS;DEPENDS;LABELS" ${ARGN})
  set(all)
  foreach(dir IN LISTS T_DIRS)
    tarnvel_sources(srcs ${dir})
    list(APPEND all ${srcs})
  endforeach()
  if(NOT all)
    return()
  endif()
  add_executable(${name} ${all})
  target_link_libraries(${name} PRIVATE tarnvel_test_support ${T_LIBS} GTest::gmock)
  tarnvel_warnings(${name})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  # The end of a run removes its test folders (and under Wine ends its programs and display).
  set_property(TEST ${name} APPEND PROPERTY FIXTURES_REQUIRED test_folders)
  if(NOT WIN32)
    # Native test folders live in this build folder, so two checkouts never share them.
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "TARNVEL_TEST_SCRATCH=${CMAKE_BINARY_DIR}/test-scratch")
  endif()
  if(NOT T_TIMEOUT AND WIN32)
    set(T_TIMEOUT 90)
  endif()
  if(T_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
