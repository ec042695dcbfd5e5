# Writes OUTPUT: the page template INPUT with every inline line replaced by the bytes of
# the file it names. An inline line holds nothing but
#     /*@inline PATH*/     the file itself
#     /*@bundle PATH*/     the ES module PATH with every module it imports, joined by
#                          esbuild into one script that runs at once
# (leading blanks allowed), PATH relative to WEB, and stands inside a <script> or
# <style> element. The page then carries its scripts and styles itself and needs no
# network. Stops the build when an inlined file is missing, holds a placeholder text
# (the tool's fills would rewrite it) or could end its element early.
#
# Bundle lines need NODE and BUNDLER (web/bundle.mjs, which runs esbuild from
# WEB/node_modules).
cmake_minimum_required(VERSION 3.20)

set(Placeholders "[WORLDNAME]" "[MAPFILENAME]" "[SIZE]" "[PLAYERX]" "[PLAYERY]"
    "[ISLANDDIFFICULTYLAYER]" "[ISLANDNAMELAYER]" "[TOWNLAYER]" "[VISITEDLAYER]"
    "[SHIPDIFFICULTYLAYER]" "[NOTES]")
set(InlineLine "^[ \t]*/\\*@(inline|bundle) ([^*\n]+)\\*/[ \t\r]*$")

function(refuse path)
  string(JOIN "" reason ${ARGN})
  message(FATAL_ERROR "Cannot inline ${path} into ${INPUT}: ${reason}")
endfunction()

# The element an inline line at `offset` stands in: script, style or none, from the
# last opening or closing tag before it.
function(enclosing_element text offset result)
  string(SUBSTRING "${text}" 0 ${offset} before)
  string(TOLOWER "${before}" before)
  set(element none)
  set(last -1)
  foreach(tag "<script" "</script" "<style" "</style")
    string(FIND "${before}" "${tag}" at REVERSE)
    if(at GREATER last)
      set(last ${at})
      if(tag STREQUAL "<script")
        set(element script)
      elseif(tag STREQUAL "<style")
        set(element style)
      else()
        set(element none)
      endif()
    endif()
  endforeach()
  set(${result} ${element} PARENT_SCOPE)
endfunction()

