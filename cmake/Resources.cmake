# Attaching a resource script (string table, icon) to an executable.
#
# On Windows the script is compiled by windres into the image as usual and
# read back with LoadStringA. On POSIX the same script is compiled by windres
# into a .res file, which is embedded in the ELF file and decoded at run time
# by the POSIX platform layer, so that both builds read the very same texts.

if(WIN32)
  enable_language(RC)
else()
  enable_language(ASM)
  find_program(VANDREL_WINDRES NAMES x86_64-w64-mingw32-windres i686-w64-mingw32-windres windres REQUIRED)
endif()

# vandrel_attach_resources(<target> <resource script> [files the script includes...])
function(vandrel_attach_resources target script)
  get_filename_component(script "${script}" ABSOLUTE)
  get_filename_component(script_dir "${script}" DIRECTORY)
  get_filename_component(stem "${script}" NAME_WE)
  if(WIN32)
    target_sources(${target} PRIVATE "${script}")
    set_property(SOURCE "${script}" APPEND PROPERTY INCLUDE_DIRECTORIES "${script_dir}")
    set_property(SOURCE "${script}" APPEND PROPERTY OBJECT_DEPENDS ${ARGN})
  else()
    set(res "${CMAKE_CURRENT_BINARY_DIR}/${target}_${stem}.res")
    set(asm "${CMAKE_CURRENT_BINARY_DIR}/${target}_${stem}_res.S")
    add_custom_command(
      OUTPUT "${res}"
      COMMAND "${VANDREL_WINDRES}" --input-format=rc --output-format=res
              --include-dir "${script_dir}" -i "${script}" -o "${res}"
      DEPENDS "${script}" ${ARGN}
      COMMENT "Compiling resources ${stem}.rc for ${target}")
    file(WRITE "${asm}.in"
"    .section .rodata
    .balign 4
    .global vandrel_resource_begin
    .global vandrel_resource_end
vandrel_resource_begin:
    .incbin \"${res}\"
vandrel_resource_end:
    .byte 0
    .section .note.GNU-stack,\"\",@progbits
")
    configure_file("${asm}.in" "${asm}" COPYONLY)
    set_source_files_properties("${asm}" PROPERTIES OBJECT_DEPENDS "${res}")
    target_sources(${target} PRIVATE "${asm}")
  endif()
endfunction()
