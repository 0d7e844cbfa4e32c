# The libraries the build needs, all from the distribution's packages. A missing one
# stops the configuration with the package that provides it.
find_package(ZLIB QUIET)
if(NOT ZLIB_FOUND)
  message(FATAL_ERROR "zlib was not found: install the Debian package zlib1g-dev.")
endif()

find_package(GTest QUIET)
if(NOT GTest_FOUND)
  message(FATAL_ERROR "GoogleTest was not found: install the Debian package libgtest-dev.")
endif()

if(VELKORA_BENCH)
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    message(FATAL_ERROR "Google Benchmark was not found: install the Debian package "
                        "libbenchmark-dev, or configure with -DVELKORA_BENCH=OFF.")
  endif()
endif()

find_package(Threads REQUIRED)
