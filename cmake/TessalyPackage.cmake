# What a Linux desktop needs beside the programs, and the Debian package of it all
# (scripts/package.sh: cpack in the release build).
if(NOT UNIX OR APPLE OR CMAKE_CROSSCOMPILING)
    return()
endif()

# Each package carries the copyright and changelog in a doc folder of its own name.
set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/tessaly)
set(dev_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/tessaly-dev)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${doc} COMPONENT programs)
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION ${dev_doc} COMPONENT development)

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
install(FILES ${PROJECT_BINARY_DIR}/data/changelog.gz DESTINATION ${dev_doc} COMPONENT development)

# Man pages from each program's --help and --version, with data/PROGRAM.h2m where there is one
# (the window's keys, mouse, calculator and styles).
find_program(TESSALY_HELP2MAN help2man)
set(programs tessaly-convert "convert amounts to uppercase Chinese financial numerals")
if(TESSALY_BUILD_APP)
    list(APPEND programs tessaly "write amounts in uppercase Chinese financial numerals as you type")
endif()
if(TESSALY_HELP2MAN)
    while(programs)
        list(POP_FRONT programs program summary)
        set(page ${PROJECT_BINARY_DIR}/data/${program}.1)
        set(include ${PROJECT_SOURCE_DIR}/data/${program}.h2m)
        set(fix ${PROJECT_SOURCE_DIR}/data/manpage.sed)
        set(depends ${program} ${fix})
        if(EXISTS ${include})
            list(APPEND depends ${include})
        endif()
        # Dated by the release, in UTF-8 whatever the build's locale.
        add_custom_command(OUTPUT ${page}
                           COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${TESSALY_RELEASE_TIME}
                                   ${TESSALY_HELP2MAN} --no-info --no-discard-stderr
                                   --locale=C.UTF-8 --name=${summary} --opt-include=${include}
                                   "--version-string=${program} ${PROJECT_VERSION}"
                                   --output=${page} $<TARGET_FILE:${program}>
                           COMMAND sed -i -f ${fix} ${page}
                           DEPENDS ${depends} VERBATIM)
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
    # The desktop's icons, rendered from the SVG by scripts/icons.sh.
    foreach(size 16 24 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tessaly-${size}.png
                DESTINATION ${share}/icons/hicolor/${size}x${size}/apps RENAME tessaly.png
                COMPONENT programs)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/tessaly.svg
            DESTINATION ${share}/icons/hicolor/scalable/apps COMPONENT programs)
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
# The static libraries keep their symbols and lose their debug information and notes.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(library $<TARGET_FILE_NAME:tessaly_convert> $<TARGET_FILE_NAME:tessaly_runtime>)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug --remove-section=.comment
                --remove-section=.note --enable-deterministic-archives
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/\${library}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()" COMPONENT development)

# Two packages: tessaly with the programs and what goes with them, and tessaly-dev with the
# engine's static libraries, headers, CMake package and tessaly.pc.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/build/packages)
set(CPACK_COMPONENTS_ALL programs development)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tessaly maintainers <maintainers@tessaly.invalid>")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPackDeb puts the one package summary above every package's description unless it is CPack's
# own default; each description below starts with a summary line of its own instead.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_NAME} built using CMake")

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME tessaly)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SHLIBDEPS ON)
# Qt's own texts (buttons, context menus) in Chinese, and a face with the uppercase numerals.
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-microhei")
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION "${PROJECT_DESCRIPTION}
Tessaly writes an amount of money typed in digits in uppercase Chinese
financial numerals while you type, for cheques, invoices and vouchers:
41823.51 becomes 肆万壹仟捌佰贰拾叁圆伍角壹分. A small chain calculator
adds, subtracts, multiplies and divides into the amount.
.
The package holds the window (tessaly) and, for scripts and batch jobs,
tessaly-convert: the same conversion in every style banks and ministries ask
for, and the way back, reading an uppercase amount and checking it against the
rules and against the digits beside it.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME tessaly-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "Uppercase Chinese amounts for cheques and invoices - library
Tessaly's engine as a static C++ library for programs of their own: it
writes an amount in digits in uppercase Chinese financial numerals in every
style banks and ministries ask for (41823.51 becomes
肆万壹仟捌佰贰拾叁圆伍角壹分), reads such a text back and checks it against
the digits beside it. Its texts are UTF-8; it needs C++17 or later.
.
The package holds the static libraries, the headers <tessaly/...>, the CMake
package (find_package(Tessaly), target Tessaly::convert) and tessaly.pc for
pkg-config.")
include(CPack)
