# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P EmbedFile.cmake
# Writes a C++ source defining `const unsigned char SYMBOL[]` and `const unsigned SYMBOLSize`.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){24})" "\\1\n  " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by the build; do not edit.\n"
  "namespace tv {\n"
  "extern const unsigned char ${SYMBOL}[];\n"
  "extern const unsigned ${SYMBOL}Size;\n"
  "alignas(4) const unsigned char ${SYMBOL}[${size} + 1] = {\n  ${bytes}0};\n"
  "const unsigned ${SYMBOL}Size = ${size};\n"
  "}  // namespace tv\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
