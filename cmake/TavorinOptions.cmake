# Compiler flags shared by every target of the project.

if(TAVORIN_SANITIZE)
  add_compile_options(-fsanitize=${TAVORIN_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${TAVORIN_SANITIZE})
  add_compile_definitions(TAVORIN_SANITIZED)
endif()

# In the fuzz build every component is instrumented for coverage, so the
# fuzzers see the parsers they drive.
if(TAVORIN_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(tavorin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TAVORIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# tavorin_component(NAME [SOURCES file...] [EXCLUDE file...] [DEPENDS component-or-library...])
# Builds the .cpp files of the current folder (or just SOURCES, less EXCLUDE)
# as the static library tavorin_NAME (position-independent). libtavorin is
# made of every component's objects; tests, tools and fuzzers link just the
# components they exercise (dependencies follow), so one folder's work in
# progress never breaks another folder's tests.
function(tavorin_component name)
  cmake_parse_arguments(arg "" "" "SOURCES;EXCLUDE;DEPENDS" ${ARGN})
  if(arg_SOURCES)
    set(sources ${arg_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  foreach(excluded IN LISTS arg_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(tavorin_${name} STATIC ${sources})
  target_link_libraries(tavorin_${name} PUBLIC tavorin_headers ${arg_DEPENDS})
  target_include_directories(tavorin_${name} PRIVATE ${PROJECT_SOURCE_DIR})
  tavorin_warnings(tavorin_${name})
  set_property(GLOBAL APPEND PROPERTY TAVORIN_COMPONENTS tavorin_${name})
endfunction()

# Adds every subfolder of the current folder that has a CMakeLists.txt, so a
# new folder of tests, benchmarks, fuzzers or tools needs no edit here.
function(tavorin_add_subdirectories)
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir IN LISTS entries)
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
