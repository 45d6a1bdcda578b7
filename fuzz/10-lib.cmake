# libFuzzer targets of the library core: archive lookup (in memory and through
# quon_dar_add_file), OIA meshes, font descriptions and memory-file reads.
if(NOT QUON_FUZZ_READY)
  return()
endif()
foreach(_name archive oia font memfile)
  quon_add_fuzzer(${_name})
endforeach()
