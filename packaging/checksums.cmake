# Run by CPack once it has made a package, just before the package is moved
# into CPACK_PACKAGE_DIRECTORY: writes SHA256SUMS there, in sha256sum's
# format, over the new package and every other package already in that
# folder, so that the Linux and Windows packages share one file.
set(folder ${CPACK_PACKAGE_DIRECTORY})
file(GLOB packages ${folder}/*.tar.gz ${folder}/*.zip)
set(by_name "")
foreach(package IN LISTS packages CPACK_PACKAGE_FILES)
  get_filename_component(name ${package} NAME)
  set(path_of_${name} ${package})  # a new package replaces an older one of the same name
  list(APPEND by_name ${name})
endforeach()
list(REMOVE_DUPLICATES by_name)
list(SORT by_name)
set(sums "")
foreach(name IN LISTS by_name)
  file(SHA256 ${path_of_${name}} sum)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE ${folder}/SHA256SUMS "${sums}")
