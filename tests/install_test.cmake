# Installs the build into a fresh prefix and runs the installed tool there: it must find
# the installed library, answer its version and write the example scene's creases. The
# manual page is installed as it is in the sources.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(installed bin/tessaryn lib/libTessarynDLL.so include/tessaryn.h share/man/man1/tessaryn.1)
    if(NOT EXISTS ${PREFIX}/${installed})
        message(FATAL_ERROR "the install has no ${installed}")
    endif()
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${MAN_PAGE}
                        ${PREFIX}/share/man/man1/tessaryn.1 RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the installed manual page differs from ${MAN_PAGE}")
endif()

execute_process(COMMAND ${PREFIX}/bin/tessaryn version RESULT_VARIABLE status
                OUTPUT_VARIABLE said ERROR_VARIABLE complaint)
if(NOT status EQUAL 0 OR NOT said MATCHES "TessarynDLL version 3")
    message(FATAL_ERROR "the installed tool answered ${status}: ${said}${complaint}")
endif()

file(COPY ${EXAMPLES}/cube.obj ${EXAMPLES}/cube.ma DESTINATION ${PREFIX}/work)
execute_process(COMMAND ${PREFIX}/bin/tessaryn creases ${PREFIX}/work/cube.obj ${PREFIX}/work/cube.ma
                RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE complaint)
file(READ ${PREFIX}/work/cube.ma scene)
if(NOT status EQUAL 0 OR NOT scene MATCHES "Index_Data Edge [1-9]")
    message(FATAL_ERROR "the installed tool did not write the creases (${status}): ${said}${complaint}")
endif()
file(REMOVE_RECURSE ${PREFIX})
