# mms_test_support: libmodbus peers and the scripted slave, for tests and benchmarks.
# (Empty until the peers are written; add sources with target_sources.)
add_library(mms_test_support INTERFACE)
