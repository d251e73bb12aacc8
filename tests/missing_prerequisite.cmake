# missing_prerequisite.cmake: the test that stands in for one whose tool is not
# installed; it fails and says which.
#   cmake -DMISSING="what is missing" -P missing_prerequisite.cmake
message(FATAL_ERROR "${MISSING}")
