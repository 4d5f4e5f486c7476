# scour_compile_resources(OUTPUT rc_file DEPENDS files...): compiles a resource
# script from res/ with the target's windres into an object file that can be
# linked straight into a program. The project version reaches the resources from
# here, so project() is the one place it is written: SCOUR_VERSION is the version
# unquoted (the script makes it a text: windres hands its defines to the
# preprocessor through a shell, which would eat quotes), SCOUR_VERSION_WORDS its
# four numbers, the missing ones 0, for the version block.
function(scour_compile_resources output rc_file)
  cmake_parse_arguments(arg "" "" "DEPENDS" ${ARGN})
  set(resource_dir ${CMAKE_SOURCE_DIR}/res)
  set(version_words "")
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(word "${PROJECT_VERSION_${part}}")
    if(word STREQUAL "")
      set(word 0)
    endif()
    list(APPEND version_words ${word})
  endforeach()
  list(JOIN version_words "," version_words)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_RC_COMPILER} -I ${resource_dir}
            -DSCOUR_VERSION=${PROJECT_VERSION} -DSCOUR_VERSION_WORDS=${version_words}
            -O coff -i ${rc_file} -o ${output}
    DEPENDS ${rc_file} ${resource_dir}/version.rc ${arg_DEPENDS}
    COMMENT "Compiling the resources of ${rc_file}"
    VERBATIM)
  set_source_files_properties(${output} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
endfunction()
