# Our artwork: SVG sources in src/resources/img rendered to PNG with rsvg-convert at build time
# and compiled into the target's resources under ":/img/<name>.png"; the program icon is packed
# into logo.ico from several renderings of logo.svg; animations are rendered frame by frame from
# one SVG template each.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

# kestra_artwork(<target> <group> <picture>...): each picture is "name" (name.svg at its own
# size) or "name=source:size" (source.svg rendered size x size pixels). Each window family adds
# its own group.
function(kestra_artwork target group)
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
    qt_add_resources(${target} kestra_artwork_${group} PREFIX /img FILES ${pictures})
endfunction()

# kestra_program_icon(<target>): ":/img/logo.ico", several sizes of logo.svg in one file.
function(kestra_program_icon target)
    set(svg_dir ${CMAKE_CURRENT_SOURCE_DIR}/resources/img)
    set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/img)
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
    qt_add_resources(${target} kestra_program_icon PREFIX /img FILES ${out_dir}/logo.ico)
endfunction()

# kestra_animation(<target> <folder> <stem> <frames> <template>): renders
# resources/anim/<template>.svg once per frame into ":/loading/<folder>/<stem>NN.png" (NN the
# two-digit, zero-filled frame number). In the template, @FRAME@ is the frame number, @ANGLE@
# the turn in whole degrees (360 * frame / frames) and @STEP@ the progress in percent
# (100 * frame / frames); each frame's SVG is written at configure time.
function(kestra_animation target folder stem frames template)
    set(source ${CMAKE_CURRENT_SOURCE_DIR}/resources/anim/${template}.svg)
    set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/loading/${folder})
    file(MAKE_DIRECTORY ${out_dir})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(READ ${source} svg)
    set(pictures)
    math(EXPR last "${frames} - 1")
    foreach(frame RANGE ${last})
        math(EXPR angle "360 * ${frame} / ${frames}")
        math(EXPR step "100 * ${frame} / ${frames}")
        string(REPLACE "@FRAME@" "${frame}" frame_svg "${svg}")
        string(REPLACE "@ANGLE@" "${angle}" frame_svg "${frame_svg}")
        string(REPLACE "@STEP@" "${step}" frame_svg "${frame_svg}")
        if(frame LESS 10)
            set(number 0${frame})
        else()
            set(number ${frame})
        endif()
        file(CONFIGURE OUTPUT ${out_dir}/${stem}${number}.svg CONTENT "${frame_svg}" @ONLY)
        add_custom_command(OUTPUT ${out_dir}/${stem}${number}.png
            COMMAND ${RSVG_CONVERT} -o ${out_dir}/${stem}${number}.png ${out_dir}/${stem}${number}.svg
            DEPENDS ${out_dir}/${stem}${number}.svg
            VERBATIM)
        set_source_files_properties(${out_dir}/${stem}${number}.png PROPERTIES
            QT_RESOURCE_ALIAS ${folder}/${stem}${number}.png)
        list(APPEND pictures ${out_dir}/${stem}${number}.png)
    endforeach()
    qt_add_resources(${target} kestra_animation_${folder} PREFIX /loading FILES ${pictures})
endfunction()
