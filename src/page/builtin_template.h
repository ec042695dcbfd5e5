// The page template compiled into the tool: the text of web/template.html at build
// time, used when the working directory has no "template.html".
#pragma once

#include <string_view>

namespace tlmaper {

std::string_view BuiltInPageTemplate();

}  // namespace tlmaper
