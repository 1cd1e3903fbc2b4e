# tarvex_install_compressed(SOURCE DESTINATION): installs SOURCE into DESTINATION compressed as
# Debian wants manual pages and change logs: gzip at its best, without the name and time stamp
# of the source in the header, so that the same source always gives the same bytes.
function(tarvex_install_compressed source destination)
    get_filename_component(name ${source} NAME)
    set(compressed ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND gzip -9 --no-name --stdout ${source} > ${compressed}
        DEPENDS ${source})
    add_custom_target(tarvex_compress_${name} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${destination})
endfunction()
