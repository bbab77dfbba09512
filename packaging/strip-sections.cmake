# Run by CPack once the components are staged: drops the .comment and .note sections (compiler
# versions, nothing the program needs) from the programs, as dh_strip does for Debian's own.
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}/*${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
if(NOT programs)
  message(FATAL_ERROR "strip-sections: no programs under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND ${CPACK_VELNORIX_STRIP} --remove-section=.comment
                          --remove-section=.note ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
