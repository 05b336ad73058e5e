# lumivo_add_test(NAME <name> SOURCES <files...> LIBS <targets...>)
# Builds one Qt Test executable and registers it with CTest. Tests run offscreen,
# each in its own working directory so the local settings file never leaks between them.
function(lumivo_add_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    set(workdir "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.wd")
    file(MAKE_DIRECTORY "${workdir}")
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY "${workdir}")
    set_tests_properties(${T_NAME} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        TIMEOUT 600)
endfunction()
