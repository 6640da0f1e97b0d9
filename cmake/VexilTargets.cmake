# How Vexil's targets are made: sources picked up per folder, moc only where a class needs it, and one
# precompiled header per target for the Qt and standard headers its sources share.

option(VEXIL_PCH "Precompile the Qt and standard headers of each library and test kind" OFF)

# ccache leaves every compile that uses a precompiled header uncached unless told that macros defined
# in the source and __TIME__ do not matter (our headers are precompiled from the command line's -include,
# whose macros ccache sees, and nothing uses __TIME__).
if(VEXIL_PCH AND CMAKE_CXX_COMPILER_LAUNCHER MATCHES "(^|/)ccache$")
  set(CMAKE_CXX_COMPILER_LAUNCHER env CCACHE_SLOPPINESS=pch_defines,time_macros ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

# Sources are picked up per folder so that adding a file needs no edit here.
function(vexil_sources out)
  set(files)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.h)
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# moc runs only for a target with a Q_OBJECT (or Q_GADGET, Q_NAMESPACE) in its files: elsewhere it
# would scan every header and compile an empty file for nothing.
function(vexil_automoc target)
  foreach(file IN LISTS ARGN)
    file(STRINGS ${file} found REGEX "^[ \t]*Q_(OBJECT|GADGET|NAMESPACE)([ \t]|$)" LIMIT_COUNT 1)
    if(found)
      set_target_properties(${target} PROPERTIES AUTOMOC ON)
      return()
    endif()
  endforeach()
endfunction()

# The Qt and standard headers (<QString>, <optional>; not <gif_lib.h> or the project's own) that at least
# two of the files include.
function(vexil_shared_system_headers out)
  set(all)
  foreach(file IN LISTS ARGN)
    file(STRINGS ${file} lines REGEX "^#include <(Q[A-Za-z0-9]*|[a-z_0-9]+)>")
    set(mine)
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^#include <([A-Za-z_0-9]+)>.*" "\\1" header "${line}")
      list(APPEND mine ${header})
    endforeach()
    list(REMOVE_DUPLICATES mine)
    list(APPEND all ${mine})
  endforeach()
  set(shared)
  set(seen)
  foreach(header IN LISTS all)
    if(header IN_LIST seen)
      if(NOT header IN_LIST shared)
        list(APPEND shared ${header})
      endif()
    else()
      list(APPEND seen ${header})
    endif()
  endforeach()
  list(SORT shared)
  list(TRANSFORM shared PREPEND "<")
  list(TRANSFORM shared APPEND ">")
  set(${out} ${shared} PARENT_SCOPE)
endfunction()

# vexil_precompile(<target> FILES <file>... [EXTRA <header>...] [AS_IN <target>...])
# Precompiles the headers the files share, EXTRA, and those precompiled for the AS_IN targets (the
# libraries whose headers the files include). Another target reuses the result with
# vexil_reuse_precompiled; only targets with the same compile definitions and options may.
function(vexil_precompile target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FILES;EXTRA;AS_IN")
  if(NOT VEXIL_PCH)
    return()
  endif()
  vexil_shared_system_headers(headers ${arg_FILES})
  # A library's headers include those of the layers below it (vexil_core and vexil_ui only gather).
  set(libraries)
  foreach(other IN LISTS arg_AS_IN)
    if(TARGET ${other})
      vexil_linked_libraries(below ${other})
      list(APPEND libraries ${other} ${below})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES libraries)
  foreach(other IN LISTS libraries)
    if(TARGET ${other})
      get_target_property(theirs ${other} PRECOMPILE_HEADERS)
      if(theirs)
        list(APPEND headers ${theirs})
      endif()
    endif()
  endforeach()
  list(APPEND headers ${arg_EXTRA})
  list(REMOVE_DUPLICATES headers)
  if(headers)
    target_precompile_headers(${target} PRIVATE ${headers})
    vexil_check_precompiled(${target})
  endif()
endfunction()

# The project's libraries a target links, and theirs, down to the bottom layer.
function(vexil_linked_libraries out target)
  set(found)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
  else()
    get_target_property(links ${target} LINK_LIBRARIES)
  endif()
  if(links)
    foreach(link IN LISTS links)
      if(TARGET ${link} AND link MATCHES "^vexil_")
        list(APPEND found ${link})
        vexil_linked_libraries(below ${link})
        list(APPEND found ${below})
      endif()
    endforeach()
  endif()
  list(REMOVE_DUPLICATES found)
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(vexil_reuse_precompiled target from)
  if(VEXIL_PCH)
    target_precompile_headers(${target} REUSE_FROM ${from})
    vexil_check_precompiled(${target})
  endif()
endfunction()

# GCC quietly parses the headers again when a precompiled one does not fit the compile: make that an
# error (clang refuses such a header itself).
function(vexil_check_precompiled target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Winvalid-pch)
  endif()
endfunction()

# vexil_library(<name> DIRS <folder>... [LINKS <target>...])
# One static library of every source under the folders, linked to LINKS: the layers below it and the
# Qt modules it uses, never a layer above.
function(vexil_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "DIRS;LINKS")
  vexil_sources(files ${arg_DIRS})
  add_library(${name} STATIC ${files})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${arg_LINKS})
  vexil_automoc(${name} ${files})
  vexil_precompile(${name} FILES ${files})
endfunction()
