# Writes the pictures of the JPGI tests into OUT_DIR: plain-text PPM/PGM sources with
# flat colour blocks aligned to the 8x8 and 16x16 JPEG blocks, encoded by Debian's
# cjpeg (CJPEG) at quality 100, and one CMYK file from ImageMagick (CONVERT).
# Run as: cmake -DOUT_DIR=... -DCJPEG=... -DCONVERT=... -P make_test_pictures.cmake

file(MAKE_DIRECTORY "${OUT_DIR}/sources")

# write_picture(<name> <width> <height> <kind> <colour per pixel row by row ...>)
# kind P3 takes "r g b" triples, P2 single grey values.
function(write_picture name width height kind)
  list(JOIN ARGN "\n" body)
  if(kind STREQUAL "P3")
    set(path "${OUT_DIR}/sources/${name}.ppm")
  else()
    set(path "${OUT_DIR}/sources/${name}.pgm")
  endif()
  file(WRITE "${path}" "${kind}\n${width} ${height}\n255\n${body}\n")
  set(picture_source "${path}" PARENT_SCOPE)
endfunction()

# Quadrants of 16x16: red, green above blue, white.
set(rows)
foreach(y RANGE 31)
  foreach(x RANGE 31)
    if(y LESS 16 AND x LESS 16)
      list(APPEND rows "255 0 0")
    elseif(y LESS 16)
      list(APPEND rows "0 255 0")
    elseif(x LESS 16)
      list(APPEND rows "0 0 255")
    else()
      list(APPEND rows "255 255 255")
    endif()
  endforeach()
endforeach()
write_picture(quadrants 32 32 P3 ${rows})
set(quadrants "${picture_source}")

# Widths whose 24-bit rows need padding; blue rows above yellow ones.
foreach(width 3 5 7)
  set(rows)
  math(EXPR last "${width} - 1")
  foreach(y RANGE 15)
    foreach(x RANGE ${last})
      if(y LESS 8)
        list(APPEND rows "0 0 255")
      else()
        list(APPEND rows "255 255 0")
      endif()
    endforeach()
  endforeach()
  write_picture(stripes-${width}x16 ${width} 16 P3 ${rows})
  set(stripes_${width} "${picture_source}")
endforeach()

write_picture(pixel 1 1 P3 "200 100 50")
set(pixel "${picture_source}")

set(rows)
foreach(y RANGE 15)
  foreach(x RANGE 15)
    if(y LESS 8)
      list(APPEND rows 40)
    else()
      list(APPEND rows 220)
    endif()
  endforeach()
endforeach()
write_picture(grey 16 16 P2 ${rows})
set(grey "${picture_source}")

function(encode output source)
  execute_process(COMMAND "${CJPEG}" -quality 100 ${ARGN} -outfile "${OUT_DIR}/${output}" "${source}"
                  RESULT_VARIABLE result ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cjpeg failed on ${output}: ${errors}")
  endif()
endfunction()

encode(quadrants-444.jpg "${quadrants}" -sample 1x1)
encode(quadrants-420.jpg "${quadrants}" -sample 2x2)
encode(quadrants-progressive.jpg "${quadrants}" -sample 1x1 -progressive)
encode(quadrants-arithmetic.jpg "${quadrants}" -sample 1x1 -arithmetic)
encode(quadrants-restart.jpg "${quadrants}" -sample 1x1 -restart 1B)
encode(quadrants-rgb.jpg "${quadrants}" -rgb)
foreach(width 3 5 7)
  encode(stripes-${width}x16.jpg "${stripes_${width}}" -sample 1x1)
endforeach()
encode(pixel.jpg "${pixel}" -sample 1x1)
encode(grey.jpg "${grey}")

execute_process(COMMAND "${CONVERT}" -size 16x16 xc:red -colorspace CMYK -quality 100
                        "${OUT_DIR}/cmyk.jpg"
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "convert failed on cmyk.jpg: ${errors}")
endif()
