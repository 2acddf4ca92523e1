# Builds the Linux programs that users run, the launcher stub and wynpack, against the Debian 11
# sysroot that cmake/make-debian11-sysroot.sh makes (glibc 2.31, GCC 10's C++ runtime, libzip,
# zlib), so that they start on glibc 2.31 and later. The build machine's GCC does the work: its
# C++ headers and runtime are swapped for the sysroot's (linked in statically), and the
# sysroot's start files and libraries are searched before the build machine's. Test programs
# that link the same objects link the build machine's libraries, which are backward compatible.
#
# Only the release Linux tree: the sanitizer tree links everything the build machine's way, as
# its runtimes need, and the Windows trees link their own runtimes statically.
#
# wyn_compile_for_debian11(<target>...): the targets' sources are compiled against the sysroot.
# wyn_link_for_debian11(<target>): the executable is linked against the sysroot.
set(WYN_FOR_DEBIAN11 OFF)
if(NOT WIN32 AND NOT WYN_SANITIZE)
  set(WYN_FOR_DEBIAN11 ON)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    message(FATAL_ERROR "The Linux programs are built with GCC against the Debian 11 sysroot; "
                        "this tree's C++ compiler is ${CMAKE_CXX_COMPILER_ID}.")
  endif()
  execute_process(COMMAND sh "${CMAKE_SOURCE_DIR}/cmake/cache-dir.sh"
                  OUTPUT_VARIABLE cache_dir OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(WYN_DEBIAN11_SYSROOT "${cache_dir}/debian11-sysroot")
  set(gcc_runtime "${WYN_DEBIAN11_SYSROOT}/usr/lib/gcc/x86_64-linux-gnu/10")
  if(NOT EXISTS "${WYN_DEBIAN11_SYSROOT}/packages" OR NOT EXISTS "${gcc_runtime}/libstdc++.a")
    message(FATAL_ERROR "The Linux programs are built against the Debian 11 sysroot in "
                        "${WYN_DEBIAN11_SYSROOT}: run sh cmake/install-deps.sh (make deps).")
  endif()
endif()

function(wyn_compile_for_debian11)
  if(NOT WYN_FOR_DEBIAN11)
    return()
  endif()
  set(sysroot "${WYN_DEBIAN11_SYSROOT}")
  # GCC 12 takes the moves inside GCC 10's std::function for reads of uninitialised memory
  # (a false warning, which GCC 12's own headers avoid): that check stays with the Windows
  # trees, which compile the same code with GCC 12's headers.
  foreach(target IN LISTS ARGN)
    target_compile_options(${target} PRIVATE
      "--sysroot=${sysroot}" "$<$<COMPILE_LANGUAGE:CXX>:-Wno-maybe-uninitialized>"
      "$<$<COMPILE_LANGUAGE:CXX>:-nostdinc++;SHELL:-isystem ${sysroot}/usr/include/c++/10>"
      "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-isystem ${sysroot}/usr/include/x86_64-linux-gnu/c++/10>"
      "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-isystem ${sysroot}/usr/include/c++/10/backward>")
  endforeach()
endfunction()

function(wyn_link_for_debian11 target)
  if(NOT WYN_FOR_DEBIAN11)
    return()
  endif()
  set(sysroot "${WYN_DEBIAN11_SYSROOT}")
  set(libraries "${sysroot}/lib/x86_64-linux-gnu" "${sysroot}/usr/lib/x86_64-linux-gnu")
  list(JOIN libraries ":" library_path)
  # -B: the sysroot's start files (crt1.o, crti.o); -L: its C++ runtime, then its libraries,
  # ahead of the build machine's own; -rpath-link: where the libraries' own dependencies are.
  target_link_options(${target} PRIVATE
    "--sysroot=${sysroot}" "-B${sysroot}/usr/lib/x86_64-linux-gnu"
    "-L${sysroot}/usr/lib/gcc/x86_64-linux-gnu/10" "-L${sysroot}/usr/lib/x86_64-linux-gnu"
    "-L${sysroot}/lib/x86_64-linux-gnu" "-Wl,-rpath-link,${library_path}"
    -static-libstdc++ -static-libgcc)
endfunction()