# A file as a data URI, every byte percent-encoded: the page then holds the image itself.
function(data_uri path result)
  get_filename_component(extension "${path}" LAST_EXT)
  string(TOLOWER "${extension}" extension)
  set(type "application/octet-stream")
  foreach(known ".png=image/png" ".gif=image/gif" ".svg=image/svg+xml" ".jpg=image/jpeg"
                ".jpeg=image/jpeg" ".webp=image/webp")
    if(known MATCHES "^${extension}=(.+)$")
      set(type "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  file(READ "${path}" hex HEX)
  string(REGEX REPLACE "(..)" "%\\1" encoded "${hex}")
  set(${result} "data:${type},${encoded}" PARENT_SCOPE)
endfunction()

# Turns every relative url(...) of a style sheet into a data URI of the file it names.
function(embed_style_images css cssPath result)
  get_filename_component(cssDirectory "${cssPath}" DIRECTORY)
  string(REGEX MATCHALL "url\\([ \t]*['\"]?[^'\"():#]+['\"]?[ \t]*\\)" references "${css}")
  list(REMOVE_DUPLICATES references)
  foreach(reference IN LISTS references)
    string(REGEX REPLACE "^url\\([ \t]*['\"]?([^'\"():#]+)['\"]?[ \t]*\\)$" "\\1" relative
                         "${reference}")
    set(image "${cssDirectory}/${relative}")
    if(NOT EXISTS "${image}")
      refuse("${cssPath}" "the image ${image} it uses is missing")
    endif()
    data_uri("${image}" uri)
    string(REPLACE "${reference}" "url(\"${uri}\")" css "${css}")
  endforeach()
  set(${result} "${css}" PARENT_SCOPE)
endfunction()

# The script esbuild makes of the module `fullPath` and the modules it imports: one
# function run at once, so that nothing of it reaches the page's global names.
function(bundled_text path fullPath result)
  if(NOT NODE OR NOT EXISTS "${BUNDLER}")
    refuse("${path}" "bundling needs NODE and BUNDLER")
  endif()
  execute_process(
    COMMAND "${NODE}" "${BUNDLER}" "${fullPath}" WORKING_DIRECTORY "${WEB}"
    RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
    refuse("${path}" "esbuild could not bundle it:\n${errors}")
  endif()
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

# The bytes of one inlined file (or bundle, when `kind` is "bundle"), checked for the
# element it goes into.
function(inlined_text kind path element result)
  set(fullPath "${WEB}/${path}")
  if(NOT EXISTS "${fullPath}" OR IS_DIRECTORY "${fullPath}")
    refuse("${path}" "${fullPath} is missing; run `bash scripts/setup.sh` (it installs the "
           "page's npm packages into web/node_modules)")
  endif()
  if(kind STREQUAL "bundle")
    bundled_text("${path}" "${fullPath}" text)
  else()
    file(READ "${fullPath}" text)
  endif()
  foreach(placeholder IN LISTS Placeholders)
    string(FIND "${text}" "${placeholder}" at)
    if(NOT at EQUAL -1)
      refuse("${path}" "it holds the placeholder text ${placeholder}, which the tool would "
             "replace in every page")
    endif()
  endforeach()
  string(TOLOWER "${text}" lower)
  if(element STREQUAL "script")
    set(enders "</script" "<!--")
  elseif(element STREQUAL "style")
    set(enders "</style")
  else()
    refuse("${path}" "an inline line must stand inside a <script> or <style> element")
  endif()
  foreach(ender IN LISTS enders)
    string(FIND "${lower}" "${ender}" at)
    if(NOT at EQUAL -1)
      refuse("${path}" "it holds \"${ender}\", which would end or bend its <${element}> "
             "element in the page")
    endif()
  endforeach()
  # A source-map reference would send the browser looking for a file that is not there.
  string(REGEX REPLACE "\n?//# sourceMappingURL=[^\n]*" "" text "${text}")
  string(REGEX REPLACE "\n?/\\*# sourceMappingURL=[^\n]*\\*/" "" text "${text}")
  if(element STREQUAL "style")
    embed_style_images("${text}" "${fullPath}" text)
  endif()
  string(REGEX REPLACE "\r?\n$" "" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${INPUT}" template)
string(LENGTH "${template}" templateLength)
set(page "")
set(done 0)  # bytes of the template already in `page`
while(TRUE)
  string(SUBSTRING "${template}" ${done} -1 rest)
  string(FIND "${rest}" "/*@inline " at)
  string(FIND "${rest}" "/*@bundle " bundleAt)
  if(at EQUAL -1 OR (NOT bundleAt EQUAL -1 AND bundleAt LESS at))
    set(at ${bundleAt})
  endif()
  if(at EQUAL -1)
    break()
  endif()
  string(SUBSTRING "${rest}" 0 ${at} before)
  string(FIND "${before}" "\n" lineStart REVERSE)
  math(EXPR lineStart "${lineStart} + 1")
  string(SUBSTRING "${rest}" ${lineStart} -1 fromLine)
  string(FIND "${fromLine}" "\n" lineLength)
  string(SUBSTRING "${fromLine}" 0 ${lineLength} line)
  if(NOT line MATCHES "${InlineLine}")
    message(FATAL_ERROR "In ${INPUT}: an inline line must hold nothing but /*@inline PATH*/ "
                        "or /*@bundle PATH*/; found: ${line}")
  endif()
  set(kind "${CMAKE_MATCH_1}")
  set(path "${CMAKE_MATCH_2}")
  string(SUBSTRING "${before}" 0 ${lineStart} kept)
  string(APPEND page "${kept}")
  math(EXPR lineOffset "${done} + ${lineStart}")
  enclosing_element("${template}" ${lineOffset} element)
  inlined_text(${kind} "${path}" ${element} text)
  string(APPEND page "${text}")
  if(lineLength EQUAL -1)
    set(done ${templateLength})
  else()
    math(EXPR done "${lineOffset} + ${lineLength}")
  endif()
endwhile()
string(SUBSTRING "${template}" ${done} -1 rest)
string(APPEND page "${rest}")
file(WRITE "${OUTPUT}" "${page}")
