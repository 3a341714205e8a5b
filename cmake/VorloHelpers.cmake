# Shared build conventions: warnings, one library per source folder,
# one QtTest executable per test source. Sanitizers are set for every target in the top CMakeLists.txt.

function(vorlo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Wcast-align -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
  if(VORLO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# vorlo_library(<name> DIR <folder> LIBS <link libs...>)
# Collects every .cpp/.h/.ui/.qrc directly in DIR, so adding a file needs no CMake edit.
function(vorlo_library name)
  cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${ARG_DIR}/*.cpp ${ARG_DIR}/*.h ${ARG_DIR}/*.ui ${ARG_DIR}/*.qrc)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  set_target_properties(${name} PROPERTIES AUTOUIC_SEARCH_PATHS ${ARG_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  vorlo_warnings(${name})
endfunction()

# vorlo_test(<source.cpp> LIBS <libs...> [ENV <VAR=value...>] [LABELS <labels>] [FIXTURES <names>])
# One executable per test file; runs offscreen unless ENV overrides QT_QPA_PLATFORM.
function(vorlo_test source)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LIBS;ENV;LABELS;FIXTURES;EXTRA" ${ARGN})
  get_filename_component(name ${source} NAME_WE)
  if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${source})
    # Lets a work tree configure while a test is still being written; CI builds with
    # warnings as errors, where a missing test file stops the build.
    if(VORLO_WERROR)
      message(FATAL_ERROR "missing test source ${CMAKE_CURRENT_SOURCE_DIR}/${source}")
    endif()
    message(WARNING "skipping ${name}: ${source} does not exist yet")
    return()
  endif()
  add_executable(${name} ${source} ${ARG_EXTRA})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  vorlo_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VORLO_SOURCE_DIR=${CMAKE_SOURCE_DIR};VORLO_BINARY_DIR=${CMAKE_BINARY_DIR};${ARG_ENV}")
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  if(ARG_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${ARG_FIXTURES}")
  endif()
endfunction()
