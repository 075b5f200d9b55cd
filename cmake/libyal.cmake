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
  # The same sources built natively with this build's compiler and flags (the fuzz build's sanitizers
  # reach into the libraries), the mends in scripts/libyal-patches applied; a built folder is kept.
  set(kw_libyal_prefix ${CMAKE_BINARY_DIR}/libyal/native)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-libyal.sh native ${kw_libyal_prefix}
                          ${CMAKE_C_COMPILER} "${CMAKE_C_FLAGS}" RESULT_VARIABLE kw_libyal_result)
  if(NOT kw_libyal_result EQUAL 0)
    message(FATAL_ERROR "libewf, libvhdi and libvmdk could not be built")
  endif()
  find_package(ZLIB REQUIRED)
  target_include_directories(kw_libyal SYSTEM INTERFACE ${kw_libyal_prefix}/include)
  target_link_libraries(kw_libyal INTERFACE ${kw_libyal_prefix}/lib/libewf.a ${kw_libyal_prefix}/lib/libvhdi.a
                                            ${kw_libyal_prefix}/lib/libvmdk.a ZLIB::ZLIB)
endif()
