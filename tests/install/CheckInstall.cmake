cmake_minimum_required(VERSION 3.24)
# Installs the build into a scratch prefix and checks the tree a desktop needs: the programs run
# from there, the desktop entry, AppStream data and MIME type validate, the manual pages format.
# Run as: cmake -DBUILD_DIR=<build> -DAPP_ID=<id> -DVERSION=<x.y.z> -P CheckInstall.cmake
set(prefix ${BUILD_DIR}/install-check)
file(REMOVE_RECURSE ${prefix})

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}${err}")
    endif()
    set(run_output "${out}${err}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(expected
    bin/trevasc
    bin/trevasc-cli
    share/trevasc/XRAY.DEF
    share/trevasc/Substrates.DEF
    share/trevasc/trevasc_gnuplot_template.plt
    share/trevasc/manual.html
    share/applications/${APP_ID}.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/mime/packages/${APP_ID}.xml
    share/icons/hicolor/scalable/apps/trevasc.svg
    share/icons/hicolor/16x16/apps/trevasc.png
    share/icons/hicolor/48x48/apps/trevasc.png
    share/icons/hicolor/256x256/apps/trevasc.png
    share/man/man1/trevasc.1.gz
    share/man/man1/trevasc-cli.1.gz)
foreach(f ${expected})
    if(NOT EXISTS ${prefix}/${f})
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()
# The manual is the page "Help -> User manual" opens: whole, and with its sections.
file(READ ${prefix}/share/trevasc/manual.html manual)
foreach(part "<title>Trevasc user manual</title>" "id=\"fit\"" "id=\"lattice\"" "id=\"maps\""
        "</html>")
    string(FIND "${manual}" "${part}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the installed manual lacks ${part}")
    endif()
endforeach()
# Nothing of the build (tests, benchmarks, helper tools) is installed.
file(GLOB installed_programs RELATIVE ${prefix}/bin ${prefix}/bin/*)
list(SORT installed_programs)
if(NOT installed_programs STREQUAL "trevasc;trevasc-cli")
    message(FATAL_ERROR "unexpected programs in bin/: ${installed_programs}")
endif()

# The installed programs answer as desktop programs do.
run(${prefix}/bin/trevasc --version)
if(NOT run_output STREQUAL "trevasc ${VERSION}\n")
    message(FATAL_ERROR "trevasc --version printed: ${run_output}")
endif()
run(${prefix}/bin/trevasc --help)
if(NOT run_output MATCHES "^Usage: trevasc \\[FILE\\]")
    message(FATAL_ERROR "trevasc --help printed: ${run_output}")
endif()
run(${prefix}/bin/trevasc-cli --version)
if(NOT run_output STREQUAL "trevasc-cli ${VERSION}\n")
    message(FATAL_ERROR "trevasc-cli --version printed: ${run_output}")
endif()

# The freedesktop and AppStream validators.
run(desktop-file-validate ${prefix}/share/applications/${APP_ID}.desktop)
if(NOT run_output STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${run_output}")
endif()
run(appstreamcli validate --no-net --explain ${prefix}/share/metainfo/${APP_ID}.metainfo.xml)

# The MIME database built from the package file knows *.xrdml.
run(update-mime-database ${prefix}/share/mime)
if(NOT EXISTS ${prefix}/share/mime/application/x-xrdml.xml)
    message(FATAL_ERROR "the MIME type application/x-xrdml was not registered")
endif()
file(READ ${prefix}/share/mime/globs2 globs)
if(NOT globs MATCHES "application/x-xrdml:\\*\\.xrdml")
    message(FATAL_ERROR "no *.xrdml glob in the MIME database")
endif()
file(READ ${prefix}/share/applications/${APP_ID}.desktop desktop)
if(NOT desktop MATCHES "MimeType=application/x-xrdml;" OR NOT desktop MATCHES "Exec=trevasc %f")
    message(FATAL_ERROR "the desktop entry does not open XRDML files")
endif()

# The manual pages format without warnings.
foreach(page trevasc trevasc-cli)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 man --warnings -E UTF-8 -l
                            ${prefix}/share/man/man1/${page}.1.gz
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0 OR NOT err STREQUAL "" OR NOT out MATCHES "NAME")
        message(FATAL_ERROR "man ${page}: ${rc}\n${err}")
    endif()
endforeach()
# The Python module, imported from the installed tree: it finds the tree's definition files.
if(PYTHON)
    set(script "import trevasc, sys
assert trevasc.__file__.startswith(sys.argv[1]), trevasc.__file__
m = trevasc.read(sys.argv[2])
assert (trevasc.reciprocal_map(m)[0] == trevasc.reciprocal_map(m, line='Cu K-Alpha1')[0]).all()
print(trevasc.__version__)")
    run(${CMAKE_COMMAND} -E env PYTHONPATH=${prefix}/lib/python3/dist-packages
        ${PYTHON} -c "${script}" ${prefix} ${SAMPLE})
    if(NOT run_output STREQUAL "${VERSION}\n")
        message(FATAL_ERROR "the installed Python module answered: ${run_output}")
    endif()
endif()
file(REMOVE_RECURSE ${prefix})
message(STATUS "install tree, desktop entry, AppStream data, MIME type and manual pages checked")
