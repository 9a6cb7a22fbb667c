# Read by CPack as it runs. CPack stamps every entry of an archive with
# SOURCE_DATE_EPOCH when that is set, so the packages of one commit are the
# same bytes wherever and whenever they are made.
if(CPACK_SOURCE_DATE_EPOCH)
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_SOURCE_DATE_EPOCH})
endif()
