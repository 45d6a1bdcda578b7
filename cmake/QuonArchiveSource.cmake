# cmake -DIN=ARCHIVE -DOUT=SOURCE -P QuonArchiveSource.cmake
# Writes a C source that defines dataQuonData_data (the archive's bytes),
# dataQuonData and dataQuonData_size, for toolchains without the assembler
# route (the web build).
file(READ ${IN} _hex HEX)
string(LENGTH "${_hex}" _len)
math(EXPR _size "${_len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
string(REGEX REPLACE "((0x..,){32})" "\\1\n" _bytes "${_bytes}")
file(WRITE ${OUT}.tmp
  "/* The packed asset archive, linked into the program image. */\n"
  "struct quon_data_t;\n"
  "_Alignas(16) unsigned char dataQuonData_data[${_size}] = {\n${_bytes}};\n"
  "struct quon_data_t* dataQuonData = (struct quon_data_t*)dataQuonData_data;\n"
  "int dataQuonData_size = ${_size};\n")
file(RENAME ${OUT}.tmp ${OUT})
