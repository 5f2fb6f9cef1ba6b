# On Windows, the version record and icon both programs carry, from the one project version
# (the version they print comes from <tessaly/version.h>).

# FILEVERSION wants four numbers: "1.00" is 1,0,0,0.
math(EXPR _tessaly_minor "${PROJECT_VERSION_MINOR}+0")
set(TESSALY_RC_VERSION "${PROJECT_VERSION_MAJOR},${_tessaly_minor},0,0")

function(tessaly_program target)
    if(WIN32)
        set(TESSALY_RC_FILENAME "${target}.exe")
        set(TESSALY_RC_ICON "${PROJECT_SOURCE_DIR}/data/tessaly.ico")
        set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
        configure_file(${PROJECT_SOURCE_DIR}/cmake/tessaly.rc.in ${rc} @ONLY)
        target_sources(${target} PRIVATE ${rc})
    endif()
endfunction()
