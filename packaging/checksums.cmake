# Run by CPack once it has made a package: copies the package into
# CPACK_HALVANE_PACKAGES (build/packages) and writes SHA256SUMS there, in
# sha256sum's format, over every package in that folder, so that the Linux
# and Windows packages share one file and the folder holds nothing else.
set(folder ${CPACK_HALVANE_PACKAGES})
file(MAKE_DIRECTORY ${folder})
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(COPY ${package} DESTINATION ${folder})
endforeach()
file(GLOB packages RELATIVE ${folder} ${folder}/*.tar.gz ${folder}/*.zip)
list(SORT packages)
set(sums "")
foreach(name IN LISTS packages)
  file(SHA256 ${folder}/${name} sum)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE ${folder}/SHA256SUMS "${sums}")
