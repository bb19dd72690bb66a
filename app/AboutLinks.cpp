// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutLinks.h"

#include "desktop/DesktopShell.h"

#include <string>

namespace nullsweep {

bool OpenWebSite() {
    Shell().OpenUrl(std::string(WebSiteAddress));
    return true;
}

bool OpenMailTo() {
    Shell().OpenUrl(std::string(MailToAddress));
    return true;
}

} // namespace nullsweep
