# Writes OUTPUT, a C++ source whose BuiltInPageTemplate() returns the bytes of INPUT
# exactly: every byte as a hexadecimal escape, so no byte of the template can end or
# bend the string literal. Done in whole-text passes: the template carries Leaflet and
# is large.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
# 16 bytes to a source line.
set(sixteen "")
foreach(i RANGE 1 16)
  string(APPEND sixteen "\\\\x..")
endforeach()
string(REGEX REPLACE "(${sixteen})" "\\1\"\n    \"" escaped "${escaped}")
set(literals "    \"${escaped}\"\n")
file(WRITE "${OUTPUT}"
"// Generated from web/template.html by src/page/embed_template.cmake; do not edit.
#include \"page/builtin_template.h\"

namespace tlmaper {

std::string_view BuiltInPageTemplate() {
  static constexpr char Text[] =
    \"\"
${literals}    ;
  return {Text, sizeof(Text) - 1};
}

}  // namespace tlmaper
")
