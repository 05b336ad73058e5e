# Run by CPack on its staging tree before it builds the package: usr/etc moves to /etc.
file(GLOB_RECURSE _etc LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/usr/etc"
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/etc")
foreach(_dir IN LISTS _etc)
    if(IS_DIRECTORY "${_dir}" AND _dir MATCHES "/usr/etc$")
        get_filename_component(_usr "${_dir}" DIRECTORY)
        get_filename_component(_raiz "${_usr}" DIRECTORY)
        file(RENAME "${_dir}" "${_raiz}/etc")
    endif()
endforeach()
