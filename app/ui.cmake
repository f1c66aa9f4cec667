# SPDX-License-Identifier: GPL-3.0-or-later
# The main window's form and its custom widgets, plus the resources the form
# shows: images rendered from the SVG sources in resources/images and the
# compiled translations. The resources form the OBJECT library
# corvane-ui-resources; link it directly into each executable (inside a static
# archive nothing refers to it, so the linker would drop it).

target_sources(corvane-app-core PRIVATE
  mainwindow.ui
  rotationlabel.h rotationlabel.cpp
  levelslider.h levelslider.cpp
)
set_target_properties(corvane-app-core PROPERTIES AUTOUIC ON)

find_package(Qt5LinguistTools 5.15 REQUIRED)

# The build tree mirrors the resource paths: <ui_res_dir>/ui/res/blade.png is
# ":/ui/res/blade.png".
set(ui_res_dir ${CMAKE_CURRENT_BINARY_DIR}/ui-resources)
set(ui_svg_dir ${CMAKE_CURRENT_SOURCE_DIR}/resources/images)
set(ui_res_files "")

# corvane_ui_image(<resource path> <svg file> <width>x<height> [renderer options...])
function(corvane_ui_image path svg size)
  get_filename_component(dir ${ui_res_dir}/${path} DIRECTORY)
  add_custom_command(OUTPUT ${ui_res_dir}/${path}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND corvane-imagerender ${ARGN} ${ui_svg_dir}/${svg} ${ui_res_dir}/${path} ${size}
    DEPENDS corvane-imagerender ${ui_svg_dir}/${svg}
    COMMENT "Rendering :/${path}"
    VERBATIM)
  set(ui_res_files ${ui_res_files} ${path} PARENT_SCOPE)
endfunction()

# Pictures are drawn at twice the size the form shows them, for high-DPI screens.
corvane_ui_image(ui/res/main_logo.png    brand.svg 350x156 --view "0 0 175 78")
corvane_ui_image(res/logo.png            brand.svg 128x128 --view "200 0 64 64")
corvane_ui_image(ui/res/splash/splash_0.png brand.svg 640x400 --view "0 100 640 400" --set progress:width=187)
corvane_ui_image(ui/res/splash/splash_1.png brand.svg 640x400 --view "0 100 640 400" --set progress:width=373)
corvane_ui_image(ui/res/splash/splash_2.png brand.svg 640x400 --view "0 100 640 400" --set progress:width=560)
corvane_ui_image(ui/res/blade.png        blade.svg 120x120)
# The second blade frame: turned by half of the 360/7 degree blade pitch.
corvane_ui_image(ui/res/blade25.png      blade.svg 120x120 --rotate 25.714)
corvane_ui_image(ui/res/i_model.png      icons.svg 48x48 --view "0 0 24 24")
corvane_ui_image(ui/res/i_power.png      icons.svg 48x48 --view "32 0 24 24")
corvane_ui_image(ui/res/i_connection.png icons.svg 48x48 --view "64 0 24 24")
corvane_ui_image(ui/res/i_sn.png         icons.svg 48x48 --view "96 0 24 24")
corvane_ui_image(ui/res/warning.png      icons.svg 40x40 --view "128 0 24 24")
corvane_ui_image(ui/res/led/cover.png    ledcover.svg 1036x96)
corvane_ui_image(ui/res/led/ledcyc.png   ledglow.svg 1036x128 --set "light:fill=url(#cycle)")

# The LED colours as the panel shows them; the same as the colour buttons of
# mainwindow.ui. Colour N previews both the solid and the breathing effect N.
set(led_palette
  "0, 155, 76" "172, 206, 34" "255, 240, 0" "240, 133, 25" "230, 33, 41"
  "167, 33, 133" "228, 0, 130" "244, 181, 208" "254, 254, 254" "160, 217, 246"
  "98, 195, 208" "0, 162, 233" "0, 109, 184" "47, 49, 139")
set(n 0)
foreach(colour IN LISTS led_palette)
  corvane_ui_image(ui/res/led/led${n}.png ledglow.svg 1036x128 --set "light:fill=rgb(${colour})")
  math(EXPR n "${n} + 1")
endforeach()

# Translations: ":/i18n/<locale>.qm".
set(ui_ts_files ${CMAKE_CURRENT_SOURCE_DIR}/resources/i18n/zh_CN.ts)
foreach(ts IN LISTS ui_ts_files)
  get_filename_component(locale ${ts} NAME_WE)
  add_custom_command(OUTPUT ${ui_res_dir}/i18n/${locale}.qm
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ui_res_dir}/i18n
    COMMAND Qt5::lrelease -silent ${ts} -qm ${ui_res_dir}/i18n/${locale}.qm
    DEPENDS ${ts}
    COMMENT "Compiling the ${locale} translation"
    VERBATIM)
  list(APPEND ui_res_files i18n/${locale}.qm)
endforeach()

set(ui_qrc_entries "")
set(ui_res_paths "")
foreach(path IN LISTS ui_res_files)
  string(APPEND ui_qrc_entries "    <file>${path}</file>\n")
  list(APPEND ui_res_paths ${ui_res_dir}/${path})
endforeach()
file(GENERATE OUTPUT ${ui_res_dir}/corvane_ui.qrc CONTENT
"<!DOCTYPE RCC>
<RCC version=\"1.0\">
  <qresource prefix=\"/\">
${ui_qrc_entries}  </qresource>
</RCC>
")

add_custom_command(OUTPUT ${ui_res_dir}/qrc_corvane_ui.cpp
  COMMAND Qt5::rcc --name corvane_ui --output ${ui_res_dir}/qrc_corvane_ui.cpp ${ui_res_dir}/corvane_ui.qrc
  DEPENDS ${ui_res_dir}/corvane_ui.qrc ${ui_res_paths}
  COMMENT "Compiling the user-interface resources"
  VERBATIM)
add_library(corvane-ui-resources OBJECT ${ui_res_dir}/qrc_corvane_ui.cpp)
set_target_properties(corvane-ui-resources PROPERTIES AUTOMOC OFF)
target_link_libraries(corvane-ui-resources PRIVATE Qt5::Core)
