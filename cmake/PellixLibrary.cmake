# pellix_add_library(<target> [BASE <dir>] HEADERS <h>... SOURCES <cpp>...
#                    [PUBLIC <dependency>...] [PRIVATE <dependency>...])
#
# A static library that exports only its own headers. Its headers are linked, at their include
# path relative to BASE (default: src/), into a folder of the build tree that belongs to this
# library alone, ${CMAKE_BINARY_DIR}/include/<target>/, and that folder is the library's public
# include directory. A source therefore finds a header only when it links the library that
# holds it: reaching into a layer it does not link fails to compile.
function(pellix_add_library target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "BASE" "HEADERS;SOURCES;PUBLIC;PRIVATE")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "pellix_add_library(${target}): unexpected ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_BASE)
    set(arg_BASE ${PROJECT_SOURCE_DIR}/src)
  endif()
  get_filename_component(base ${arg_BASE} ABSOLUTE)
  add_library(${target} STATIC ${arg_HEADERS} ${arg_SOURCES})

  set(include_dir ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${include_dir})
  foreach(header IN LISTS arg_HEADERS)
    get_filename_component(path ${header} ABSOLUTE)
    file(RELATIVE_PATH relative ${base} ${path})
    if(relative MATCHES "^\\.\\./")
      message(FATAL_ERROR "pellix_add_library(${target}): ${header} lies outside ${base}")
    endif()
    get_filename_component(folder ${include_dir}/${relative} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${path} ${include_dir}/${relative} SYMBOLIC)
  endforeach()
  file(MAKE_DIRECTORY ${include_dir})
  target_include_directories(${target} PUBLIC ${include_dir})
  target_link_libraries(${target} PUBLIC ${arg_PUBLIC} PRIVATE ${arg_PRIVATE})
endfunction()
