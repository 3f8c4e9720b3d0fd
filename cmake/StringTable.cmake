# The launcher's configuration values, settable when building.
#
# The shipped texts are written once, in launcher/resources/vandrel.rc. Each
# value's part before its comment (the last "#") becomes the default of a
# cache variable; the build's resource script is that file with every value
# replaced by its variable and followed by its usual comment. Values are
# written as in the resource script: \n is a line feed, \\ a backslash and ""
# a double quote. For example:
#   cmake --preset win32 -DVANDREL_VM_ARGUMENTS="-Xmx1g\n-Dapp.mode=fast"

set(VANDREL_STRING_VARIABLES
  VANDREL_README
  VANDREL_RUNTIME_LIBRARY_PATH
  VANDREL_MIN_VERSION
  VANDREL_MAX_VERSION
  VANDREL_VM_ARGUMENTS
  VANDREL_LEADING_ARGUMENTS
  VANDREL_TRAILING_ARGUMENTS
  VANDREL_NO_RUNTIME_MESSAGE
  VANDREL_BAD_VERSION_MESSAGE
  VANDREL_WORKING_DIRECTORY
  VANDREL_SINGLE_INSTANCE
  VANDREL_OPTIONS_FILE
  VANDREL_STARTUP_CACHE
  VANDREL_SEPARATE_PROCESS
  VANDREL_ARGUMENT_QUOTING)

# Splits string `id` of the resource script text `script` into its value and
# its comment (from the last "#"); sets <prefix>_LINE, _VALUE and _COMMENT.
function(vandrel_split_string script id prefix)
  string(REGEX MATCH "\n[ \t]*${id}[ \t]+\"([^\n]*)\"[ \t]*\n" line "${script}")
  if(NOT line)
    message(FATAL_ERROR "string ${id} not found in the resource script")
  endif()
  set(text "${CMAKE_MATCH_1}")
  string(FIND "${text}" "#" at REVERSE)
  if(at EQUAL -1)
    set(value "${text}")
    set(comment "")
  else()
    string(SUBSTRING "${text}" 0 ${at} value)
    string(SUBSTRING "${text}" ${at} -1 comment)
  endif()
  set(${prefix}_LINE "${line}" PARENT_SCOPE)
  set(${prefix}_VALUE "${value}" PARENT_SCOPE)
  set(${prefix}_COMMENT "${comment}" PARENT_SCOPE)
endfunction()

# Values 8 and 9 are printf formats: 8 may hold no conversion but "%%", 9
# exactly one "%s" (the version) besides "%%". Anything else is refused here
# (the launcher would print such a value as plain text).
function(vandrel_check_message_format var value strings)
  string(REPLACE "%%" "" rest "${value}")
  string(REPLACE "%s" "" without_strings "${rest}")
  string(LENGTH "${rest}" rest_length)
  string(LENGTH "${without_strings}" without_length)
  math(EXPR found "(${rest_length} - ${without_length}) / 2")
  string(FIND "${without_strings}" "%" stray)
  if(NOT stray EQUAL -1 OR NOT found EQUAL strings)
    if(strings EQUAL 0)
      set(allowed "no conversion other than %%")
    else()
      set(allowed "exactly one %s (the Java version) and no other conversion than %%")
    endif()
    message(FATAL_ERROR "${var} is printed as a printf format and may hold ${allowed}: \"${value}\"")
  endif()
endfunction()

# vandrel_configure_string_table(<source .rc> <output .rc> [VAR value ...])
# writes the resource script with each value taken from the cache variable
# of that name (or from the overrides given), the icon named by full path.
function(vandrel_configure_string_table source output)
  get_filename_component(source "${source}" ABSOLUTE)
  get_filename_component(source_dir "${source}" DIRECTORY)
  file(READ "${source}" script)
  set(overrides ${ARGN})
  set(id 0)
  foreach(var IN LISTS VANDREL_STRING_VARIABLES)
    math(EXPR id "${id} + 1")
    vandrel_split_string("${script}" ${id} s)
    set(value "${${var}}")
    list(FIND overrides ${var} at)
    if(NOT at EQUAL -1)
      math(EXPR at "${at} + 1")
      list(GET overrides ${at} value)
    endif()
    if(var STREQUAL "VANDREL_NO_RUNTIME_MESSAGE")
      vandrel_check_message_format(${var} "${value}" 0)
    elseif(var STREQUAL "VANDREL_BAD_VERSION_MESSAGE")
      vandrel_check_message_format(${var} "${value}" 1)
    endif()
    string(REPLACE "\"${s_VALUE}${s_COMMENT}\"" "\"${value}${s_COMMENT}\"" script "${script}")
  endforeach()
  string(REGEX REPLACE "ICON[ \t]+\"([^\"/]+)\"" "ICON \"${source_dir}/\\1\"" script "${script}")
  file(WRITE "${output}.new" "${script}")
  configure_file("${output}.new" "${output}" COPYONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
endfunction()

# The cache variables, their defaults read from the shipped resource script.
file(READ "${PROJECT_SOURCE_DIR}/launcher/resources/vandrel.rc" _vandrel_script)
set(_vandrel_id 0)
foreach(_vandrel_var IN LISTS VANDREL_STRING_VARIABLES)
  math(EXPR _vandrel_id "${_vandrel_id} + 1")
  vandrel_split_string("${_vandrel_script}" ${_vandrel_id} _vandrel)
  set(${_vandrel_var} "${_vandrel_VALUE}" CACHE STRING "Launcher configuration value ${_vandrel_id} (\\n is a line feed)")
endforeach()
