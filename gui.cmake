# The window program and its library. Included from the top-level CMakeLists.txt.
find_package(Qt6 REQUIRED COMPONENTS Widgets Network)
set(CMAKE_AUTOMOC ON)

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
  output/OutputController.cpp
  commonlist/CommonListController.cpp
)
target_link_libraries(vornix_gui PUBLIC vornix_core Qt6::Widgets Qt6::Network)
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
