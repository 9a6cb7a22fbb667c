# Fails unless the exe carries a manifest (resource type 24) and version
# details (resource type 16), read from objdump's listing of its resources.
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${EXE}")
endif()
string(REGEX REPLACE ".*The .rsrc Resource Directory section:" "" resources "${listing}")
foreach(type 0x000018 0x000010)
  # The type table's entries are the least indented ones.
  if(NOT resources MATCHES "\n[0-9a-f]+   Entry: ID: ${type},")
    message(FATAL_ERROR "${EXE} has no resource of type ${type}")
  endif()
endforeach()
message(STATUS "${EXE}: manifest and version resources present")
