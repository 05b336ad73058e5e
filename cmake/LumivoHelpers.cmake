# lumivo_add_test(NAME <name> SOURCES <files...> LIBS <targets...>)
# Builds one Qt Test executable and registers it with CTest. Tests run offscreen,
# each in its own working directory so the local settings file never leaks between them.
# The offscreen screens are those of tests/support/pantallas.json: a 1280 x 1024 station screen
# that holds the whole main window (the plugin's own is smaller), then an 800 x 600 one to its right.
set(LUMIVO_TEST_QPA "offscreen:configfile=${PROJECT_SOURCE_DIR}/tests/support/pantallas.json")

function(lumivo_add_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    # Every test ends through tests/support/PruebaPrincipal.h, which shuts the Firebird client down.
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test lumivo_testsupport ${T_LIBS})
    set(workdir "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.wd")
    file(MAKE_DIRECTORY "${workdir}")
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} WORKING_DIRECTORY "${workdir}")
    set_tests_properties(${T_NAME} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=${LUMIVO_TEST_QPA}"
        TIMEOUT 600)
endfunction()

# Layers: every library compiles against the include roots of what it links, never against the
# source tree. lumivo_include_root(<folder> <var>) makes a folder of the build tree that holds one
# link, named <folder> (relative to the project: "data", "tests/support"), to that source folder,
# and sets <var> to it: on an include path it makes "<folder>/File.h" reachable and nothing else.
function(lumivo_include_root folder var)
    string(REPLACE "/" "_" nombre "${folder}")
    set(raiz "${PROJECT_BINARY_DIR}/include/${nombre}")
    get_filename_component(padre "${raiz}/${folder}" DIRECTORY)
    file(MAKE_DIRECTORY "${padre}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${raiz}/${folder}" SYMBOLIC)
    set(${var} "${raiz}" PARENT_SCOPE)
endfunction()

# lumivo_expose_headers(<target>): the target's own folder is what it shows to itself and to
# whoever links it. What it links PRIVATE stays out of reach of its users.
function(lumivo_expose_headers target)
    file(RELATIVE_PATH folder "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
    lumivo_include_root("${folder}" raiz)
    target_include_directories(${target} PUBLIC "${raiz}")
endfunction()

# lumivo_layer_probe(<library> <own header> <foreign header>): a CTest test that compiles, with
# exactly the include path of the library's own sources, a file that includes one of its own
# headers and then a header of a layer it does not link. It passes only when the compiler finds
# the first and cannot find the second.
function(lumivo_layer_probe lib propia ajena)
    string(MAKE_C_IDENTIFIER "capa_${lib}_sin_${ajena}" nombre)
    set(fuente "${CMAKE_CURRENT_BINARY_DIR}/${nombre}.cpp")
    file(CONFIGURE OUTPUT "${fuente}" CONTENT "#include \"${propia}\"\n#include \"${ajena}\"\n")
    add_library(${nombre} OBJECT EXCLUDE_FROM_ALL "${fuente}")
    set_target_properties(${nombre} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    target_link_libraries(${nombre} PRIVATE ${lib} $<TARGET_PROPERTY:${lib},LINK_LIBRARIES>)
    add_test(NAME ${nombre} COMMAND ${CMAKE_COMMAND} --build "${PROJECT_BINARY_DIR}" --target ${nombre})
    # One build of the tree at a time.
    set_tests_properties(${nombre} PROPERTIES
        PASS_REGULAR_EXPRESSION "${ajena}: No such file"
        RESOURCE_LOCK lumivo_arbol_de_compilacion
        TIMEOUT 600)
endfunction()

# lumivo_public_headers_probe(<library> [INTERNAL <header>...]): a CTest test that compiles, for
# each header of the library (but the INTERNAL ones its own sources share), a file that includes
# that header alone, with only what the library shows to whoever links it. A header that reaches
# into something the library links PRIVATE, or that leans on an include it does not make, fails.
function(lumivo_public_headers_probe lib)
    cmake_parse_arguments(P "" "" "INTERNAL" ${ARGN})
    get_target_property(fuentes ${lib} SOURCES)
    get_target_property(carpeta ${lib} SOURCE_DIR)
    file(RELATIVE_PATH carpeta "${PROJECT_SOURCE_DIR}" "${carpeta}")
    string(MAKE_C_IDENTIFIER "cabeceras_${lib}" nombre)
    set(unidades)
    foreach(fuente IN LISTS fuentes)
        if(NOT fuente MATCHES "\\.h$" OR fuente IN_LIST P_INTERNAL)
            continue()
        endif()
        string(MAKE_C_IDENTIFIER "${fuente}" unidad)
        set(unidad "${CMAKE_CURRENT_BINARY_DIR}/${nombre}/${unidad}.cpp")
        file(CONFIGURE OUTPUT "${unidad}" CONTENT "#include \"${carpeta}/${fuente}\"\n")
        list(APPEND unidades "${unidad}")
    endforeach()
    add_library(${nombre} OBJECT EXCLUDE_FROM_ALL ${unidades})
    set_target_properties(${nombre} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    # Linking it is what a user of the library does: its PUBLIC and INTERFACE requirements only.
    target_link_libraries(${nombre} PRIVATE ${lib})
    # Every header is tried even when one fails, so one run lists all of them.
    set(seguir)
    if(CMAKE_GENERATOR MATCHES "Makefiles")
        set(seguir -- -k)
    elseif(CMAKE_GENERATOR MATCHES "Ninja")
        set(seguir -- -k 0)
    endif()
    add_test(NAME ${nombre} COMMAND ${CMAKE_COMMAND} --build "${PROJECT_BINARY_DIR}" --target ${nombre} ${seguir})
    set_tests_properties(${nombre} PROPERTIES
        RESOURCE_LOCK lumivo_arbol_de_compilacion
        TIMEOUT 600)
endfunction()
