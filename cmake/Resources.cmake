# scour_compile_resources(OUTPUT rc_file DEPENDS files...): compiles a resource
# script from res/ with the target's windres into an object file that can be
# linked straight into a program. The project version reaches the version block
# from here, so project() is the one place it is written.
function(scour_compile_resources output rc_file)
  cmake_parse_arguments(arg "" "" "DEPENDS" ${ARGN})
  set(resource_dir ${CMAKE_SOURCE_DIR}/res)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_RC_COMPILER} -I ${resource_dir}
            -DSCOUR_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} -DSCOUR_VERSION_MINOR=${PROJECT_VERSION_MINOR}
            -O coff -i ${rc_file} -o ${output}
    DEPENDS ${rc_file} ${resource_dir}/version.rc ${arg_DEPENDS}
    COMMENT "Compiling the resources of ${rc_file}"
    VERBATIM)
  set_source_files_properties(${output} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
endfunction()
