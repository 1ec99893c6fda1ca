# The catalogue service's base address for the native pass-through, read at configure time:
# TINDLE_SERVICE_BASE from the environment when set, otherwise service/base-url.
# Sets the CMake variable TINDLE_SERVICE_BASE to an address ending in "/".
set(_tindle_base_file "${CMAKE_CURRENT_LIST_DIR}/base-url")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_tindle_base_file}")
if(DEFINED ENV{TINDLE_SERVICE_BASE} AND NOT "$ENV{TINDLE_SERVICE_BASE}" STREQUAL "")
    set(TINDLE_SERVICE_BASE "$ENV{TINDLE_SERVICE_BASE}")
else()
    file(READ "${_tindle_base_file}" TINDLE_SERVICE_BASE)
endif()
string(STRIP "${TINDLE_SERVICE_BASE}" TINDLE_SERVICE_BASE)
if(NOT TINDLE_SERVICE_BASE MATCHES "^https?://[^/?#]+(/[^?#]*)?$")
    message(FATAL_ERROR "TINDLE_SERVICE_BASE is not an http(s) address: '${TINDLE_SERVICE_BASE}'")
endif()
if(NOT TINDLE_SERVICE_BASE MATCHES "/$")
    string(APPEND TINDLE_SERVICE_BASE "/")
endif()
unset(_tindle_base_file)
