# Export lists of the vendor libraries, read from the X(NAME) lists in vendor/*.h. Used
# by Windows builds (module-definition files) and by the Windows DLL check script.

# The entry-point names of a vendor header's X(NAME) list, in its order.
function(qv_vendor_entries output header)
  file(READ ${header} text)
  string(REGEX MATCHALL "\n +X\\([A-Z0-9_]+\\)" entries "${text}")
  set(names)
  foreach(entry IN LISTS entries)
    string(REGEX REPLACE ".*X\\(([A-Z0-9_]+)\\)" "\\1" name "${entry}")
    list(APPEND names ${name})
  endforeach()
  set(${output} ${names} PARENT_SCOPE)
endfunction()

# Writes a module-definition file exporting the entry points of a vendor header, all
# of them or all but OMIT (for the test variants that lack one entry point).
function(qv_vendor_def output library header)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "OMIT" "")
  qv_vendor_entries(names ${header})
  set(text "LIBRARY ${library}.dll\nEXPORTS\n")
  foreach(name IN LISTS names)
    if(NOT name STREQUAL arg_OMIT)
      string(APPEND text "  ${name}\n")
    endif()
  endforeach()
  file(GENERATE OUTPUT ${output} CONTENT "${text}")
endfunction()
