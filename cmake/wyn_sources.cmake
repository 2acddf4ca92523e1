# Source selection by file-name suffix (see the top-level CMakeLists.txt).

# wyn_collect_sources(<out-var> <dir>...): the .cpp files of the directories that belong
# to this platform and are not tests.
function(wyn_collect_sources out)
  set(result "")
  foreach(dir IN LISTS ARGN)
    file(GLOB files CONFIGURE_DEPENDS "${dir}/*.cpp")
    foreach(f IN LISTS files)
      get_filename_component(name "${f}" NAME_WE)
      if(name MATCHES "_test$" OR name MATCHES "${WYN_OTHER_SUFFIX}$")
        continue()
      endif()
      list(APPEND result "${f}")
    endforeach()
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# wyn_collect_tests(<out-var> <dir>...): the unit tests of the directories for this platform.
function(wyn_collect_tests out)
  set(result "")
  foreach(dir IN LISTS ARGN)
    file(GLOB files CONFIGURE_DEPENDS "${dir}/*_test.cpp")
    foreach(f IN LISTS files)
      get_filename_component(name "${f}" NAME_WE)
      if(name MATCHES "${WYN_OTHER_SUFFIX}_test$")
        continue()
      endif()
      list(APPEND result "${f}")
    endforeach()
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

# wyn_add_optional_subdirectories(<dir>): every <dir>/<name>/ that has a CMakeLists.txt.
function(wyn_add_optional_subdirectories parent)
  file(GLOB lists CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${parent}/*/CMakeLists.txt")
  list(SORT lists)
  foreach(l IN LISTS lists)
    get_filename_component(dir "${l}" DIRECTORY)
    add_subdirectory("${dir}")
  endforeach()
endfunction()
