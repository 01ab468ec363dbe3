# Turns a string table source (one line per id: the id, a tab, a C string
# literal) into a Win32 STRINGTABLE script and a C table of the same texts.
#   -DINPUT=<table.txt> -DOUT_DIR=<dir>
#   -DNAME=<base name of the outputs>         default: strings
#   -DLANGUAGE=<primary, sublanguage>         default: 0, 1 (neutral)
#   -DCODEPAGE=<ANSI code page of the texts>  default: 1252
# Outputs <NAME>.rc and <NAME>_table.inc. The C table holds the bytes that
# LoadStringA returns on a system with that ANSI code page.
#
# Sources are UTF-8. For code page 1250 every letter of the map below becomes its
# Windows-1250 byte, written as a three-digit octal escape (unlike \xHH, an octal
# escape cannot swallow a following digit, in C or in windres). Any other non-ASCII
# character stops the build: LoadStringA could not return it on such a system.
if(NOT NAME)
  set(NAME strings)
endif()
if(NOT DEFINED LANGUAGE)
  set(LANGUAGE "0, 1")
endif()
if(NOT CODEPAGE)
  set(CODEPAGE 1252)
endif()

# UTF-8 character, its Windows-1250 byte.
set(map_1250
  á E1 Á C1 č E8 Č C8 ď EF Ď CF é E9 É C9 ě EC Ě CC í ED Í CD ň F2 Ň D2
  ó F3 Ó D3 ř F8 Ř D8 š 9A Š 8A ť 9D Ť 8D ú FA Ú DA ů F9 Ů D9 ý FD Ý DD
  ž 9E Ž 8E × D7 „ 84 “ 93 – 96 … 85 ° B0)

set(map_chars)
set(map_escapes)
if(DEFINED map_${CODEPAGE})
  set(pairs ${map_${CODEPAGE}})
  list(LENGTH pairs n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET pairs ${i} char)
    list(GET pairs ${j} hex)
    math(EXPR byte "0x${hex}")
    math(EXPR d1 "${byte} / 64")
    math(EXPR d2 "(${byte} / 8) % 8")
    math(EXPR d3 "${byte} % 8")
    list(APPEND map_chars "${char}")
    list(APPEND map_escapes "\\${d1}${d2}${d3}")
  endforeach()
endif()

get_filename_component(source_name ${INPUT} NAME)
file(STRINGS ${INPUT} lines ENCODING UTF-8)
# windres reads narrow texts in the code page named by the pragma (its default is
# 1252 whatever the LANGUAGE); the last line restores that default for what follows.
set(rc "// Generated from resources/strings/${source_name}; do not edit.\n#pragma code_page(${CODEPAGE})\nLANGUAGE ${LANGUAGE}\nSTRINGTABLE\nBEGIN\n")
set(inc "// Generated from resources/strings/${source_name}; do not edit.\n")
set(previous -1)
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#|$)")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)\t(\".*\")[ \t]*$")
    message(FATAL_ERROR "strings: malformed line: ${line}")
  endif()
  set(id ${CMAKE_MATCH_1})
  set(text "${CMAKE_MATCH_2}")
  if(NOT id GREATER previous)
    message(FATAL_ERROR "strings: id ${id} is out of order or repeated")
  endif()
  set(previous ${id})
  if(text MATCHES "[^\t -~]")
    foreach(char escape IN ZIP_LISTS map_chars map_escapes)
      string(REPLACE "${char}" "${escape}" text "${text}")
    endforeach()
    if(text MATCHES "[^\t -~]")
      message(FATAL_ERROR "strings: id ${id} has a character without a byte in code page ${CODEPAGE}")
    endif()
  endif()
  string(APPEND inc "{${id}u, ${text}},\n")
  # Resource scripts write an embedded quote as two quotes.
  string(REPLACE "\\\"" "\"\"" rc_text "${text}")
  string(APPEND rc "  ${id}, ${rc_text}\n")
endforeach()
string(APPEND rc "END\n#pragma code_page(1252)\n")
file(WRITE ${OUT_DIR}/${NAME}.rc.tmp "${rc}")
file(WRITE ${OUT_DIR}/${NAME}_table.inc.tmp "${inc}")
file(COPY_FILE ${OUT_DIR}/${NAME}.rc.tmp ${OUT_DIR}/${NAME}.rc ONLY_IF_DIFFERENT)
file(COPY_FILE ${OUT_DIR}/${NAME}_table.inc.tmp ${OUT_DIR}/${NAME}_table.inc ONLY_IF_DIFFERENT)
