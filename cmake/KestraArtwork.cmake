# Our artwork: SVG sources in src/resources/img rendered to PNG with rsvg-convert at build time
# and compiled into the target's resources under ":/img/<name>.png"; the program icon is packed
# into logo.ico from several renderings of logo.svg.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

# kestra_artwork(<target> <picture>...): each picture is "name" (name.svg at its own size) or
# "name=source:size" (source.svg rendered size x size pixels).
function(kestra_artwork target)
    set(svg_dir ${CMAKE_CURRENT_SOURCE_DIR}/resources/img)
    set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/img)
    file(MAKE_DIRECTORY ${out_dir})
    set(pictures)
    foreach(entry IN LISTS ARGN)
        if(entry MATCHES "^([A-Za-z0-9_]+)=([A-Za-z0-9_]+):([0-9]+)$")
            set(name ${CMAKE_MATCH_1})
            set(source ${CMAKE_MATCH_2})
            set(size_args -w ${CMAKE_MATCH_3} -h ${CMAKE_MATCH_3})
        else()
            set(name ${entry})
            set(source ${entry})
            set(size_args)
        endif()
        add_custom_command(OUTPUT ${out_dir}/${name}.png
            COMMAND ${RSVG_CONVERT} ${size_args} -o ${out_dir}/${name}.png ${svg_dir}/${source}.svg
            DEPENDS ${svg_dir}/${source}.svg
            VERBATIM)
        set_source_files_properties(${out_dir}/${name}.png PROPERTIES QT_RESOURCE_ALIAS ${name}.png)
        list(APPEND pictures ${out_dir}/${name}.png)
    endforeach()

    set(icon_pngs)
    foreach(size 16 24 32 48 64 256)
        add_custom_command(OUTPUT ${out_dir}/icon/logo_${size}.png
            COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}/icon
            COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${out_dir}/icon/logo_${size}.png
                    ${svg_dir}/logo.svg
            DEPENDS ${svg_dir}/logo.svg
            VERBATIM)
        list(APPEND icon_pngs ${out_dir}/icon/logo_${size}.png)
    endforeach()
    add_custom_command(OUTPUT ${out_dir}/logo.ico
        COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/pngico.sh ${out_dir}/logo.ico ${icon_pngs}
        DEPENDS ${icon_pngs} ${PROJECT_SOURCE_DIR}/cmake/pngico.sh
        VERBATIM)
    set_source_files_properties(${out_dir}/logo.ico PROPERTIES QT_RESOURCE_ALIAS logo.ico)
    list(APPEND pictures ${out_dir}/logo.ico)

    qt_add_resources(${target} kestra_artwork PREFIX /img FILES ${pictures})
endfunction()
