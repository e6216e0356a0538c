cmake_minimum_required(VERSION 3.24)
# Builds the Debian package with CPack into a scratch folder and checks its control fields and
# its file list. Run as: cmake -DBUILD_DIR=<build> -DAPP_ID=<id> -DVERSION=<x.y.z> -P ...
set(out ${BUILD_DIR}/package-check)
file(REMOVE_RECURSE ${out})

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE o ERROR_VARIABLE e)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${o}${e}")
    endif()
    set(run_output "${o}" PARENT_SCOPE)
endfunction()

run(${CMAKE_CPACK_COMMAND} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${out})
file(GLOB debs ${out}/trevasc_${VERSION}_*.deb)
list(LENGTH debs n)
if(NOT n EQUAL 1)
    message(FATAL_ERROR "expected one trevasc_${VERSION}_<arch>.deb, found: ${debs}")
endif()

function(field name pattern)
    run(dpkg-deb -f ${debs} ${name})
    if(NOT run_output MATCHES "${pattern}")
        message(FATAL_ERROR "control field ${name} is '${run_output}', expected ${pattern}")
    endif()
endfunction()
field(Package "^trevasc\n$")
field(Version "^${VERSION}\n$")
field(Section "^science\n$")
field(Maintainer ".+<.+@.+>")
field(Homepage "^http")
# The dependencies come from the linked shared libraries.
field(Depends "libqt6widgets6")
field(Depends "libqt6network6")
field(Depends "libxml2")
field(Depends "libpng16")
field(Depends "libc6")
field(Recommends "fonts-liberation")
field(Description "^workbench for X-ray diffraction scans\n Opens XML measurement files[^;]*trevasc-cli\.\n$")

run(dpkg-deb -c ${debs})
set(listing "${run_output}")
foreach(f usr/bin/trevasc usr/bin/trevasc-cli usr/share/trevasc/XRAY.DEF
          usr/share/trevasc/Substrates.DEF usr/share/trevasc/manual.html
          usr/share/applications/${APP_ID}.desktop
          usr/share/metainfo/${APP_ID}.metainfo.xml usr/share/mime/packages/${APP_ID}.xml
          usr/share/icons/hicolor/scalable/apps/trevasc.svg
          usr/share/icons/hicolor/48x48/apps/trevasc.png usr/share/man/man1/trevasc.1.gz
          usr/share/man/man1/trevasc-cli.1.gz)
    string(REPLACE "." "\\." pattern "${f}")
    if(NOT listing MATCHES " \\./${pattern}\n")
        message(FATAL_ERROR "the package lacks /${f}:\n${listing}")
    endif()
endforeach()
# Nothing outside /usr, nothing of the build (tests, tools).
string(REGEX MATCHALL " \\./[^\n]*" paths "${listing}")
foreach(p ${paths})
    if(NOT p MATCHES "^ \\./(usr/.*)?$" OR p MATCHES "test_|bench_|render-icon")
        message(FATAL_ERROR "unexpected path in the package: ${p}")
    endif()
endforeach()
# The Python module: in Debian's dist-packages folder, and importable from the unpacked package
# (it finds the definition files of the package for the wavelength of its maps).
if(PYTHON)
    set(dist usr/lib/python3/dist-packages/trevasc)
    if(NOT listing MATCHES " \\./${dist}/__init__\\.py\n" OR
       NOT listing MATCHES " \\./${dist}/_trevasc[^\n/]*\\.so\n")
        message(FATAL_ERROR "the package lacks the Python module in /${dist}:\n${listing}")
    endif()
    run(dpkg-deb -x ${debs} ${out}/root)
    set(script "import trevasc, sys
assert trevasc.__file__.startswith(sys.argv[1]), trevasc.__file__
m = trevasc.read(sys.argv[2])
kx, kz, counts = trevasc.reciprocal_map(m)
# The default wavelength is the first line of the package's XRAY.DEF, found from the module.
assert (kx == trevasc.reciprocal_map(m, line='Cu K-Alpha1')[0]).all()
print(len(m), len(counts), float(counts.sum()))")
    run(${CMAKE_COMMAND} -E env PYTHONPATH=${out}/root/usr/lib/python3/dist-packages
        ${PYTHON} -c "${script}" ${out}/root ${SAMPLE})
    if(NOT run_output MATCHES "^[0-9]+ [0-9]+ [0-9.e+]+\n$")
        message(FATAL_ERROR "the packaged module did not read ${SAMPLE}: ${run_output}")
    endif()
endif()
file(REMOVE_RECURSE ${out})
message(STATUS "package ${debs} checked")
