# Run by CPack once it has made a package. Packs it again so that its bytes
# depend on nothing but the commit: entries sorted by name, owned by root
# (0/0) whoever builds, stamped with the commit's time, modes 755 for the
# tool and 644 for the texts, no extra fields (GNU tar and gzip -n; Info-ZIP
# zip -X, with times in UTC). CPack's own archive records the builder's
# account, which would make a rebuild by anyone else differ. The result goes
# to CPACK_HALVANE_PACKAGES (build/packages), with one SHA256SUMS, in
# sha256sum's format, over this version's packages there, so that the Linux
# and Windows packages share one file. The folder holds nothing else: the
# first package of the pair empties it, and anything but this version's
# packages is removed, so that no stale package is summed and shipped.
set(folder ${CPACK_HALVANE_PACKAGES})
if(CPACK_HALVANE_FIRST)
  file(REMOVE_RECURSE ${folder})
endif()
set(epoch ${CPACK_SOURCE_DATE_EPOCH})
if(NOT epoch)
  set(epoch 315532800)  # no commit to take it from (a source tarball): 1980, the first a zip can hold
endif()
file(MAKE_DIRECTORY ${folder})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "packing again failed: ${ARGN}")
  endif()
endfunction()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${package} NAME)
  set(work ${CPACK_TOPLEVEL_DIRECTORY}/repack)
  file(REMOVE_RECURSE ${work})
  file(MAKE_DIRECTORY ${work})
  run(${CMAKE_COMMAND} -E chdir ${work} ${CMAKE_COMMAND} -E tar xf ${package})
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

file(GLOB found RELATIVE ${folder} ${folder}/*)
set(packages "")
foreach(name IN LISTS found)
  if(name IN_LIST CPACK_HALVANE_THIS_VERSION)
    list(APPEND packages ${name})
  elseif(NOT name STREQUAL "SHA256SUMS")
    file(REMOVE_RECURSE ${folder}/${name})
  endif()
endforeach()
list(SORT packages)
set(sums "")
foreach(name IN LISTS packages)
  file(SHA256 ${folder}/${name} sum)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE ${folder}/SHA256SUMS "${sums}")
