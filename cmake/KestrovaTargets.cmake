# Helpers for the project's own targets: warnings, layer libraries and test suites.

# Warnings are errors in CI, so a new one cannot land unnoticed; locally they only warn.
if(DEFINED ENV{CI} AND "$ENV{CI}" STREQUAL "true")
    set(_kestrova_werror_default ON)
else()
    set(_kestrova_werror_default OFF)
endif()
option(KESTROVA_WERROR "Treat compiler warnings as errors" ${_kestrova_werror_default})

function(kestrova_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
        $<$<BOOL:${KESTROVA_WERROR}>:-Werror>)
endfunction()

# kestrova_add_library(name folder...): a static library of every source in the folders.
function(kestrova_add_library name)
    set(_sources "")
    foreach(folder IN LISTS ARGN)
        file(GLOB _found CONFIGURE_DEPENDS
            ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
        list(APPEND _sources ${_found})
    endforeach()
    add_library(${name} STATIC ${_sources})
    kestrova_warnings(${name})
endfunction()

# cpp-httplib for the sandbox and the test kit. Where the distribution builds it with TLS
# (Debian 13), its header calls OpenSSL itself, so OpenSSL goes on the link line too.
function(kestrova_find_httplib)
    if(TARGET kestrova_httplib)
        return()
    endif()
    find_package(Threads REQUIRED)
    find_package(PkgConfig REQUIRED)
    find_package(OpenSSL REQUIRED)
    pkg_check_modules(KESTROVA_HTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
    add_library(kestrova_httplib INTERFACE IMPORTED GLOBAL)
    target_link_libraries(kestrova_httplib INTERFACE PkgConfig::KESTROVA_HTTPLIB
        OpenSSL::SSL OpenSSL::Crypto Threads::Threads)
endfunction()
