target_link_libraries(bench_grid_count PRIVATE SQLite::SQLite3)
