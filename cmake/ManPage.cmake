# Writes a French manual page from a program's own --help and --version, then compresses it.
# cmake -DHELP2MAN=... -DGZIP=... -DPROGRAM=... -DINCLUDE=... -DOUTPUT=page.1.gz
#       -DTITLE=NAME -DVERSION=... -P ManPage.cmake
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{LC_ALL} C.UTF-8)
get_filename_component(name "${PROGRAM}" NAME)
execute_process(COMMAND "${HELP2MAN}" --no-info --no-discard-stderr --locale=C.UTF-8 --section=1 --include=${INCLUDE} "${PROGRAM}"
                OUTPUT_VARIABLE page RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "help2man failed on ${PROGRAM}")
endif()
# help2man's own headings are English here (no French locale is needed at build time).
string(TIMESTAMP date "%Y-%m-%d" UTC)
string(REGEX REPLACE "\\.TH [^\n]*\n"
       ".TH ${TITLE} 1 \"${date}\" \"${name} ${VERSION}\" \"Commandes utilisateur\"\n" page "${page}")
string(REGEX REPLACE "\n\\.SH DESCRIPTION\nUtilisation : ([^\n]*)\n"
       "\n.SH SYNOPSIS\n.B \\1\n.SH DESCRIPTION\n" page "${page}")
foreach(pair "NAME;NOM" "OPTIONS;OPTIONS" "AUTHOR;AUTEUR" "REPORTING BUGS;SIGNALER DES BOGUES"
             "SEE ALSO;VOIR AUSSI" "COPYRIGHT;DROITS D'AUTEUR")
  list(GET pair 0 english)
  list(GET pair 1 french)
  string(REPLACE "\n.SH ${english}\n" "\n.SH ${french}\n" page "${page}")
  string(REPLACE "\n.SH \"${english}\"\n" "\n.SH \"${french}\"\n" page "${page}")
endforeach()
string(REGEX REPLACE "^[^\n]*DO NOT MODIFY[^\n]*\n" ".\\\\\" Écrite à partir de « ${name} --help » par help2man.\n"
       page "${page}")
string(REGEX REPLACE "\\.gz$" "" plain "${OUTPUT}")
file(WRITE "${plain}" "${page}")
execute_process(COMMAND "${GZIP}" -9nf "${plain}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed on ${plain}")
endif()
