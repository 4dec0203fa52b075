# pugixml for the Windows build: Debian has no mingw build of it, so Debian's own source package
# is fetched at configure time into the build folder and its pugixml.cpp compiled into the DLL
# that needs it. The .dsc is pinned by its SHA-256 here; the .orig tarball must then match the
# SHA-256 the .dsc lists for it. The version is the one of libpugixml-dev on the Linux side.
set(TARN_PUGIXML_POOL http://deb.debian.org/debian/pool/main/p/pugixml)
set(TARN_PUGIXML_DSC pugixml_1.13-0.2.dsc)
set(TARN_PUGIXML_DSC_SHA256 f0ef481b50b6d01b04269fe109a2cace8d9dad6f6eb089f1c9aac5a0913aa7c2)
set(TARN_PUGIXML_ORIG pugixml_1.13.orig.tar.gz)

set(pugixml_download ${CMAKE_BINARY_DIR}/_deps/pugixml)
function(tarn_pugixml_download file sha256)
  file(DOWNLOAD ${TARN_PUGIXML_POOL}/${file} ${pugixml_download}/${file}
       EXPECTED_HASH SHA256=${sha256} STATUS status)
  list(GET status 0 code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "cannot fetch ${TARN_PUGIXML_POOL}/${file}: ${status}")
  endif()
endfunction()

set(pugixml_source ${pugixml_download}/pugixml-1.13/src)
if(NOT EXISTS ${pugixml_source}/pugixml.cpp)
  tarn_pugixml_download(${TARN_PUGIXML_DSC} ${TARN_PUGIXML_DSC_SHA256})
  file(STRINGS ${pugixml_download}/${TARN_PUGIXML_DSC} listed
       REGEX "^ [0-9a-f]+ [0-9]+ ${TARN_PUGIXML_ORIG}$")
  # The MD5 and SHA-1 lines have shorter digests: keep the 64-digit one.
  set(orig_sha256 "")
  foreach(line IN LISTS listed)
    if(line MATCHES "^ ([0-9a-f]+) ")
      string(LENGTH "${CMAKE_MATCH_1}" digits)
      if(digits EQUAL 64)
        set(orig_sha256 ${CMAKE_MATCH_1})
      endif()
    endif()
  endforeach()
  if(NOT orig_sha256)
    message(FATAL_ERROR "${TARN_PUGIXML_DSC} lists no SHA-256 for ${TARN_PUGIXML_ORIG}")
  endif()
  tarn_pugixml_download(${TARN_PUGIXML_ORIG} ${orig_sha256})
  file(ARCHIVE_EXTRACT INPUT ${pugixml_download}/${TARN_PUGIXML_ORIG} DESTINATION
       ${pugixml_download} PATTERNS pugixml-1.13/src/*)
endif()

add_library(tarn_pugixml OBJECT ${pugixml_source}/pugixml.cpp)
target_include_directories(tarn_pugixml SYSTEM PUBLIC ${pugixml_source})
