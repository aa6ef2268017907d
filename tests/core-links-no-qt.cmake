# Fails when the Qt-free parts link Qt: the core target's own link line, and the
# programs built on the core alone (their dynamic section lists every shared library
# they load).
#   cmake -DLINKS=<vornix_core's link libraries> -DPROGRAMS=<files> -P core-links-no-qt.cmake
foreach(lib IN LISTS LINKS)
  if(lib MATCHES "Qt")
    message(FATAL_ERROR "vornix_core links ${lib}")
  endif()
endforeach()
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND readelf -d ${program} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "readelf could not read ${program}")
  endif()
  if(NOT dynamic MATCHES "NEEDED")
    message(FATAL_ERROR "${program} lists no shared libraries; the check would see nothing")
  endif()
  if(dynamic MATCHES "libQt")
    message(FATAL_ERROR "${program} loads Qt:\n${dynamic}")
  endif()
endforeach()
