# quon_add_archive(TARGET MANIFEST QDAR [ALLOW_MISSING])
# Packs the files listed in MANIFEST ("archive-name<TAB>file-path" lines, paths
# relative to the manifest's folder; "include OTHER" lines list another
# manifest's entries there) with the packer QDAR and links the archive into
# TARGET as an object that defines dataQuonData_data, dataQuonData and
# dataQuonData_size; the target's property QUON_ARCHIVE names the archive
# file. A listed file that does not exist fails the build, unless
# ALLOW_MISSING is given or the cache option QUON_ARCHIVE_ALLOW_MISSING is on
# (for bootstrapping, before the generators have made every asset): then its
# entry is left out and the packer says which. The archive repacks when a
# listed file or manifest changes; for a missing file the nearest existing
# folder is watched instead, so that adding the file reconfigures and repacks.
option(QUON_ARCHIVE_ALLOW_MISSING
  "Pack the demo's archives even when listed assets are missing (bootstrapping only)" OFF)

# The files that MANIFEST and the manifests it includes name, and those
# manifests, appended to the list OUT. (qdar checks the contents; this only
# follows them.)
function(_quon_manifest_files manifest out)
  set(_files ${${out}} ${manifest})
  get_filename_component(_mdir ${manifest} DIRECTORY)
  file(STRINGS ${manifest} _lines)
  foreach(_line IN LISTS _lines)
    string(REGEX REPLACE "\r$" "" _line "${_line}")
    set(_include FALSE)
    if(_line MATCHES "^([^\t#][^\t]*)\t(.+)$")
      set(_path ${CMAKE_MATCH_2})
    elseif(_line MATCHES "^include ([^\t]+)$")
      set(_path ${CMAKE_MATCH_1})
      set(_include TRUE)
    else()
      continue()
    endif()
    if(NOT IS_ABSOLUTE ${_path})
      set(_path ${_mdir}/${_path})
    endif()
    if(_include AND EXISTS ${_path} AND NOT _path IN_LIST _files)
      _quon_manifest_files(${_path} _files)
    else()
      list(APPEND _files ${_path})
    endif()
  endforeach()
  set(${out} ${_files} PARENT_SCOPE)
endfunction()

function(quon_add_archive target manifest qdar)
  cmake_parse_arguments(A "ALLOW_MISSING" "" "" ${ARGN})
  set(_allow "")
  if(A_ALLOW_MISSING OR QUON_ARCHIVE_ALLOW_MISSING)
    set(_allow --allow-missing)
  endif()
  get_filename_component(_mname ${manifest} NAME_WE)
  set(_files "")
  _quon_manifest_files(${manifest} _files)
  set(_deps "")
  foreach(_path IN LISTS _files)
    if(NOT EXISTS ${_path})
      while(NOT IS_DIRECTORY ${_path})
        get_filename_component(_path ${_path} DIRECTORY)
      endwhile()
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_path})
    list(APPEND _deps ${_path})
  endforeach()
  set(_out ${CMAKE_CURRENT_BINARY_DIR}/${_mname}.qdar)
  set_target_properties(${target} PROPERTIES QUON_ARCHIVE ${_out})
  set(_asm ${CMAKE_CURRENT_BINARY_DIR}/${target}_archive.S)
  if(TARGET ${qdar})
    set(_qdar_cmd $<TARGET_FILE:${qdar}>)
    list(APPEND _deps ${qdar})
  else()
    set(_qdar_cmd ${qdar})
  endif()
  add_custom_command(OUTPUT ${_out}
    COMMAND ${_qdar_cmd} pack ${_allow} ${_out} ${manifest}
    DEPENDS ${_deps}
    COMMENT "Packing ${manifest}"
    VERBATIM)
  if(EMSCRIPTEN)
    # No assembler route here: a generated C source holds the bytes.
    set(_src ${CMAKE_CURRENT_BINARY_DIR}/${target}_archive.c)
    add_custom_command(OUTPUT ${_src}
      COMMAND ${CMAKE_COMMAND} -DIN=${_out} -DOUT=${_src} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/QuonArchiveSource.cmake
      DEPENDS ${_out} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/QuonArchiveSource.cmake
      COMMENT "Writing ${target}_archive.c"
      VERBATIM)
    target_sources(${target} PRIVATE ${_src})
    return()
  endif()
  set(_note "")
  if(NOT WIN32)
    set(_note ".section .note.GNU-stack,\"\",@progbits\n")
  endif()
  # Written through a copy so that a reconfigure leaves an unchanged file (and
  # the program) alone.
  file(WRITE ${_asm}.in
    "/* The packed asset archive, linked into the program image. */\n"
    "    .section .data\n"
    "    .globl dataQuonData_data\n"
    "    .balign 16\n"
    "dataQuonData_data:\n"
    "    .incbin \"${_out}\"\n"
    "dataQuonData_end:\n"
    "    .globl dataQuonData\n"
    "    .balign 8\n"
    "dataQuonData:\n"
    "    .quad dataQuonData_data\n"
    "    .globl dataQuonData_size\n"
    "    .balign 4\n"
    "dataQuonData_size:\n"
    "    .long dataQuonData_end - dataQuonData_data\n"
    ${_note})
  configure_file(${_asm}.in ${_asm} COPYONLY)
  set_source_files_properties(${_asm} PROPERTIES OBJECT_DEPENDS ${_out})
  target_sources(${target} PRIVATE ${_asm})
  add_custom_target(${target}_archive DEPENDS ${_out})
  add_dependencies(${target} ${target}_archive)
endfunction()
