# Run by CPack once it has made a package. Signs the Windows exe when asked
# (below), and packs the package again so that its bytes depend on nothing
# but the commit: entries sorted by name, owned by root
# (0/0) whoever builds, stamped with the commit's time, modes 755 for the
# tool and 644 for the texts, no extra fields (GNU tar and gzip -n; Info-ZIP
# zip -X, with times in UTC). CPack's own archive records the builder's
# account, which would make a rebuild by anyone else differ. The result goes
# to CPACK_HALVANE_PACKAGES (build/packages), replacing only a package of
# its own name: the other platform's package stays, whichever is built
# first. A SHA256SUMS there no longer holds and is removed; packaging/
# build-packages writes it, over a fresh folder, once both are made.
set(folder ${CPACK_HALVANE_PACKAGES})
set(epoch ${CPACK_SOURCE_DATE_EPOCH})
if(NOT epoch)
  set(epoch 315532800)  # no commit to take it from (a source tarball): 1980, the first a zip can hold
endif()
file(MAKE_DIRECTORY ${folder})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "this failed: ${ARGN}")
  endif()
endfunction()

# Given a certificate by packaging/build-packages, the exe is signed here:
# after CPack has stripped it, which would drop a signature, and before it
# is stamped, zipped and summed. The password is read from its file.
function(sign work)
  file(GLOB exe ${work}/*/halvane-res.exe)
  set(timestamp)
  if(NOT "$ENV{HALVANE_SIGN_TIMESTAMP}" STREQUAL "")
    set(timestamp -ts $ENV{HALVANE_SIGN_TIMESTAMP})
  endif()
  run(osslsigncode sign -pkcs12 $ENV{HALVANE_SIGN_PKCS12} -readpass $ENV{HALVANE_SIGN_PASSWORD_FILE} -h sha256
      -n halvane-res ${timestamp} -in ${exe} -out ${exe}.signed)
  file(RENAME ${exe}.signed ${exe})
endfunction()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${package} NAME)
  set(work ${CPACK_TOPLEVEL_DIRECTORY}/repack)
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work})
  run(${CMAKE_COMMAND} -E chdir ${work} ${CMAKE_COMMAND} -E tar xf ${package})
  if(name MATCHES "\\.zip$" AND DEFINED ENV{HALVANE_SIGN_PKCS12})
    sign(${work})
  endif()
  file(GLOB_RECURSE entries LIST_DIRECTORIES false RELATIVE ${work} ${work}/*)
  list(SORT entries)
  file(GLOB top RELATIVE ${work} ${work}/*)
  foreach(entry IN LISTS entries)
    if(entry MATCHES "/halvane-res(\\.exe)?$")
      file(CHMOD ${work}/${entry} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    else()
      file(CHMOD ${work}/${entry} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()
  endforeach()
  file(CHMOD ${work}/${top} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                                  GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  run(touch -h -d @${epoch} ${top} ${entries} WORKING_DIRECTORY ${work})
  file(REMOVE ${folder}/${name})
  if(name MATCHES "\\.zip$")
    run(${CMAKE_COMMAND} -E env TZ=UTC zip -X -q -D ${folder}/${name} ${entries} WORKING_DIRECTORY ${work})
  else()
    execute_process(COMMAND tar --sort=name --owner=0 --group=0 --numeric-owner --mtime=@${epoch} --format=gnu
                            -cf - ${top}
                    COMMAND gzip -9n
                    OUTPUT_FILE ${folder}/${name} WORKING_DIRECTORY ${work} RESULTS_VARIABLE failed)
    if(NOT failed STREQUAL "0;0")
      message(FATAL_ERROR "packing ${name} again failed")
    endif()
  endif()
  file(REMOVE_RECURSE ${work})
endforeach()

file(REMOVE ${folder}/SHA256SUMS)
