# Run by CPack on the staged tree: CPACK_STRIP_FILES already stripped the symbols; Debian also
# drops the compiler's .comment and .note sections from what it ships.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/lib/nullsweep/nullsweep")
foreach(file IN LISTS staged)
  if(NOT IS_SYMLINK "${file}")
    execute_process(COMMAND "${CPACK_STRIP}" --remove-section=.comment --remove-section=.note "${file}"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
