# Joins the player page's files into one page and writes it as C++ source:
# player.css and player.js take the place of the elements of player.html
# that link them, and the page is cut at the take's script element, whose
# content the program writes. Refuses files that would break the page once
# inlined: a script holding "</script" or "<!--", a style holding "</style".
#
# The page is made four times: with or without what only takes with filled
# samples need, and with or without what only takes with force platforms
# need, so that a page holds the script and style of what its take has and
# no more. That is what player.js holds between lines "//#if fills" (or
# "//#if forces") and "//#endif", and player.css between lines
# "/*#if fills*/" (or "/*#if forces*/") and "/*#endif*/".
#   cmake -DPAGE_DIR=DIR -DOUT=FILE.cpp -P EmbedPage.cmake

file(READ "${PAGE_DIR}/player.html" page_html)
file(READ "${PAGE_DIR}/player.css" page_css)
file(READ "${PAGE_DIR}/player.js" page_js)

# `text` without the lines from each holding `open` to the next holding
# `close`, those included; with `keep`, without the two marker lines only.
function(conditional_part variable text open close keep)
    set(result "")
    string(FIND "${text}" "${open}" at)
    while(NOT at EQUAL -1)
        string(SUBSTRING "${text}" 0 ${at} head)
        string(FIND "${head}" "\n" line_end REVERSE)
        math(EXPR line_start "${line_end} + 1")
        string(SUBSTRING "${text}" 0 ${line_start} head)
        string(APPEND result "${head}")
        string(SUBSTRING "${text}" ${line_start} -1 text)
        string(FIND "${text}" "${close}" end)
        if(end EQUAL -1)
            message(FATAL_ERROR "the player page holds \"${open}\" without \"${close}\"")
        endif()
        string(SUBSTRING "${text}" ${end} -1 tail)
        string(FIND "${tail}" "\n" close_length)
        math(EXPR block_length "${end} + ${close_length} + 1")
        string(SUBSTRING "${text}" 0 ${block_length} block)
        string(SUBSTRING "${text}" ${block_length} -1 text)
        if(keep)
            string(FIND "${block}" "\n" first_end)
            string(FIND "${block}" "\n" last_end REVERSE)
            string(SUBSTRING "${block}" 0 ${last_end} block)
            string(FIND "${block}" "\n" last_start REVERSE)
            math(EXPR inner_start "${first_end} + 1")
            math(EXPR inner_length "${last_start} + 1 - ${inner_start}")
            string(SUBSTRING "${block}" ${inner_start} ${inner_length} inner)
            string(APPEND result "${inner}")
        endif()
        string(FIND "${text}" "${open}" at)
    endwhile()
    set(${variable} "${result}${text}" PARENT_SCOPE)
endfunction()

# Each element must be there once, as written here.
function(replace_once variable element replacement)
    string(FIND "${${variable}}" "${element}" first)
    string(FIND "${${variable}}" "${element}" last REVERSE)
    if(first EQUAL -1 OR NOT first EQUAL last)
        message(FATAL_ERROR "player.html must hold ${element} once")
    endif()
    string(REPLACE "${element}" "${replacement}" result "${${variable}}")
    set(${variable} "${result}" PARENT_SCOPE)
endfunction()

