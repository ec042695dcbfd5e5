# Writes OUTPUT, a C++ source whose BuiltInPageTemplate() returns the bytes of INPUT
# exactly: every byte as a hexadecimal escape, so no byte of the template can end or
# bend the string literal.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
set(literals "")
set(offset 0)
while(offset LESS hexLength)
  string(SUBSTRING "${hex}" ${offset} 64 chunk)
  string(REGEX REPLACE "(..)" "\\\\x\\1" chunk "${chunk}")
  string(APPEND literals "    \"${chunk}\"\n")
  math(EXPR offset "${offset} + 64")
endwhile()
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
