# Run by cpack after it made the packages. The -dbgsym package CPack makes names its files in
# md5sums by their paths in the build folder and has no documentation folder: it is unpacked,
# given md5sums of its own paths and the main package's documentation (a link, as Debian's
# automatic debug packages have it), and packed again.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(NOT package MATCHES "-dbgsym_.*\\.ddeb$")
        continue()
    endif()
    set(tree "${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb -R "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
    file(MAKE_DIRECTORY "${tree}/usr/share/doc")
    file(CREATE_LINK lexitally "${tree}/usr/share/doc/lexitally-dbgsym" SYMBOLIC)
    execute_process(
        COMMAND find usr -type f
        COMMAND sort
        COMMAND xargs -r md5sum
        WORKING_DIRECTORY "${tree}"
        OUTPUT_FILE "${tree}/DEBIAN/md5sums"
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build "${tree}" "${package}"
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE "${tree}")
endforeach()
