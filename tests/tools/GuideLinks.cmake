# cmake -DGUIDE=docs/authoring.md -P GuideLinks.cmake: fails when the guide
# names a picture or an example directory (relative to the guide) that is not
# there, or names none at all.
file(READ ${GUIDE} text)
get_filename_component(base ${GUIDE} DIRECTORY)
string(REGEX MATCHALL "(pictures/[A-Za-z0-9_-]+\\.png|examples/[A-Za-z0-9_-]+)" named "${text}")
list(REMOVE_DUPLICATES named)
list(LENGTH named count)
if(count EQUAL 0)
  message(FATAL_ERROR "${GUIDE} names no picture or example")
endif()
foreach(path ${named})
  if(NOT EXISTS ${base}/${path})
    message(FATAL_ERROR "${GUIDE} names ${path}, which is not there")
  endif()
endforeach()
message(STATUS "${count} pictures and examples named by the guide are there")
