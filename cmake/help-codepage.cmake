# Writes the help project, contents and pages of SOURCE into DIR converted from UTF-8 to the
# language's ANSI code page, in which the HTML Help engine reads them; the pages then declare
# that charset. Byte for byte apart from that (sed and iconv, as file(READ) would drop the CRs).
#   cmake -DSOURCE=<dir> -DDIR=<dir> -DSED=<sed> -DICONV=<iconv> -DENCODING=<iconv name, e.g. CP950>
#         -DCHARSET=<HTML name, e.g. big5> -P help-codepage.cmake
foreach(variable SOURCE DIR SED ICONV ENCODING CHARSET)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "help-codepage.cmake: ${variable} is not set")
  endif()
endforeach()

file(GLOB files RELATIVE ${SOURCE} ${SOURCE}/*.hhp ${SOURCE}/*.hhc ${SOURCE}/*.htm)
foreach(file ${files})
  execute_process(COMMAND ${SED} -e "s/charset=utf-8/charset=${CHARSET}/" ${SOURCE}/${file}
                  COMMAND ${ICONV} -f UTF-8 -t ${ENCODING}
                  OUTPUT_FILE ${DIR}/${file}
                  ERROR_VARIABLE error
                  RESULTS_VARIABLE results)
  if(NOT results STREQUAL "0;0")
    message(FATAL_ERROR "${SOURCE}/${file}: not convertible to ${ENCODING}: ${error}")
  endif()
endforeach()
