# Runs the build's template inliner on small fixtures in SCRATCH: a good template gets its
# files taken in (images as data URIs, source-map references dropped, modules bundled);
# every file that would corrupt the page or is missing stops the build with a message
# naming the cause.
# Usage: cmake -DINLINER=src/page/inline_template.cmake -DSCRATCH=dir -DNODE=node
#              -DBUNDLER=web/bundle.mjs -P this file
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/images")
set(failures "")

# Inlines `template` (with `name` holding `content`) and gives the result and output.
function(inline template name content resultVar outputVar)
  file(WRITE "${SCRATCH}/template.html" "${template}")
  file(WRITE "${SCRATCH}/${name}" "${content}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DINPUT=${SCRATCH}/template.html -DWEB=${SCRATCH}
            -DOUTPUT=${SCRATCH}/page.html -DNODE=${NODE} -DBUNDLER=${BUNDLER} -P ${INLINER}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(REGEX REPLACE "[ \n]+" " " out "${out}")  # CMake wraps its messages
  set(${resultVar} "${result}" PARENT_SCOPE)
  set(${outputVar} "${out}" PARENT_SCOPE)
endfunction()

function(expect_refusal what template name content message)
  inline("${template}" "${name}" "${content}" result output)
  string(FIND "${output}" "${message}" at)
  if(result EQUAL 0 OR at EQUAL -1)
    set(failures "${failures}\n${what}: status ${result}, output: ${output}" PARENT_SCOPE)
  endif()
endfunction()

set(script "<script>\n  /*@inline lib.js*/\n</script>\n")
set(style "<style>\n/*@inline lib.css*/\n</style>\n")
foreach(placeholder "[WORLDNAME]" "[SIZE]" "[SHIPDIFFICULTYLAYER]")
  expect_refusal("placeholder ${placeholder}" "${script}" lib.js "var a = '${placeholder}';"
                 "holds the placeholder text ${placeholder}")
endforeach()
expect_refusal("script end" "${script}" lib.js "var a = '</SCRIPT >';" "\"</script\"")
expect_refusal("comment start" "${script}" lib.js "var a = '<!--';" "\"<!--\"")
expect_refusal("style end" "${style}" lib.css "a::after { content: '</Style>'; }" "\"</style\"")
expect_refusal("outside script and style" "<p>\n/*@inline lib.js*/\n</p>\n" lib.js "1"
               "inside a <script> or <style>")
expect_refusal("missing file" "<script>\n/*@inline gone.js*/\n</script>\n" lib.js ""
               "run `bash scripts/setup.sh`")
expect_refusal("missing image" "${style}" lib.css "a { background: url(images/gone.png); }"
               "images/gone.png it uses is missing")

# A bundle takes in the modules its entry imports, and is checked as a whole.
set(bundle "<script>\n/*@bundle main.js*/\n</script>\n")
file(WRITE "${SCRATCH}/part.js" "export const part = '[SIZE]';\n")
expect_refusal("placeholder in an imported module" "${bundle}" main.js
               "import { part } from './part.js';\nconsole.log(part);\n"
               "holds the placeholder text [SIZE]")
expect_refusal("module that cannot be bundled" "${bundle}" main.js "import './gone.js';\n"
               "esbuild could not bundle it")
file(WRITE "${SCRATCH}/part.js" "export const part = 'taken in';\n")
inline("${bundle}" main.js "import { part } from './part.js';\nwindow.shown = part;\n"
       result output)
file(READ "${SCRATCH}/page.html" page)
if(NOT result EQUAL 0 OR NOT page MATCHES "^<script>\n\\(\\(\\) => {.*\"taken in\".*window\\.shown = part.*}\\)\\(\\);\n</script>\n$")
  set(failures "${failures}\nbundle: status ${result}, ${output}, page:\n${page}")
endif()

# A good template: the lines are replaced, everything else is kept byte for byte.
file(WRITE "${SCRATCH}/images/dot.png" "PNG")
file(WRITE "${SCRATCH}/lib.css" "a { background: url(images/dot.png); }\n/*# sourceMappingURL=lib.css.map */\n")
inline("<p>[WORLDNAME];</p>\n${style}${script}<!-- end -->" lib.js
       "var a = 1;\n//# sourceMappingURL=lib.js.map\n" result output)
file(READ "${SCRATCH}/page.html" page)
set(expected "<p>[WORLDNAME];</p>\n<style>\na { background: url(\"data:image/png,%50%4e%47\"); }\n</style>\n<script>\nvar a = 1;\n</script>\n<!-- end -->")
if(NOT result EQUAL 0 OR NOT page STREQUAL expected)
  set(failures "${failures}\ngood template: status ${result}, ${output}, page:\n${page}")
endif()

if(failures)
  message(FATAL_ERROR "inline_template failures:${failures}")
endif()
