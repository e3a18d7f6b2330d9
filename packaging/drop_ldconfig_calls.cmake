# Run by cpack after it made the package (CPACK_POST_BUILD_SCRIPTS). CPack adds a postinst and a postrm
# that run ldconfig whenever a shared object lies below usr/lib, even in a folder that ldconfig never
# reads, like our modules' usr/lib/kestrin. The package needs no maintainer script: the ones that only
# call ldconfig are taken out again, and the package is built anew without them.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  set(dropped FALSE)
  foreach(script postinst postrm)
    if(EXISTS ${tree}/DEBIAN/${script})
      file(READ ${tree}/DEBIAN/${script} text)
      string(REGEX REPLACE "[ \t\n]+" " " text "${text}")
      if(text MATCHES "^#!/bin/sh set -e if \\[ \"\\$1\" = \"[a-z]+\" \\]; then ldconfig fi $")
        file(REMOVE ${tree}/DEBIAN/${script})
        set(dropped TRUE)
      endif()
    endif()
  endforeach()
  if(dropped)
    execute_process(COMMAND dpkg-deb --root-owner-group --build ${tree} ${deb}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE_RECURSE ${tree})
endforeach()
