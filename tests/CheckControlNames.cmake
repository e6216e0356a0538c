cmake_minimum_required(VERSION 3.24)
# Fails when a numbered control name ("CheckBox1", "FloatEdit13", "PaintBox1Paint"...) is a C++
# identifier. Such names stay the widgets' objectName strings and may appear in comments; members,
# handlers and functions are named for their job.
# Run as: cmake -DSOURCE_ROOT=<repository> -P CheckControlNames.cmake (src, tests and bench), or
# with -DSOURCE_DIRS=<folder> for one folder.
set(control "(paintbox|listbox|floatedit|checkbox|button|spinedit|edit|label|combobox|radiobutton|panel|stringgrid|memo|chart|groupbox|tabsheet|image)[0-9]+")
# Comments and literals, whichever starts first: a line comment, a block comment, a string, a
# character literal (the digit separators of 1'000 fall in here too, which hides no identifier).
set(literal "//[^\n]*|/\\*([^*]|\\*+[^*/])*\\*+/|\"([^\"\\\\\n]|\\\\.)*\"|'([^'\\\\\n]|\\\\.)*'")

# The code of `text` with every comment and literal taken out.
function(strip_comments_and_literals text out)
    set(code "")
    while(TRUE)
        string(REGEX MATCH "${literal}" token "${text}")
        if(token STREQUAL "")
            break()
        endif()
        string(FIND "${text}" "${token}" at)
        string(SUBSTRING "${text}" 0 ${at} before)
        string(LENGTH "${token}" length)
        math(EXPR rest "${at} + ${length}")
        string(SUBSTRING "${text}" ${rest} -1 text)
        string(APPEND code "${before} ")
    endwhile()
    string(APPEND code "${text}")
    set(${out} "${code}" PARENT_SCOPE)
endfunction()

if(DEFINED SOURCE_ROOT)
    set(SOURCE_DIRS ${SOURCE_ROOT}/src ${SOURCE_ROOT}/tests ${SOURCE_ROOT}/bench)
endif()

set(violations "")
set(count 0)
foreach(dir ${SOURCE_DIRS})
    file(GLOB_RECURSE files ${dir}/*.h ${dir}/*.cpp)
    if(DEFINED SOURCE_ROOT)
        # The test data holds such names on purpose (this check's own test case).
        list(FILTER files EXCLUDE REGEX "^${SOURCE_ROOT}/tests/data/")
    endif()
    list(LENGTH files n)
    math(EXPR count "${count} + ${n}")
    foreach(file ${files})
        # Only files that name a control at all need the closer look.
        file(STRINGS ${file} hits REGEX "[A-Za-z]+[0-9]")
        string(TOLOWER "${hits}" hits)
        if(NOT hits MATCHES "${control}")
            continue()
        endif()
        file(READ ${file} text)
        strip_comments_and_literals("${text}" code)
        string(TOLOWER "${code}" lower)
        string(REGEX MATCHALL "[a-z_0-9]*${control}[a-z_0-9]*" names "${lower}")
        list(REMOVE_DUPLICATES names)
        foreach(name ${names})
            list(APPEND violations "${file}: ${name}")
        endforeach()
    endforeach()
endforeach()

if(count EQUAL 0)
    message(FATAL_ERROR "No source files in ${SOURCE_DIRS}")
endif()
if(violations)
    # One unwrapped line per name, then the failure.
    foreach(v ${violations})
        message(NOTICE "${v}")
    endforeach()
    list(LENGTH violations n)
    message(FATAL_ERROR "${n} numbered control names are C++ identifiers (lower-cased above)")
endif()
message(STATUS "${count} files checked, no numbered control name is an identifier")
