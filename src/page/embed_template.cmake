# Writes OUTPUT, a C++ source whose BuiltInPageTemplate() returns the bytes of INPUT
# exactly. The bytes form a character array, one '\xNN' literal each: no byte of the
# template can end or bend a literal, and the array has no length limit (a string
# literal of this size is beyond what compilers must accept). Done in whole-text
# passes: the template carries Leaflet and is large.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "(..)" "'\\\\x\\1'," characters "${hex}")
# 16 bytes to a source line.
set(sixteen "")
foreach(i RANGE 1 16)
  string(APPEND sixteen "'\\\\x..',")
endforeach()
string(REGEX REPLACE "(${sixteen})" "\\1\n    " characters "${characters}")
file(WRITE "${OUTPUT}"
"// Generated from web/template.html by src/page/embed_template.cmake; do not edit.
#include \"page/builtin_template.h\"

namespace tlmaper {

std::string_view BuiltInPageTemplate() {
  // A trailing NUL keeps the array non-empty for an empty template.
  static constexpr char Text[] = {
    ${characters}'\\0'};
  return {Text, sizeof(Text) - 1};
}

}  // namespace tlmaper
")
