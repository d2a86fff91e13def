# Writes a C++ file holding INPUT's bytes as LogoBmp (empty when INPUT is "").
if(INPUT STREQUAL "")
  set(bytes "0")
  set(size 0)
else()
  file(READ "${INPUT}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
endif()
file(WRITE "${OUTPUT}.tmp"
  "#include \"resources/logo_data.h\"\n"
  "const unsigned char LogoBmp[] = {${bytes}};\n"
  "const std::size_t LogoBmpSize = ${size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
