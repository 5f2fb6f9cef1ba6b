# What a Linux desktop needs beside the programs, and the Debian package of it all
# (scripts/package.sh: cpack in the release build).
if(NOT UNIX OR APPLE OR CMAKE_CROSSCOMPILING)
    return()
endif()

set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/tessaly)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${doc} COMPONENT programs)

# Debian wants its changelog and man pages compressed, and byte for byte the same each build.
function(tessaly_gzip output input)
    add_custom_command(OUTPUT ${output} COMMAND gzip -9nc ${input} > ${output}
                       DEPENDS ${input} VERBATIM)
endfunction()

# The release date in the changelog's form and in AppStream's.
set(saved "$ENV{SOURCE_DATE_EPOCH}")
set(ENV{SOURCE_DATE_EPOCH} ${TESSALY_RELEASE_TIME})
string(TIMESTAMP TESSALY_RELEASE_DAY "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP TESSALY_RELEASE_DATE "%Y-%m-%d" UTC)
if(saved STREQUAL "")
    unset(ENV{SOURCE_DATE_EPOCH})
else()
    set(ENV{SOURCE_DATE_EPOCH} "${saved}")
endif()

configure_file(${PROJECT_SOURCE_DIR}/data/changelog.in ${PROJECT_BINARY_DIR}/data/changelog @ONLY)
tessaly_gzip(${PROJECT_BINARY_DIR}/data/changelog.gz ${PROJECT_BINARY_DIR}/data/changelog)
set(generated ${PROJECT_BINARY_DIR}/data/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/data/changelog.gz DESTINATION ${doc} COMPONENT programs)

# Man pages from each program's --help and --version.
find_program(TESSALY_HELP2MAN help2man)
set(programs tessaly-convert "convert amounts to uppercase Chinese financial numerals")
if(TESSALY_BUILD_APP)
    list(APPEND programs tessaly "write amounts in uppercase Chinese financial numerals as you type")
endif()
if(TESSALY_HELP2MAN)
    while(programs)
        list(POP_FRONT programs program summary)
        set(page ${PROJECT_BINARY_DIR}/data/${program}.1)
        # Dated by the release, in UTF-8 whatever the build's locale.
        add_custom_command(OUTPUT ${page}
                           COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TESSALY_RELEASE_TIME}
                                   ${TESSALY_HELP2MAN} --no-info --no-discard-stderr
                                   --locale=C.UTF-8 --name=${summary}
                                   "--version-string=${program} ${PROJECT_VERSION}"
                                   --output=${page} $<TARGET_FILE:${program}>
                           DEPENDS ${program} VERBATIM)
        tessaly_gzip(${page}.gz ${page})
        list(APPEND generated ${page}.gz)
        install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
    endwhile()
else()
    message(STATUS "help2man not found: no man pages")
endif()

if(TESSALY_BUILD_APP)
    set(share ${CMAKE_INSTALL_DATAROOTDIR})
    install(FILES ${PROJECT_SOURCE_DIR}/data/tessaly.desktop DESTINATION ${share}/applications
            COMPONENT programs)
    install(FILES ${PROJECT_SOURCE_DIR}/data/tessaly.png
            DESTINATION ${share}/icons/hicolor/32x32/apps COMPONENT programs)
    # Named after the component id inside it.
    set(metainfo ${PROJECT_BINARY_DIR}/data/invalid.tessaly.tessaly.metainfo.xml)
    configure_file(${PROJECT_SOURCE_DIR}/data/tessaly.metainfo.xml.in ${metainfo} @ONLY)
    install(FILES ${metainfo} DESTINATION ${share}/metainfo COMPONENT programs)
endif()
add_custom_target(tessaly_data ALL DEPENDS ${generated})

# A stripped install (the package's) strips as dh_strip does: the compilers' notes go too.
set(installed_programs tessaly-convert)
if(TESSALY_BUILD_APP)
    list(APPEND installed_programs tessaly)
endif()
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program ${installed_programs})
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()" COMPONENT programs)

# The package holds the programs and what goes with them; the library stays for cmake --install.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build/packages)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};Tessaly;programs;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tessaly maintainers <maintainers@tessaly.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (buttons, context menus) in Chinese, and a face with the uppercase numerals.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-microhei")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
Tessaly writes an amount of money typed in digits in uppercase Chinese
financial numerals while you type, for cheques, invoices and vouchers:
41823.51 becomes 肆万壹仟捌佰贰拾叁圆伍角壹分. A small chain calculator
adds, subtracts, multiplies and divides into the amount.
.
The package holds the window (tessaly) and, for scripts and batch jobs,
tessaly-convert: the same conversion in every style banks and ministries ask
for, and the way back, reading an uppercase amount and checking it against the
rules and against the digits beside it.")
include(CPack)
