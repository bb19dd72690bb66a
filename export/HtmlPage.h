// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/ExportOutput.h"
#include "export/ExportRows.h"

#include <string>
#include <string_view>

namespace nullsweep {

// The page's fixed head: an empty title element and the style sheet of the three table
// classes. Its runs of blanks are part of it.
inline constexpr std::string_view HtmlHead =
    "<HTML><HEAD> <Title></Title><Style type=\"text/css\">  BODY { background: #FFFFFF;"
    " color: #000000;         font-family: Arial;  }  A:link { color: #FF0000 }"
    "  A:visited { color: #800080 }  A:active { color: #0000FF }  .ThRows {"
    "            background-color: #CEC6B5;"
    "            color: #000000;            font-weight: bold; text-align: center;"
    "            font-family: Arial;  }  .TrARow {            background-color: #DEE7DE;"
    "            color: #000000;            font-family: Arial;  }"
    "  .TrBRow  {            background-color: #FFFBF0;            color: #000000;"
    "            font-family: Arial;  }</STYLE></HEAD><BODY>";

// Writes the page for the rows, all on one line, followed by CR LF. `title` is shown
// above the table.
void WriteHTML(ByteSink& sink, const ExportRows& rows, const ExportColumns& columns,
               std::string_view title);

} // namespace nullsweep
