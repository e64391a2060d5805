# Writes the manual page of tovfileio from its own --help texts: the
# program's, then each command's, so the page says what --help says.
#   cmake -DTOVFILEIO=PROGRAM -DOUT=FILE -DVERSION=X.Y.Z -P ManPage.cmake

function(run_help out)
    execute_process(COMMAND "${TOVFILEIO}" ${ARGN} --help
                    OUTPUT_VARIABLE text RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${TOVFILEIO} ${ARGN} --help failed: ${status}")
    endif()
    # troff: a backslash is \e; a line starting with a period or an apostrophe
    # would be a request.
    string(REPLACE "\\" "\\e" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_help(main)
# The commands are the words the program's help lists under "Subcommands:".
string(FIND "${main}" "Subcommands:" start)
if(start EQUAL -1)
    message(FATAL_ERROR "${TOVFILEIO} --help lists no commands")
endif()
string(SUBSTRING "${main}" ${start} -1 listed)
string(REGEX MATCHALL "\n  [a-z][-a-z]*" commands "${listed}")

set(page ".TH TOVFILEIO 1 \"\" \"tovfileio ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\ntovfileio \\- HTR and TRC motion-capture files for the Brindle animation host\n")
string(APPEND page ".SH SYNOPSIS\n.B tovfileio\n\\fICOMMAND\\fR [\\fIOPTIONS\\fR] [\\fIFILE\\fR...]\n")
string(APPEND page ".SH DESCRIPTION\n.nf\n${main}.fi\n.SH COMMANDS\n")
foreach(command IN LISTS commands)
    string(STRIP "${command}" command)
    run_help(help ${command})
    string(APPEND page ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
string(APPEND page ".SH FILES\n.TP\n.I ~/.config/brindle/registry.reg\n"
    "The host's settings (in \\fI$XDG_CONFIG_HOME/brindle\\fR when that is set). The dialogs of "
    "import-htr, import-trc and export-htr remember there what OK accepted, and each later run's "
    "dialog starts from it; \\fBtovfileio options\\fR shows it and \\fBtovfileio options "
    "--reset\\fR forgets it.\n")
string(APPEND page ".SH ENVIRONMENT\n.TP\n.B BRINDLE_REGISTRY_FILE\n"
    "The settings file to use instead of the one above.\n")
string(APPEND page ".SH EXIT STATUS\n0 success, 1 a file could not be read or written, 2 a wrong command line.\n")
file(WRITE "${OUT}" "${page}")
