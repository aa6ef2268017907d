# The window program and its library. Included from the top-level CMakeLists.txt.
find_package(Qt6 REQUIRED COMPONENTS Widgets Network Charts Svg)
set(CMAKE_AUTOMOC ON)

# The chart drawing, shared by the Charts window and vornix-count --plot.
add_library(vornix_charts STATIC display/ChartDrawing.cpp)
target_link_libraries(vornix_charts PUBLIC vornix_core Qt6::Widgets Qt6::Charts Qt6::Svg)
target_compile_options(vornix_charts PRIVATE ${VORNIX_WARNINGS})

# vornix-count --plot draws with a program of its own, so that vornix-count itself
# starts without loading Qt. It sits beside vornix-count in the build folder and in
# libexec/vornix when installed; a build without the window program has no --plot.
add_executable(vornix-count-plot cli/CountPlotMain.cpp)
target_link_libraries(vornix-count-plot PRIVATE vornix_charts)
target_compile_options(vornix-count-plot PRIVATE ${VORNIX_WARNINGS})
set_target_properties(vornix-count-plot PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
install(TARGETS vornix-count-plot RUNTIME DESTINATION libexec/vornix)

add_library(vornix_gui STATIC
  ui/UiServices.cpp
  ui/WindowPlacement.cpp
  shell/VornixMain.cpp
  ui/AddDlg.cpp
  shell/AppWindows.cpp
  shell/SingleInstance.cpp
  shell/HelpController.cpp
  ui/WindowContext.cpp
  ui/HelpWindow.cpp
  input/DocumentController.cpp
  display/ResultModel.cpp
  display/ResultController.cpp
  display/StatsWindow.cpp
  display/SearchWindow.cpp
  display/ContextModel.cpp
  display/ContextWindow.cpp
  display/ContextController.cpp
  display/ChartsWindow.cpp
  output/OutputController.cpp
  commonlist/CommonListController.cpp
)
target_link_libraries(vornix_gui PUBLIC vornix_core vornix_charts Qt6::Widgets Qt6::Network)
target_compile_options(vornix_gui PRIVATE ${VORNIX_WARNINGS})

add_executable(vornix shell/main.cpp)
target_link_libraries(vornix PRIVATE vornix_gui)
target_compile_options(vornix PRIVATE ${VORNIX_WARNINGS})
set_target_properties(vornix PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
install(TARGETS vornix RUNTIME DESTINATION bin)

# The help pages travel beside the built program and are installed with it.
if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/help)
  file(GLOB_RECURSE VORNIX_HELP_FILES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/help/*)
  foreach(f ${VORNIX_HELP_FILES})
    file(RELATIVE_PATH rel ${CMAKE_CURRENT_SOURCE_DIR} ${f})
    configure_file(${f} ${CMAKE_BINARY_DIR}/${rel} COPYONLY)
  endforeach()
  install(DIRECTORY help DESTINATION share/vornix)
endif()
