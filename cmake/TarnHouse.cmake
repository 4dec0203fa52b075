# The parts of the house. Each folder the build compiles as a part of its own (a library, an
# object library of a library, a program) registers here, and the build writes the list to
# house_parts.txt in the build folder; docs/architecture.md lists the same parts, and
# tests/architecture/house_test.py fails when the two differ.

# Registers `folder` (a path below the project's source folder; the current folder when omitted).
function(tarn_house_part)
  if(ARGC GREATER 0)
    set(folder ${ARGV0})
  else()
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set_property(GLOBAL APPEND PROPERTY TARN_HOUSE_PARTS ${folder})
endfunction()

# Writes the registered parts, one a line, sorted; rewritten only when the list changed.
function(tarn_write_house_parts)
  get_property(parts GLOBAL PROPERTY TARN_HOUSE_PARTS)
  list(REMOVE_DUPLICATES parts)
  list(SORT parts)
  list(JOIN parts "\n" text)
  file(WRITE ${PROJECT_BINARY_DIR}/house_parts.txt.new "${text}\n")
  configure_file(${PROJECT_BINARY_DIR}/house_parts.txt.new ${PROJECT_BINARY_DIR}/house_parts.txt
                 COPYONLY)
endfunction()
