# quiltor_add_version_record(target
#   FILE_TYPE app|dll FILE_VERSION a.b.c.d PRODUCT_VERSION a.b.c.d
#   TRANSLATION 041904E3 STRINGS "Key=Value" ...)
# Writes a version record into the section ".quiltor_version" of the target's
# binary: a build-time tool turns the fields into a C array in that section.
function(quiltor_add_version_record target)
  cmake_parse_arguments(ARG "" "FILE_TYPE;FILE_VERSION;PRODUCT_VERSION;TRANSLATION" "STRINGS" ${ARGN})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_versionrecord.c)
  set(args -o ${output}
    --file-type ${ARG_FILE_TYPE}
    --file-version ${ARG_FILE_VERSION}
    --product-version ${ARG_PRODUCT_VERSION}
    --translation ${ARG_TRANSLATION})
  foreach(pair IN LISTS ARG_STRINGS)
    list(APPEND args --string "${pair}")
  endforeach()
  add_custom_command(OUTPUT ${output}
    COMMAND quiltor-versionrecord ${args}
    DEPENDS quiltor-versionrecord
    COMMENT "Version record for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
  # The array is only ever read from the file, never from code.
  set_source_files_properties(${output} PROPERTIES COMPILE_OPTIONS -Wno-pedantic)
endfunction()