# The page up to and including the take's opening tag, and from its
# closing tag on, into `before_variable` and `after_variable`: with what
# only filled samples need when `fills` is true, and what only force
# platforms need when `forces` is.
function(page_pieces fills forces before_variable after_variable)
    set(html "${page_html}")
    conditional_part(css "${page_css}" "/*#if fills*/" "/*#endif*/" ${fills})
    conditional_part(css "${css}" "/*#if forces*/" "/*#endif*/" ${forces})
    conditional_part(js "${page_js}" "//#if fills" "//#endif" ${fills})
    conditional_part(js "${js}" "//#if forces" "//#endif" ${forces})

    # The script's comment lines and indentation are for whoever reads
    # player.js, and a quarter of its bytes: the page goes without them. That
    # keeps every string whole as long as none runs on to another line, so the
    # script may hold no template literal (`) and no line ending in a backslash.
    string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" js "\n${js}")
    string(REGEX REPLACE "\n[ \t]+" "\n" js "${js}")
    string(SUBSTRING "${js}" 1 -1 js)
    string(FIND "${js}" "`" backquote)
    string(REGEX MATCH "\\\\\n" continued "${js}")
    if(NOT backquote EQUAL -1 OR continued)
        message(FATAL_ERROR "player.js holds a string that runs on to another line")
    endif()

    string(TOLOWER "${js}" js_lower)
    string(TOLOWER "${css}" css_lower)
    foreach(bad "</script" "<!--")
        string(FIND "${js_lower}" "${bad}" at)
        if(NOT at EQUAL -1)
            message(FATAL_ERROR "player.js holds \"${bad}\", which would end its script element")
        endif()
    endforeach()
    string(FIND "${css_lower}" "</style" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "player.css holds \"</style\", which would end its style element")
    endif()

    replace_once(html "<link rel=\"stylesheet\" href=\"player.css\">" "<style>\n${css}</style>")
    replace_once(html "<script src=\"player.js\"></script>" "<script>\n${js}</script>")

    set(take_open "<script type=\"application/json\" id=\"take\">")
    set(take_close "{}</script>")
    string(FIND "${html}" "${take_open}${take_close}" cut)
    if(cut EQUAL -1)
        message(FATAL_ERROR "player.html must hold ${take_open}${take_close}")
    endif()
    string(LENGTH "${take_open}" open_length)
    math(EXPR before_length "${cut} + ${open_length}")
    math(EXPR after_start "${before_length} + 2")  # past the placeholder "{}"
    string(SUBSTRING "${html}" 0 ${before_length} before)
    string(SUBSTRING "${html}" ${after_start} -1 after)

    set(${before_variable} "${before}" PARENT_SCOPE)
    set(${after_variable} "${after}" PARENT_SCOPE)
endfunction()

# A piece as a C++ string literal of hexadecimal escapes, 24 bytes a line,
# so that no byte of the page needs thinking about.
function(as_literal variable text)
    file(WRITE "${OUT}.piece" "${text}")
    file(READ "${OUT}.piece" hex HEX)
    file(REMOVE "${OUT}.piece")
    string(LENGTH "${hex}" digits)
    math(EXPR bytes "${digits} / 2")
    string(REPEAT "[0-9a-f]" 48 line)
    string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" hex "${hex}")
    string(REGEX REPLACE "\n$" "" hex "${hex}")
    string(REPLACE "\n" "\"\n    \"" hex "${hex}")
    set(${variable} "{\n    \"${hex}\",\n    ${bytes}}" PARENT_SCOPE)
endfunction()

# The four pages, named by what they carry: kBeforeTake, kBeforeFilledTake,
# kBeforeForcesTake, kBeforeFilledForcesTake, and their kAfter... pieces.
set(literals "")
foreach(fills FALSE TRUE)
    foreach(forces FALSE TRUE)
        set(name "")
        if(fills)
            string(APPEND name "Filled")
        endif()
        if(forces)
            string(APPEND name "Forces")
        endif()
        page_pieces(${fills} ${forces} before after)
        as_literal(before_literal "${before}")
        as_literal(after_literal "${after}")
        string(APPEND literals
            "const std::string_view kBefore${name}Take${before_literal};\n\n"
            "const std::string_view kAfter${name}Take${after_literal};\n\n")
    endforeach()
endforeach()

file(WRITE "${OUT}"
    "// Generated by view/EmbedPage.cmake from view/page/; edit those files.\n"
    "#include \"view/PlayerPageSources.h\"\n\n"
    "namespace tovview::page {\n\n"
    "${literals}"
    "}  // namespace tovview::page\n")
