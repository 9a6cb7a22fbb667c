# Fails when a source file of the tool calls CopyFile, CopyFileW or CopyFileEx.
file(GLOB_RECURSE sources ${SOURCES}/console/*.cpp ${SOURCES}/gamefile/*.cpp ${SOURCES}/dialogue/*.cpp)
foreach(source IN LISTS sources)
  file(STRINGS ${source} calls REGEX "CopyFile[A-Za-z0-9]*[ \t]*\\(")
  if(calls)
    message(FATAL_ERROR "${source} calls CopyFile: ${calls}")
  endif()
endforeach()
message(STATUS "no CopyFile call in ${SOURCES}")
