// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Version.h"

#include <string_view>

namespace nullsweep {

// The addresses behind OpenWebSite and OpenMailTo.
inline constexpr std::string_view WebSiteAddress = NULLSWEEP_HOMEPAGE;
inline constexpr std::string_view MailToAddress = "mailto:nullsweep@example.org";

// Open the maker's web site and a mail to the maker through Shell() (the About box's links and
// the window's web button). Both return true.
bool OpenWebSite();
bool OpenMailTo();

} // namespace nullsweep
