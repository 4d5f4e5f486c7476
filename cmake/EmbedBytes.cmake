# cmake -DINPUT=file -DOUTPUT=source.cpp -DNAME=Symbol -DSIZE=n -P EmbedBytes.cmake
# writes a C++ source file that defines `extern const uint8_t Symbol[n]` with the
# bytes of file, which must be exactly n bytes long.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR bytes "${digits} / 2")
if(NOT bytes EQUAL SIZE)
  message(FATAL_ERROR "${INPUT} holds ${bytes} bytes, not ${SIZE}")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," values "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " values "${values}")
file(WRITE "${OUTPUT}.new"
  "// Generated from ${INPUT} at build time; do not edit.\n"
  "#include <cstdint>\n\n"
  "extern const uint8_t ${NAME}[${SIZE}];\n"
  "const uint8_t ${NAME}[${SIZE}] = {\n    ${values}\n};\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
