# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DINPUT=<sheet.svg> -DOUTPUT=<picture.svg> -DVIEW="<x> <y> <w> <h>" -P svgartboard.cmake
#
# Writes one artboard of a drawing sheet as a picture of its own: the root
# element's view box becomes VIEW and its size the artboard's. The rest of
# the sheet stays in the file, outside the view.
file(READ "${INPUT}" svg)
string(REGEX MATCH "<svg[^>]*>" root "${svg}")
separate_arguments(view UNIX_COMMAND "${VIEW}")
list(LENGTH view fields)
if(NOT root OR NOT fields EQUAL 4)
  message(FATAL_ERROR "svgartboard: no <svg> root in ${INPUT}, or VIEW is not \"x y w h\": ${VIEW}")
endif()
list(GET view 2 width)
list(GET view 3 height)
string(REGEX REPLACE "[ \t\r\n]+(width|height|viewBox)=\"[^\"]*\"" "" artboard "${root}")
string(REPLACE "<svg" "<svg width=\"${width}\" height=\"${height}\" viewBox=\"${VIEW}\"" artboard "${artboard}")
string(REPLACE "${root}" "${artboard}" svg "${svg}")
file(WRITE "${OUTPUT}" "${svg}")
