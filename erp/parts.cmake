# The floors of erp/, bottom up. Each floor is an object library that sees only the folders
# listed for it, so an include that runs back up a floor does not compile:
#   db         the database layer: backends, dialects, connection strings, the failure channel
#   objects    the record set and connection objects handed to the component
#   providers  the five outside components
#   host       what include/tarnvelloc/erp/ publishes: registration, statements, demo database
# The Linux library (erp/CMakeLists.txt) and TarnErp.dll (windows/erp/CMakeLists.txt) are both
# made of these floors.
set(TARN_ERP_PARTS db objects providers host)
set(TARN_ERP_SEES_db erp/db)
set(TARN_ERP_SEES_objects erp/db erp/objects)
set(TARN_ERP_SEES_providers erp/db erp/objects erp/providers)
set(TARN_ERP_SEES_host erp/db erp/objects erp/providers erp/host include/tarnvelloc/erp)
# The leaf headers of the public API that every floor may use: the rows a statement gives, and
# the failure channel the database layer records into for the host.
set(TARN_ERP_LEAF_HEADERS include/tarnvelloc/erp/result_set.h
                          include/tarnvelloc/erp/diagnostics.h)

# tarn_erp_parts(<prefix> [EXCLUDE <regex>] [VIEWS <folder>...] [LIBRARIES <library>...])
# Makes the object library <prefix>_<part> of each floor from erp/<part>/*.cpp, less the sources
# that match EXCLUDE, seeing its floor's folders and VIEWS, compiled with LIBRARIES' usage
# requirements.
function(tarn_erp_parts prefix)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "EXCLUDE" "VIEWS;LIBRARIES")
  foreach(part IN LISTS TARN_ERP_PARTS)
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/erp/${part}/*.cpp)
    if(arg_EXCLUDE)
      list(FILTER sources EXCLUDE REGEX "${arg_EXCLUDE}")
    endif()
    set(target ${prefix}_${part})
    add_library(${target} OBJECT ${sources})
    set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    set(sees ${TARN_ERP_SEES_${part}})
    if(NOT "include/tarnvelloc/erp" IN_LIST sees)
      list(APPEND sees ${TARN_ERP_LEAF_HEADERS})
    endif()
    tarn_header_view(${target} PRIVATE ${sees} ${arg_VIEWS})
    target_link_libraries(${target} PRIVATE ${arg_LIBRARIES})
    tarn_strict_warnings(${target})
    tarn_house_part(erp/${part})
  endforeach()
endfunction()
