# A program file anyone can reproduce: one commit gives the same bytes in any folder
# at any time, so a user can check the file they run against a build of its commit.
#
# The linker would write the time of the build into the PE header (and the header's
# checksum follows from it). Instead the time stamp is the commit's date, or
# SOURCE_DATE_EPOCH where that is set (a build from a source archive sets it to the
# commit's date); with neither, it is 0.

# The commit's date in seconds since 1970, or "" outside a git checkout of this project.
function(tdm_commit_date out)
  set(${out} "" PARENT_SCOPE)
  find_package(Git QUIET)
  if(NOT GIT_FOUND)
    return()
  endif()
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --show-toplevel
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE top
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  # An archive unpacked inside some other checkout is not that checkout's commit.
  if(failed OR NOT top)
    return()
  endif()
  file(REAL_PATH "${top}" top)
  file(REAL_PATH "${PROJECT_SOURCE_DIR}" source)
  if(NOT top STREQUAL source)
    return()
  endif()
  execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE date
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  # Configure again when the checkout moves to another commit, so that the stamp of an
  # existing build folder follows: the files of HEAD and of the branch it names.
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path HEAD --symbolic-full-name HEAD
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE refs
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REPLACE "\n" ";" refs "${refs}")
  list(GET refs 0 head_file)
  set(watched ${head_file})
  list(LENGTH refs count)
  if(count GREATER 1)
    list(GET refs 1 branch)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path ${branch} --git-path packed-refs
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE branch_files
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    string(REPLACE "\n" ";" branch_files "${branch_files}")
    list(APPEND watched ${branch_files})
  endif()
  foreach(file IN LISTS watched)
    if(NOT IS_ABSOLUTE "${file}")
      set(file "${PROJECT_SOURCE_DIR}/${file}")
    endif()
    if(EXISTS "${file}")
      set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${file}")
    endif()
  endforeach()
  set(${out} "${date}" PARENT_SCOPE)
endfunction()

function(tdm_reproducible_program target)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(stamp "$ENV{SOURCE_DATE_EPOCH}")
  else()
    tdm_commit_date(stamp)
  endif()
  if(stamp MATCHES "^[0-9]+$")
    # The linker takes its time stamp from SOURCE_DATE_EPOCH in its environment.
    set_property(TARGET ${target} PROPERTY CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${stamp})
  else()
    target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
  endif()
endfunction()
