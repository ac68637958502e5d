# Turns a Qt translation source (.ts) into a C++ table of its finished translations, so that a
# front end without Qt shows the same texts as the Qt window from the one file translators edit.
# Usage: cmake -DTS=<file.ts> -DOUT=<file.cpp> -DNAME=<array name> -P TsTable.cmake
# The .cpp defines `const TranslatedText NAME[]` and `const std::size_t NAMECount` (win/TranslationTable.h).
file(READ "${TS}" xml)
# CMake lists split at ';' and keep bracketed runs together: those characters are set aside while
# the text is cut into a list of contexts and messages, and put back in each text.
string(REPLACE ";" "@KV_SEMICOLON@" xml "${xml}")
string(REPLACE "[" "@KV_OPEN@" xml "${xml}")
string(REPLACE "]" "@KV_CLOSE@" xml "${xml}")

# The text of an element as C++ string literal contents: XML entities decoded, C++ escapes added.
function(literal_of text out)
    string(REPLACE "@KV_SEMICOLON@" ";" text "${text}")
    string(REPLACE "@KV_OPEN@" "[" text "${text}")
    string(REPLACE "@KV_CLOSE@" "]" text "${text}")
    string(REPLACE "&lt;" "<" text "${text}")
    string(REPLACE "&gt;" ">" text "${text}")
    string(REPLACE "&quot;" "\"" text "${text}")
    string(REPLACE "&apos;" "'" text "${text}")
    string(REPLACE "&#x0d;" "\r" text "${text}")
    string(REPLACE "&#xd;" "\r" text "${text}")
    string(REPLACE "&amp;" "&" text "${text}")
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(REPLACE "\r" "\\r" text "${text}")
    string(REPLACE "\n" "\\n" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(rows "")
set(count 0)
string(REPLACE "<context>" ";<context>" contexts "${xml}")
foreach(context IN LISTS contexts)
    if(NOT context MATCHES "<name>([^<]*)</name>")
        continue()
    endif()
    literal_of("${CMAKE_MATCH_1}" contextName)
    string(REPLACE "<message" ";<message" messages "${context}")
    foreach(message IN LISTS messages)
        if(NOT message MATCHES "<source>([^<]*)</source>")
            continue()
        endif()
        literal_of("${CMAKE_MATCH_1}" source)
        # Unfinished, vanished and obsolete entries keep the source text, as Qt does.
        if(NOT message MATCHES "<translation>([^<]+)</translation>")
            continue()
        endif()
        literal_of("${CMAKE_MATCH_1}" translation)
        string(APPEND rows "    {\"${contextName}\", \"${source}\", \"${translation}\"},\n")
        math(EXPR count "${count} + 1")
    endforeach()
endforeach()
if(count EQUAL 0)
    message(FATAL_ERROR "${TS} holds no finished translation")
endif()

get_filename_component(tsName "${TS}" NAME)
set(text "// Made by cmake/TsTable.cmake from ${tsName} at build time: edit the .ts file, not this.
#include \"win/TranslationTable.h\"

namespace korvane {

const TranslatedText ${NAME}[] = {
${rows}};
const std::size_t ${NAME}Count = ${count};

}  // namespace korvane
")
# Rewritten only when it changed, so that a touched .ts file rebuilds nothing else.
file(WRITE "${OUT}.new" "${text}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
