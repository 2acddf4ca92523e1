# Java builds with the configured JDK's own tools (no CMake Java module: it cannot target
# --release 8 and name the jar's place at the same time).
set(WYN_JAVAC "${WYN_JDK}/bin/javac")
set(WYN_JAR "${WYN_JDK}/bin/jar")
set(WYN_JAVADOC "${WYN_JDK}/bin/javadoc")

# wyn_add_jar(<target> OUTPUT <jar> SOURCE_DIR <dir> [RELEASE <n>] [CLASSPATH <entries>...]
#             [MAIN_CLASS <class>] [DEPENDS <targets>...])
# Compiles every .java below SOURCE_DIR into OUTPUT. A directory without sources gives a jar
# that holds only its manifest.
function(wyn_add_jar target)
  cmake_parse_arguments(J "" "OUTPUT;SOURCE_DIR;RELEASE;MAIN_CLASS" "CLASSPATH;DEPENDS" ${ARGN})
  if(NOT J_RELEASE)
    set(J_RELEASE 8)
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${J_SOURCE_DIR}/*.java")
  set(classes "${CMAKE_CURRENT_BINARY_DIR}/${target}.classes")
  set(cp_args "")
  if(J_CLASSPATH)
    string(REPLACE ";" ":" cp "${J_CLASSPATH}")
    set(cp_args -classpath "${cp}")
  endif()
  set(jar_mode cf)
  set(main_args "")
  if(J_MAIN_CLASS)
    set(jar_mode cfe)
    set(main_args "${J_MAIN_CLASS}")
  endif()
  set(compile_cmd "")
  if(sources)
    set(compile_cmd COMMAND ${WYN_JAVAC} --release ${J_RELEASE} -Xlint:-options -Werror -encoding UTF-8
                            ${cp_args} -d "${classes}" ${sources})
  endif()
  get_filename_component(output_dir "${J_OUTPUT}" DIRECTORY)
  add_custom_command(
    OUTPUT "${J_OUTPUT}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${output_dir}"
    COMMAND ${CMAKE_COMMAND} -E rm -rf "${classes}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${classes}"
    ${compile_cmd}
    COMMAND ${WYN_JAR} ${jar_mode} "${J_OUTPUT}" ${main_args} -C "${classes}" .
    DEPENDS ${sources} ${J_DEPENDS}
    COMMENT "Building ${target}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${J_OUTPUT}")
endfunction()

# wyn_add_source_and_doc_jars(<target> SOURCE_DIR <dir> SOURCES_JAR <jar> JAVADOC_JAR <jar>
#                             [RELEASE <n>])
# A jar of the .java files below SOURCE_DIR (their package directories kept, as IDEs expect
# of a sources jar) and a jar of the API documentation javadoc writes for them.
function(wyn_add_source_and_doc_jars target)
  cmake_parse_arguments(J "" "SOURCE_DIR;SOURCES_JAR;JAVADOC_JAR;RELEASE" "" ${ARGN})
  if(NOT J_RELEASE)
    set(J_RELEASE 8)
  endif()
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${J_SOURCE_DIR}/*.java")
  set(relative "")
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH name "${J_SOURCE_DIR}" "${source}")
    list(APPEND relative -C "${J_SOURCE_DIR}" "${name}")
  endforeach()
  set(doc_dir "${CMAKE_CURRENT_BINARY_DIR}/${target}.javadoc")
  add_custom_command(
    OUTPUT "${J_SOURCES_JAR}" "${J_JAVADOC_JAR}"
    COMMAND ${WYN_JAR} cf "${J_SOURCES_JAR}" ${relative}
    COMMAND ${CMAKE_COMMAND} -E rm -rf "${doc_dir}"
    COMMAND ${WYN_JAVADOC} -quiet --release ${J_RELEASE} -encoding UTF-8 -Xdoclint:all,-missing
            -d "${doc_dir}" ${sources}
    COMMAND ${WYN_JAR} cf "${J_JAVADOC_JAR}" -C "${doc_dir}" .
    DEPENDS ${sources}
    COMMENT "Building ${target}: sources and API documentation jars"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${J_SOURCES_JAR}" "${J_JAVADOC_JAR}")
endfunction()
