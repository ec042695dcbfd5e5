# The raster and render benchmarks, driven by bench/raster_bench.sh.
# picture_floor: the plain program every picture benchmark is measured against.
add_executable(picture_floor picture_floor.cpp)
add_executable(raster_fill_write raster_fill_write.cpp)
target_link_libraries(raster_fill_write PRIVATE tlmaper_raster)
add_executable(render_make_save render_make_save.cpp)

# Micro-benchmarks, when Google Benchmark (Debian's libbenchmark-dev) is installed.
find_package(benchmark CONFIG QUIET)
if(benchmark_FOUND)
  add_executable(raster_micro raster_micro.cpp)
  target_link_libraries(raster_micro PRIVATE tlmaper_raster benchmark::benchmark)
endif()
