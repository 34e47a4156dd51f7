# Links a program so that --gc-sections drops the functions it never calls, unwind tables
# included. Used as the C++ linker launcher of the size-optimised Windows builds:
#
#   cmake -P LeanLink.cmake -- <compiler> <link arguments...>
#
# MinGW's default linker script keeps every .eh_frame input section (KEEP(*(.eh_frame*))).
# Each inline or template function's unwind table is a section of its own, .eh_frame$<name>,
# that refers to the function's .text$<name>: so every such function of every object linked
# in stays, called or not; the library's explicit instantiations (all of std::string, the
# old one too) come whole. This links with a script that keeps those per-function tables
# only for the functions that are kept, and again with the tables of what that kept in
# turn, until a link keeps nothing new. A function that stays always keeps its table, so
# exceptions unwind through it as before. The objects' shared .eh_frame sections all stay
# as they were, in their order (the start file's table first, the end file's terminator
# last), so every unwind table is where the unwinder looks for it.
#
# The scripts and maps of each link are left in CMakeFiles/lean-link/ for inspection.
cmake_minimum_required(VERSION 3.21)

set(command "")
set(take OFF)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(take)
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(take ON)
  endif()
endforeach()
if(NOT command)
  message(FATAL_ERROR "usage: cmake -P LeanLink.cmake -- <compiler> <link arguments...>")
endif()

set(output "")
set(gc OFF)
set(next_is_output OFF)
foreach(arg IN LISTS command)
  if(next_is_output)
    set(output "${arg}")
    set(next_is_output OFF)
  elseif(arg STREQUAL "-o")
    set(next_is_output ON)
  endif()
  if(arg MATCHES "--gc-sections")
    set(gc ON)
  endif()
endforeach()

function(run_link)
  execute_process(COMMAND ${command} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err
                  ECHO_ERROR_VARIABLE)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "link failed (${code})")
  endif()
  set(link_output "${out}" PARENT_SCOPE)
endfunction()

# Without section collection there is nothing to drop: the plain link.
if(NOT gc OR output STREQUAL "")
  run_link()
  return()
endif()

# The linker's own script, from a plain link (which stays the result where the script keeps
# no unwind tables whole).
run_link(-Wl,--verbose)
set(rule "==================================================")
string(FIND "${link_output}" "${rule}" first)
string(FIND "${link_output}" "${rule}" second REVERSE)
set(keep_all "KEEP(*(.eh_frame*))")
if(first LESS 0 OR second LESS_EQUAL first)
  message(FATAL_ERROR "the linker printed no default script")
endif()
string(LENGTH "${rule}" rule_length)
math(EXPR begin "${first} + ${rule_length}")
math(EXPR length "${second} - ${begin}")
string(SUBSTRING "${link_output}" ${begin} ${length} default_script)
string(FIND "${default_script}" "${keep_all}" keeps_all)
if(keeps_all LESS 0)
  return()
endif()

string(MAKE_C_IDENTIFIER "${output}" id)
set(work "CMakeFiles/lean-link")
file(MAKE_DIRECTORY "${work}")
set(tables "")  # the per-function unwind tables kept: .eh_frame$<name>, ...
foreach(pass RANGE 1 20)
  list(JOIN tables " " patterns)
  string(REPLACE "${keep_all}" "KEEP(*(.eh_frame ${patterns}))" script "${default_script}")
  set(script_file "${work}/${id}.${pass}.ld")
  set(map_file "${work}/${id}.${pass}.map")
  file(WRITE "${script_file}" "${script}")
  run_link(-Wl,-T,${script_file} -Wl,-Map,${map_file})

  # The code sections this link kept (the map lists what was dropped before its memory map).
  file(READ "${map_file}" full_map)
  string(FIND "${full_map}" "Linker script and memory map" at)
  if(at LESS 0)
    message(FATAL_ERROR "${map_file}: not a linker map")
  endif()
  string(SUBSTRING "${full_map}" ${at} -1 map)
  string(REGEX MATCHALL "\n \\.text[^ \r\n]+[ \r\n]+0x[0-9a-f]+[ ]+0x0*[1-9a-f][0-9a-f]*[ ]" kept "${map}")
  # .text$<name> has its unwind table in .eh_frame$<name> (.text.<part>$<name> likewise).
  list(TRANSFORM kept REPLACE "^\n \\.text([^ \r\n]+).*$" ".eh_frame\\1")
  list(LENGTH tables before)
  list(APPEND tables ${kept})
  list(REMOVE_DUPLICATES tables)
  list(LENGTH tables after)
  if(after EQUAL before)
    # Every function this link kept had its table kept: this output is the program. Proven
    # on its map: no table of a kept function was dropped (beside the copy that was kept).
    string(FIND "${full_map}" "Linker script and memory map" at)
    string(SUBSTRING "${full_map}" 0 ${at} dropped_part)
    string(REGEX MATCHALL "\n \\.eh_frame[^ \r\n]+" dropped "${dropped_part}")
    string(REGEX MATCHALL "\n \\.eh_frame[^ \r\n]+" linked "${map}")
    list(TRANSFORM dropped REPLACE "^\n " "")
    list(TRANSFORM linked REPLACE "^\n " "")
    foreach(table IN LISTS kept)
      list(FIND dropped "${table}" was_dropped)
      list(FIND linked "${table}" was_linked)
      if(was_dropped GREATER_EQUAL 0 AND was_linked LESS 0)
        file(REMOVE "${output}")
        message(FATAL_ERROR "${output}: the link dropped ${table}, the unwind table of a function it kept")
      endif()
    endforeach()
    return()
  endif()
endforeach()
message(FATAL_ERROR "${output}: the kept code did not settle in 20 links")
