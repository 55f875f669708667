# The program's version information (description, "x.y.z.build", build date, copyright line)
# comes from the build. The build number is VELDRIS_BUILD_NUMBER when set, else the number
# of commits; the build date is the day the executables were linked.
if(DEFINED ENV{VELDRIS_BUILD_NUMBER})
  set(VELDRIS_BUILD_NUMBER "$ENV{VELDRIS_BUILD_NUMBER}")
else()
  execute_process(COMMAND git rev-list --count HEAD
                  WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
                  OUTPUT_VARIABLE VELDRIS_BUILD_NUMBER
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT VELDRIS_BUILD_NUMBER)
    set(VELDRIS_BUILD_NUMBER 0)
  endif()
endif()

set(VELDRIS_BUILD_INFO_CPP "${CMAKE_BINARY_DIR}/generated/BuildInfo.cpp")
add_custom_target(veldris_build_info
  COMMAND "${CMAKE_COMMAND}"
          -DOUTPUT=${VELDRIS_BUILD_INFO_CPP}
          -DVERSION=${PROJECT_VERSION}.${VELDRIS_BUILD_NUMBER}
          -P "${CMAKE_SOURCE_DIR}/cmake/WriteBuildInfo.cmake"
  BYPRODUCTS "${VELDRIS_BUILD_INFO_CPP}"
  COMMENT "Stamping version information"
  VERBATIM)
