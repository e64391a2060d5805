# What `cmake --install` puts under the prefix, and the Debian package made
# from it (`cpack -G DEB`):
#   bin/tovfileio                      the command line (RPATH ../lib)
#   lib/libbrindlecore.so              the host's core library
#   lib/tovfileio/TOVFileIO.dlu        the module, where tovfileio looks for it
#                                      (ModuleLocation: ../lib/tovfileio)
#   lib/libtov_{text,htr,trc,gwm,c3d,bvh,convert}.a, libbrindle_textfile.so  the file libraries
#                                      and the text-file service (math: headers only)
#   include/tovfileio/{math,text,htr,trc,gwm,c3d,bvh,convert}/*.h  the libraries' public headers
#                                      (lib/include; their internals in lib/src
#                                      stay behind)
#   include/brindle/sdk/*.h            the host's SDK, for modules built against it
#   lib/cmake/TOVFileIO/               find_package(TOVFileIO): TOVFileIO::htr ...
#   share/man/man1/tovfileio.1         made from tovfileio's --help texts
# The module's folder is fixed (not the platform's library folder), since
# tovfileio finds it relative to itself.
include(CMakePackageConfigHelpers)

set(TOV_INSTALL_INCLUDEDIR include)
set(TOV_INSTALL_CMAKEDIR lib/cmake/TOVFileIO)

# The libraries as a consumer names them, TOVFileIO::NAME, in the build tree
# as once installed.
set(tov_exported tov_math tov_text tov_htr tov_trc tov_gwm tov_c3d tov_bvh tov_clean tov_convert tov_repair
    brindle_textfile brindle_sdk brindlecore)
set(tov_export_names math text htr trc gwm c3d bvh clean convert repair textfile sdk brindlecore)
foreach(target name IN ZIP_LISTS tov_exported tov_export_names)
    set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
    # Their headers are C++20 (std::span among them): a consumer built to any
    # standard compiles them as C++20.
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_compile_features(${target} INTERFACE cxx_std_20)
    else()
        target_compile_features(${target} PUBLIC cxx_std_20)
    endif()
    add_library(TOVFileIO::${name} ALIAS ${target})
    # The folders include the project's root only while building; installed,
    # the headers' folder comes from install(TARGETS ... INCLUDES).
    get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
    if(dirs)
        set_target_properties(${target} PROPERTIES
            INTERFACE_INCLUDE_DIRECTORIES "$<BUILD_INTERFACE:${dirs}>")
    endif()
endforeach()

# Installed programs find the host's core beside them in ../lib; the module
# finds it one folder up.
set_target_properties(tovfileio PROPERTIES INSTALL_RPATH "$ORIGIN/../lib")
set_target_properties(TOVFileIO PROPERTIES INSTALL_RPATH "$ORIGIN/..")

install(TARGETS ${tov_exported} EXPORT TOVFileIOTargets
    ARCHIVE DESTINATION lib
    LIBRARY DESTINATION lib
    RUNTIME DESTINATION bin
    INCLUDES DESTINATION ${TOV_INSTALL_INCLUDEDIR})
install(TARGETS tovfileio RUNTIME DESTINATION bin)
install(TARGETS TOVFileIO LIBRARY DESTINATION lib/tovfileio)

# What a program built against the libraries includes, as
# <tovfileio/htr/HTRFile.h> and so on: every header of lib/include. The
# headers the readers and writers share among themselves stay in lib/src.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/lib/include/tovfileio DESTINATION ${TOV_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/brindle/sdk/include/brindle/sdk/ DESTINATION ${TOV_INSTALL_INCLUDEDIR}/brindle/sdk
        FILES_MATCHING PATTERN "*.h")

install(EXPORT TOVFileIOTargets NAMESPACE TOVFileIO:: DESTINATION ${TOV_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TOVFileIOConfig.cmake.in
    ${PROJECT_BINARY_DIR}/TOVFileIOConfig.cmake INSTALL_DESTINATION ${TOV_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TOVFileIOConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TOVFileIOConfig.cmake
              ${PROJECT_BINARY_DIR}/TOVFileIOConfigVersion.cmake
        DESTINATION ${TOV_INSTALL_CMAKEDIR})

# The manual page, written at install time by the built tovfileio from its
# --help texts.
install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\" -DTOVFILEIO=$<TARGET_FILE:tovfileio>
    -DOUT=${PROJECT_BINARY_DIR}/tovfileio.1 -DVERSION=${PROJECT_VERSION}
    -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake COMMAND_ERROR_IS_FATAL ANY)")
install(FILES ${PROJECT_BINARY_DIR}/tovfileio.1 DESTINATION share/man/man1)

set(CPACK_PACKAGE_NAME tovfileio)
set(CPACK_PACKAGE_VENDOR "TOVFileIO")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "HTR and TRC motion-capture files: tovfileio, the Brindle module and the file libraries")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "TOVFileIO developers")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The package carries the programs, not their debugging information.
set(CPACK_STRIP_FILES ON)
include(CPack)
