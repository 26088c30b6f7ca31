# Turns the viewer's web files (web/viewer/index.html, viewer.css, viewer.js) into a C++ source that
# defines formats::viewerPageText: the page with the style and the script inlined, so that one written
# index.html is the whole page. The run's setup script goes where index.html loads viewer-setup.js.
#   cmake -DVIEWER_DIR=web/viewer -DOUTPUT=viewer_page_text.cpp -P viewer_page_embed.cmake
cmake_minimum_required(VERSION 3.25)

file(READ "${VIEWER_DIR}/index.html" html)
file(READ "${VIEWER_DIR}/viewer.css" css)
file(READ "${VIEWER_DIR}/viewer.js" js)

# Replaces the one `tag` line in `html` by `text`; fails when the tag is not there exactly once.
function(replace_tag tag text)
  string(FIND "${html}" "${tag}" first)
  string(FIND "${html}" "${tag}" last REVERSE)
  if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "${VIEWER_DIR}/index.html: expected the line ${tag} once")
  endif()
  string(REPLACE "${tag}" "${text}" html "${html}")
  set(html "${html}" PARENT_SCOPE)
endfunction()

replace_tag("<link rel=\"stylesheet\" href=\"viewer.css\">\n" "<style>\n${css}</style>\n")
set(setupMark "@VIEWER_SETUP@")
replace_tag("<script src=\"viewer-setup.js\"></script>\n<script src=\"viewer.js\"></script>\n"
            "<script>\n${setupMark}\n${js}</script>\n")
string(FIND "${html}" "${setupMark}" at)
string(SUBSTRING "${html}" 0 ${at} before)
string(LENGTH "${setupMark}" markLength)
math(EXPR at "${at} + ${markLength}")
string(SUBSTRING "${html}" ${at} -1 after)

set(delimiter "vistrelle_page")
string(FIND "${html}" ")${delimiter}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${VIEWER_DIR}: the text holds )${delimiter}\", which ends the C++ raw string")
endif()

file(CONFIGURE OUTPUT "${OUTPUT}.new" @ONLY NEWLINE_STYLE UNIX CONTENT [=[
// Generated from web/viewer/ by formats/viewer_page_embed.cmake; edit the web files.
#include "formats/viewer_page.h"

#include <string_view>

namespace formats {

std::string viewerPageText(const std::string &setup) {
    static constexpr std::string_view before = R"@delimiter@(@before@)@delimiter@";
    static constexpr std::string_view after = R"@delimiter@(@after@)@delimiter@";
    std::string page;
    page.reserve(before.size() + setup.size() + after.size());
    page += before;
    page += setup;
    page += after;
    return page;
}

}  // namespace formats
]=])
# Rewritten only when it changes, so that touching a web file without changing it rebuilds nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
