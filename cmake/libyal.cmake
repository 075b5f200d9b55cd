# kw_libyal: libewf, libvhdi and libvmdk for the NTFS engine's containers.
add_library(kw_libyal INTERFACE)
if(WIN32)
  # Built by scripts/build-libyal.sh for this target into the build folder; a built folder is kept.
  set(kw_libyal_prefix ${CMAKE_BINARY_DIR}/libyal/${CMAKE_SYSTEM_PROCESSOR})
  string(REGEX REPLACE "-gcc(-posix)?$" "" kw_libyal_host "${CMAKE_C_COMPILER}")
  get_filename_component(kw_libyal_host ${kw_libyal_host} NAME)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-libyal.sh ${kw_libyal_host} ${kw_libyal_prefix}
                  RESULT_VARIABLE kw_libyal_result)
  if(NOT kw_libyal_result EQUAL 0)
    message(FATAL_ERROR "libewf, libvhdi and libvmdk could not be built for ${kw_libyal_host}")
  endif()
  target_include_directories(kw_libyal SYSTEM INTERFACE ${kw_libyal_prefix}/include)
  target_link_libraries(kw_libyal INTERFACE ${kw_libyal_prefix}/lib/libewf.a ${kw_libyal_prefix}/lib/libvhdi.a
                                            ${kw_libyal_prefix}/lib/libvmdk.a ${CMAKE_FIND_ROOT_PATH}/lib/libz.a)
else()
  # Debian's static archives, each made one object with only its own API global (see
  # scripts/localize-archive.sh): as shared libraries the three export their helpers, and libvhdi and
  # libvmdk would run libewf's older copies of them.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(KW_LIBYAL REQUIRED libewf libvhdi libvmdk)
  pkg_check_modules(KW_LIBBFIO REQUIRED IMPORTED_TARGET libbfio) # libvmdk uses the system's
  find_package(ZLIB REQUIRED)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)
  set(kw_libyal_dir ${CMAKE_BINARY_DIR}/libyal)
  file(MAKE_DIRECTORY ${kw_libyal_dir})
  foreach(library libewf libvhdi libvmdk)
    find_file(kw_${library}_archive ${library}.a PATHS ${KW_LIBYAL_LIBRARY_DIRS} /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}
              REQUIRED NO_DEFAULT_PATH)
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/localize-archive.sh "" ${kw_${library}_archive} ${library}
                            ${kw_libyal_dir}/${library}.a RESULT_VARIABLE kw_localized)
    if(NOT kw_localized EQUAL 0)
      message(FATAL_ERROR "${kw_${library}_archive} could not be prepared for linking")
    endif()
    target_link_libraries(kw_libyal INTERFACE ${kw_libyal_dir}/${library}.a)
  endforeach()
  target_include_directories(kw_libyal SYSTEM INTERFACE ${KW_LIBYAL_INCLUDE_DIRS})
  target_link_libraries(kw_libyal INTERFACE PkgConfig::KW_LIBBFIO OpenSSL::Crypto ZLIB::ZLIB Threads::Threads)
endif()
